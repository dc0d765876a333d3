// Text helpers. Inside the program text is UTF-8; files and system calls use
// the system's 8-bit encoding (UTF-8 on Linux, the ANSI code page on
// Windows), converted only at those edges.
#pragma once

#include <string>

namespace tarvolin::sys {

std::string ToSystemText(const std::string& utf8);
std::string FromSystemText(const std::string& system);

#ifdef _WIN32
// The UTF-16 of the wide Win32 calls, and back.
std::wstring ToWide(const std::string& utf8);
std::string FromWide(const std::wstring& wide);
#endif

// Changes only the letters A to Z; every other byte, accented letters and
// the bytes of multi-byte characters included, stays as it is.
std::string LowerAscii(const std::string& s);

}  // namespace tarvolin::sys
