#include <gtest/gtest.h>

#include "TextUtils.h"
#include "Codec.h"

using base::AnsiToOemText;

namespace {
QByteArray ansi(const QString& text) {
    return QByteArray::fromStdString(base::Codec::cp1251().encode(text));
}
QByteArray oem(const QString& text) {
    return QByteArray::fromStdString(base::Codec::cp866().encode(text));
}
}  // namespace

TEST(AnsiToOemText, UkrainianLettersFollowTheTableTheRestTheOemPage) {
    EXPECT_EQ(AnsiToOemText(ansi("ЄєЇїІIi")), QByteArray("\xF2\xF3\xF4\xF5\x49\x49\x69"));
    EXPECT_EQ(AnsiToOemText(ansi("Їжак")), "\xF4" + oem("жак"));
    EXPECT_EQ(AnsiToOemText(ansi("АБВЭЮЯабвэюяЁё№")), oem("АБВЭЮЯабвэюяЁё№"));
    EXPECT_EQ(AnsiToOemText(ansi("і")), "i");  // no 866 code: its Latin look-alike, as for І
}

TEST(AnsiToOemText, AsciiUnchangedAndEveryByteGivesOneByte) {
    QByteArray all;
    for (int c = 0; c < 256; ++c) all.append(static_cast<char>(c));
    const QByteArray out = AnsiToOemText(all);
    ASSERT_EQ(out.size(), 256);
    EXPECT_EQ(out.left(128), all.left(128));
    EXPECT_EQ(AnsiToOemText(QByteArray()), QByteArray());
    // Marks 866 lacks: a one-character equivalent where there is one, else '?'.
    EXPECT_EQ(out[0x82], ',');  // ‚
    EXPECT_EQ(out[0x96], '-');  // –
    EXPECT_EQ(out[0x98], '?');  // unassigned in 1251
    EXPECT_EQ(out[0xAB], '?');  // «
}
