// The program's UTF-8 text and the UTF-16 of the wide Win32 calls.
#pragma once

#include <windows.h>

#include <string>

#include "sys/text.h"

namespace tarvolin::win32 {

inline std::wstring Wide(const std::string& utf8) {
  return sys::ToWide(utf8);
}

inline std::string Utf8(const std::wstring& wide) {
  return sys::FromWide(wide);
}

// A window's text.
inline std::string TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Utf8(text);
}

}  // namespace tarvolin::win32
