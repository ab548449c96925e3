#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace base {

// Single-byte code page conversion. The tables are built once through iconv, so no
// character table is written by hand. Characters the code page lacks become '?' in encode();
// the table files never get them (they refuse such a text, naming its characters). A byte the
// code page leaves unassigned (0x98 in 1251) reads as U+FFFD and is written back as itself.
class Codec {
public:
    static const Codec& cp1251();
    static const Codec& cp866();
    // The codec for a dBase language driver byte (0xC9 = 1251, 0x65/0x26 = 866, others 1251).
    static const Codec& forLanguageDriver(unsigned char ldid);

    QString decode(std::string_view bytes) const;
    std::string encode(QStringView text) const;
    // Encodes at most maxBytes characters (one byte per character in a single-byte page).
    std::string encodeClipped(QStringView text, size_t maxBytes) const;
    // True when every character of the text exists in this code page.
    bool canEncode(QStringView text) const;
    // The distinct characters of the text that this code page lacks, in order of appearance,
    // at most `limit` of them; each is whole: a character written with two UTF-16 units (an
    // emoji), or a letter with the marks that follow it.
    QStringList missingCharacters(QStringView text, int limit = 5) const;
    // How the code page is named to the user: "Windows-1251", "866".
    QString displayName() const;
    const char* iconvName() const { return name_; }

private:
    explicit Codec(const char* iconvName);
    unsigned char encodeChar(char16_t c, bool* ok) const;

    const char* name_;
    std::array<char16_t, 256> toUnicode_{};
    std::array<unsigned char, 65536> fromUnicode_{};  // 0 = not in the page (except U+0000)
};

// What iconv makes of each of the 256 bytes alone, converted from one code page to another: the
// bytes it gives, empty where it gives none (a byte the page leaves unassigned, a character the
// other page lacks). Nothing when iconv does not know the pair.
std::optional<std::array<std::string, 256>> convertEachByte(const char* toCode,
                                                            const char* fromCode);

// Characters named for the user: «ә» (U+04D9), «😀» (U+1F600), separated by commas.
QString describeCharacters(const QStringList& characters);

// The text of the error of a value whose characters a table's code page lacks.
QString missingCharactersMessage(const QStringList& characters, const Codec& codec,
                                 const QString& fieldName, const QString& tablePath);

}  // namespace base
