#include "Codec.h"

#include <iconv.h>

#include <stdexcept>

namespace engine {

Codec::Codec(const char* iconvName) : name_(iconvName) {
    iconv_t cd = iconv_open("UTF-16LE", iconvName);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("iconv cannot convert from ") + iconvName);
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        char out[4] = {};
        char* inp = &in;
        char* outp = out;
        size_t inLeft = 1;
        size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char16_t u = u'\uFFFD';
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1) && outLeft == 2)
            u = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                      (static_cast<unsigned char>(out[1]) << 8));
        toUnicode_[b] = u;
        if (u != u'\uFFFD' && (fromUnicode_[u] == 0 || b < fromUnicode_[u]))
            fromUnicode_[u] = static_cast<unsigned char>(b);
    }
    iconv_close(cd);
}

const Codec& Codec::cp1251() {
    static const Codec* codec = new Codec("CP1251");
    return *codec;
}

const Codec& Codec::cp866() {
    static const Codec* codec = new Codec("CP866");
    return *codec;
}

const Codec& Codec::forLanguageDriver(unsigned char ldid) {
    return (ldid == 0x65 || ldid == 0x26) ? cp866() : cp1251();
}

QString Codec::decode(std::string_view bytes) const {
    QString s(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = s.data();
    for (size_t i = 0; i < bytes.size(); ++i)
        out[i] = QChar(toUnicode_[static_cast<unsigned char>(bytes[i])]);
    return s;
}

unsigned char Codec::encodeChar(char16_t c, bool* ok) const {
    if (c == 0) {
        *ok = true;
        return 0;
    }
    unsigned char b = fromUnicode_[c];
    *ok = b != 0;
    return *ok ? b : static_cast<unsigned char>('?');
}

std::string Codec::encode(QStringView text) const {
    return encodeClipped(text, static_cast<size_t>(text.size()));
}

std::string Codec::encodeClipped(QStringView text, size_t maxBytes) const {
    size_t n = std::min(maxBytes, static_cast<size_t>(text.size()));
    std::string out(n, '\0');
    bool ok;
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>(encodeChar(text[i].unicode(), &ok));
    return out;
}

bool Codec::canEncode(QStringView text) const {
    bool ok = true;
    for (QChar c : text) {
        encodeChar(c.unicode(), &ok);
        if (!ok) return false;
    }
    return true;
}

}  // namespace engine
