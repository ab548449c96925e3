#include "Codec.h"

#include <iconv.h>

#include <QFileInfo>
#include <QTextBoundaryFinder>
#include <stdexcept>

namespace base {

std::optional<std::array<std::string, 256>> convertEachByte(const char* toCode,
                                                            const char* fromCode) {
    iconv_t cd = iconv_open(toCode, fromCode);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::array<std::string, 256> result;
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        char out[8] = {};
        char* inp = &in;
        char* outp = out;
        size_t inLeft = 1;
        size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1)) continue;
        if (iconv(cd, nullptr, nullptr, &outp, &outLeft) == static_cast<size_t>(-1)) continue;
        result[static_cast<size_t>(b)].assign(out, sizeof out - outLeft);
    }
    iconv_close(cd);
    return result;
}

Codec::Codec(const char* iconvName) : name_(iconvName) {
    const auto utf16 = convertEachByte("UTF-16LE", iconvName);
    if (!utf16) throw std::runtime_error(std::string("iconv cannot convert from ") + iconvName);
    for (int b = 0; b < 256; ++b) {
        const std::string& out = (*utf16)[static_cast<size_t>(b)];
        char16_t u = u'\uFFFD';
        if (out.size() == 2)
            u = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                      (static_cast<unsigned char>(out[1]) << 8));
        toUnicode_[b] = u;
        // An unassigned byte reads as U+FFFD; the first of them is what U+FFFD writes back,
        // so a record read with such a byte can be stored again unchanged.
        if (fromUnicode_[u] == 0 || b < fromUnicode_[u])
            fromUnicode_[u] = static_cast<unsigned char>(b);
    }
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

QStringList Codec::missingCharacters(QStringView text, int limit) const {
    QStringList missing;
    if (canEncode(text)) return missing;
    const QString whole = text.toString();
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, whole);
    qsizetype start = 0;
    while (start < whole.size() && missing.size() < limit) {
        qsizetype end = graphemes.toNextBoundary();
        if (end <= start) end = whole.size();
        const QStringView character = QStringView(whole).mid(start, end - start);
        if (!canEncode(character)) {
            // A letter of the page with a mark it lacks: the mark is what cannot be stored.
            QString named = character.toString();
            if (canEncode(character.left(1)) && character.size() > 1)
                named = character.mid(1).toString();
            if (!missing.contains(named)) missing.push_back(named);
        }
        start = end;
    }
    return missing;
}

QString Codec::displayName() const {
    return this == &cp866() ? QStringLiteral("866") : QStringLiteral("Windows-1251");
}

QString describeCharacters(const QStringList& characters) {
    QStringList named;
    for (const QString& c : characters) {
        QStringList points;
        for (char32_t u : c.toUcs4())
            points.push_back(QStringLiteral("U+%1")
                                 .arg(static_cast<uint>(u), 4, 16, QLatin1Char('0'))
                                 .toUpper());
        named.push_back(QStringLiteral("«%1» (%2)").arg(c, points.join(QLatin1Char(' '))));
    }
    return named.join(QStringLiteral(", "));
}

QString missingCharactersMessage(const QStringList& characters, const Codec& codec,
                                 const QString& fieldName, const QString& tablePath) {
    const bool one = characters.size() == 1;
    return QStringLiteral("%1 %2 нельзя записать в поле %3 таблицы %4: в кодировке %5 %6.")
        .arg(one ? QStringLiteral("Знак") : QStringLiteral("Знаки"), describeCharacters(characters),
             fieldName, QFileInfo(tablePath).fileName(), codec.displayName(),
             one ? QStringLiteral("такого знака нет") : QStringLiteral("таких знаков нет"));
}

}  // namespace base
