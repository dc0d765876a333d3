#include "sys/windows/windows_filesystem.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "sys/text.h"

namespace tarvolin::sys {

namespace {

constexpr DWORD kKindBits =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

static_assert(kAttrReadOnly == FILE_ATTRIBUTE_READONLY && kAttrHidden == FILE_ATTRIBUTE_HIDDEN &&
                  kAttrSystem == FILE_ATTRIBUTE_SYSTEM &&
                  kAttrDirectory == FILE_ATTRIBUTE_DIRECTORY,
              "the attribute bits are the Windows ones");

// Hidden and system entries and folders match only when their kind is in the
// set (a hidden folder needs both bits); everything else always matches.
bool PassesAttributes(DWORD entry, unsigned wanted) {
  return ((entry & kKindBits) & ~static_cast<DWORD>(wanted)) == 0;
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// A 0 character would cut the text short at the call.
bool FitsACall(const std::string& text) {
  return !text.empty() && text.find('\0') == std::string::npos;
}

}  // namespace

WindowsFileSystem::WindowsFileSystem(std::string programFolder)
    : programFolder_(std::move(programFolder)) {}

std::string WindowsFileSystem::ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(path.size());
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), size);
    if (length == 0) {
      return {};
    }
    if (length < size) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t cut = path.find_last_of(L"\\/");
  if (cut == std::wstring::npos) {
    return {};
  }
  // A drive root keeps its backslash: "C:" alone names the drive's current
  // folder, not its root.
  const bool root = cut == 2 && path[1] == L':';
  return FromWide(path.substr(0, root ? cut + 1 : cut));
}

std::string WindowsFileSystem::FirstMatchingEntry(const std::string& pattern, unsigned attributes) {
  if (!FitsACall(pattern)) {
    return {};
  }
  std::wstring query = ToWide(pattern);
  if (IsSeparator(pattern.back())) {
    query += L'*';
  }
  WIN32_FIND_DATAW entry{};
  const HANDLE search = ::FindFirstFileW(query.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) {
    return {};
  }
  std::wstring name;
  do {
    if (PassesAttributes(entry.dwFileAttributes, attributes)) {
      name = entry.cFileName;
      break;
    }
  } while (::FindNextFileW(search, &entry));
  ::FindClose(search);
  return FromWide(name);
}

std::vector<std::string> WindowsFileSystem::ListFolder(const std::string& folder) const {
  std::vector<std::string> names;
  if (!FitsACall(folder)) {
    return names;
  }
  const bool separated = IsSeparator(folder.back());
  WIN32_FIND_DATAW entry{};
  const HANDLE search =
      ::FindFirstFileW(ToWide(folder + (separated ? "*" : "\\*")).c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) {
    return names;
  }
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") {
      names.push_back(FromWide(name));
    }
  } while (::FindNextFileW(search, &entry));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

EntryKind WindowsFileSystem::WhatIsHere(const std::string& path) const {
  const DWORD attributes =
      FitsACall(path) ? ::GetFileAttributesW(ToWide(path).c_str()) : INVALID_FILE_ATTRIBUTES;
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return EntryKind::kNothing;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::kFolder : EntryKind::kFile;
}

}  // namespace tarvolin::sys
