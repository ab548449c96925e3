#pragma once

#include <QByteArray>

namespace base {

// Converts text in the Windows ANSI code page of the program (1251) to the OEM code page
// (866), one byte for one byte, so the result is exactly as long as the input.
//
// The Ukrainian capitals Є Ї and small є ї go to 0xF2..0xF5 and the capital І to the Latin I;
// every other character goes through the system's 1251 to 866 conversion (iconv). A character
// that 866 lacks falls back, in this order, to a one-character transliteration ("‚" to ",",
// "Ѓ" to "Г", "–" to "-"), to the identical-looking Latin letter for і ј Ј Ѕ ѕ (as the table
// does for І), and otherwise to '?'. ASCII, and so Latin letters and digits, is unchanged.
QByteArray AnsiToOemText(const QByteArray& ansiText);

}  // namespace base
