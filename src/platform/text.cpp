#include "platform/text.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace tarvolin::platform {

namespace {

// Length in bytes of the UTF-8 sequence that starts at `pos`, or 1 when the
// bytes there do not form a valid sequence.
std::size_t SequenceLength(const std::string& s, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(s[pos]);
  std::size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  } else {
    return 1;
  }
  if (pos + length > s.size()) {
    return 1;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(s[pos + i]) & 0xC0) != 0x80) {
      return 1;
    }
  }
  return length;
}

}  // namespace

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
std::string FromSystemText(const std::string& system) {
  return Recode(system, ::GetACP(), CP_UTF8);
}
#endif

int CharCount(const std::string& utf8) {
  int count = 0;
  for (std::size_t pos = 0; pos < utf8.size(); pos += SequenceLength(utf8, pos)) {
    ++count;
  }
  return count;
}

std::size_t ByteOffsetOfChar(const std::string& utf8, int index) {
  std::size_t pos = 0;
  for (int i = 0; i < index && pos < utf8.size(); ++i) {
    pos += SequenceLength(utf8, pos);
  }
  return pos;
}

std::string LeftChars(const std::string& utf8, int count) {
  return utf8.substr(0, ByteOffsetOfChar(utf8, count));
}

std::string LowerAscii(const std::string& s) {
  std::string lower = s;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c + 32);
    }
  }
  return lower;
}

}  // namespace tarvolin::platform
