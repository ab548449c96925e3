#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <string>
#include <string_view>

namespace engine {

// Single-byte code page conversion. The tables are built once through iconv, so no
// character table is written by hand. Characters the code page lacks become '?'.
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
    const char* iconvName() const { return name_; }

private:
    explicit Codec(const char* iconvName);
    unsigned char encodeChar(char16_t c, bool* ok) const;

    const char* name_;
    std::array<char16_t, 256> toUnicode_{};
    std::array<unsigned char, 65536> fromUnicode_{};  // 0 = not in the page (except U+0000)
};

}  // namespace engine
