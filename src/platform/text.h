// Text helpers. Inside the program text is UTF-8; files and system calls use
// the system's 8-bit encoding (UTF-8 on Linux, the ANSI code page on
// Windows), converted only at those edges.
#pragma once

#include <string>

namespace tarvolin::platform {

std::string ToSystemText(const std::string& utf8);
std::string FromSystemText(const std::string& system);

// Number of characters (code points) in a UTF-8 text. Bytes that do not form
// valid UTF-8 count one character each.
int CharCount(const std::string& utf8);
// Byte offset of character `index` (0-based) in a UTF-8 text; the text's size
// when index is at or past its end.
std::size_t ByteOffsetOfChar(const std::string& utf8, int index);
// The first `count` characters of a UTF-8 text.
std::string LeftChars(const std::string& utf8, int count);
// Changes only the letters A to Z; every other byte, accented letters and
// the bytes of multi-byte characters included, stays as it is.
std::string LowerAscii(const std::string& s);

}  // namespace tarvolin::platform
