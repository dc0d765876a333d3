#include "sys/text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tarvolin::sys {

#ifndef _WIN32
std::string ToSystemText(const std::string& utf8) {
  return utf8;
}
std::string FromSystemText(const std::string& system) {
  return system;
}
#else
namespace {

// Recodes through UTF-16. Bytes that are not valid in the source code page
// become U+FFFD; characters the target code page lacks become its default
// character ("?"), never a look-alike: a look-alike of "\" or ":" would change
// what a path names.
std::string Recode(const std::string& text, UINT from, UINT to) {
  if (text.empty() || from == to) {
    return text;
  }
  const int length = static_cast<int>(text.size());
  const int wideLength = ::MultiByteToWideChar(from, 0, text.data(), length, nullptr, 0);
  if (wideLength <= 0) {
    return {};
  }
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  ::MultiByteToWideChar(from, 0, text.data(), length, wide.data(), wideLength);
  const DWORD flags = to == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int resultLength =
      ::WideCharToMultiByte(to, flags, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (resultLength <= 0) {
    return {};
  }
  std::string result(static_cast<std::size_t>(resultLength), '\0');
  ::WideCharToMultiByte(to, flags, wide.data(), wideLength, result.data(), resultLength, nullptr,
                        nullptr);
  return result;
}

}  // namespace

std::string ToSystemText(const std::string& utf8) {
  return Recode(utf8, CP_UTF8, ::GetACP());
}
std::wstring ToWide(const std::string& utf8) {
  if (utf8.empty()) {
    return {};
  }
  const int length = static_cast<int>(utf8.size());
  const int wideLength = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wideLength > 0 ? wideLength : 0), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), wideLength);
  return wide;
}
std::string FromWide(const std::wstring& wide) {
  if (wide.empty()) {
    return {};
  }
  const int length = static_cast<int>(wide.size());
  const int utf8Length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(utf8Length > 0 ? utf8Length : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), utf8Length, nullptr, nullptr);
  return utf8;
}
std::string FromSystemText(const std::string& system) {
  return Recode(system, ::GetACP(), CP_UTF8);
}
#endif

std::string LowerAscii(const std::string& s) {
  std::string lower = s;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c + 32);
    }
  }
  return lower;
}

}  // namespace tarvolin::sys
