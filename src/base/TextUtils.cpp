#include "TextUtils.h"

#include <array>

#include "Codec.h"

namespace base {

namespace {

std::array<unsigned char, 256> buildTable() {
    std::array<unsigned char, 256> table{};
    const base::Codec& ansi = base::Codec::cp1251();
    const base::Codec& oem = base::Codec::cp866();
    const auto translit = base::convertEachByte("CP866//TRANSLIT", "CP1251");

    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const QString ch = ansi.decode(std::string_view(&byte, 1));
        if (b == 0 || (ch[0] != QChar::ReplacementCharacter && oem.canEncode(ch))) {
            table[b] = static_cast<unsigned char>(oem.encode(ch)[0]);
            continue;
        }
        // The one character the transliteration gives, if it gives exactly one.
        const std::string one = translit ? (*translit)[static_cast<size_t>(b)] : std::string();
        unsigned char t = one.size() == 1 ? static_cast<unsigned char>(one[0]) : 0;
        if (t == 0 || t == '?') {
            switch (ch[0].unicode()) {
                case u'і':
                    t = 'i';
                    break;
                case u'ј':
                    t = 'j';
                    break;
                case u'Ј':
                    t = 'J';
                    break;
                case u'Ѕ':
                    t = 'S';
                    break;
                case u'ѕ':
                    t = 's';
                    break;
                default:
                    t = '?';
                    break;
            }
        }
        table[b] = t;
    }

    // The Ukrainian letters the OEM list file must carry as these bytes.
    table[0xAA] = 0xF2;  // Є
    table[0xBA] = 0xF3;  // є
    table[0xAF] = 0xF4;  // Ї
    table[0xBF] = 0xF5;  // ї
    table[0xB2] = 0x49;  // І as the Latin I
    return table;
}

}  // namespace

QByteArray AnsiToOemText(const QByteArray& ansiText) {
    static const std::array<unsigned char, 256> table = buildTable();
    QByteArray out(ansiText.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < ansiText.size(); ++i)
        out[i] = static_cast<char>(table[static_cast<unsigned char>(ansiText[i])]);
    return out;
}

}  // namespace base
