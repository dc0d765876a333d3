#include "sys/posix/posix_filesystem.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <locale>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "sys/posix/ini_store.h"

// Text inside the program is UTF-8, and so is the system's own text here:
// names go to the system calls as they are.

namespace tarvolin::sys {

namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool HasWildcards(std::string_view name) {
  return name.find_first_of("*?") != name.npos;
}

// A name as code points folded the way Windows compares names: every letter
// that has a small form takes it (simple case folding, not only A to Z).
// Bytes that are not UTF-8 keep a value of their own, so they still compare
// only with themselves.
std::u32string Folded(std::string_view name) {
  static const std::locale utf8 = [] {
    try {
      return std::locale("C.UTF-8");
    } catch (const std::runtime_error&) {
      return std::locale::classic();
    }
  }();
  const auto& ctype = std::use_facet<std::ctype<wchar_t>>(utf8);
  std::u32string folded;
  for (std::size_t i = 0; i < name.size();) {
    const auto lead = static_cast<unsigned char>(name[i]);
    const std::size_t length = lead < 0x80    ? 1
                               : lead >= 0xF0 ? 4
                               : lead >= 0xE0 ? 3
                               : lead >= 0xC2 ? 2
                                              : 0;
    char32_t code = lead;
    bool valid = length > 0 && i + length <= name.size();
    if (valid && length > 1) {
      code = lead & (0x7F >> length);
      for (std::size_t k = 1; k < length && valid; ++k) {
        const auto next = static_cast<unsigned char>(name[i + k]);
        valid = (next & 0xC0) == 0x80;
        code = (code << 6) | (next & 0x3F);
      }
    }
    if (!valid) {
      folded += static_cast<char32_t>(0x110000 + lead);
      ++i;
      continue;
    }
    folded += static_cast<char32_t>(ctype.tolower(static_cast<wchar_t>(code)));
    i += length;
  }
  return folded;
}

// '*' stands for any run of characters, '?' for exactly one; names compare
// folded.
bool GlobMatch(std::u32string_view pattern, std::u32string_view name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::u32string_view::npos;
  std::size_t mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == U'?' || (pattern[p] != U'*' && pattern[p] == name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == U'*') {
      star = p++;
      mark = n;
    } else if (star != std::u32string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') {
    ++p;
  }
  return p == pattern.size();
}

// As the Windows search does, a pattern ending in ".*" also takes names
// without that extension, so "*.*" matches every name.
bool NameMatches(std::string_view pattern, std::string_view name) {
  const std::u32string folded = Folded(pattern);
  const std::u32string_view whole = folded;
  if (GlobMatch(whole, Folded(name))) {
    return true;
  }
  return whole.size() >= 2 && whole.substr(whole.size() - 2) == U".*" &&
         GlobMatch(whole.substr(0, whole.size() - 2), Folded(name));
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return Folded(a) == Folded(b);
}

// "folder/name"; an empty folder stands for the current one.
std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) {
    return name;
  }
  if (folder.back() == '/') {
    return folder + name;
  }
  return folder + "/" + name;
}

std::string StripTrailingSlashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') {
    folder.pop_back();
  }
  return folder;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The entries of a folder without "." and "..", in byte order; nullopt when
// the folder cannot be read.
std::optional<std::vector<std::string>> ListNames(const std::string& folder) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) {
    return std::nullopt;
  }
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") {
      names.push_back(std::move(name));
    }
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// The spelling on disk of `name` in `folder`: the name itself when it exists,
// otherwise the first entry equal to it without regard to case.
std::optional<std::string> FindName(const std::string& folder, const std::string& name) {
  if (Exists(Join(folder, name))) {
    return name;
  }
  const auto names = ListNames(folder);
  if (!names) {
    return std::nullopt;
  }
  for (const auto& candidate : *names) {
    if (EqualIgnoringCase(candidate, name)) {
      return candidate;
    }
  }
  return std::nullopt;
}

// Hidden entries and folders match only when their kind is in the set;
// everything else (read-only files too) always matches.
bool PassesAttributes(const std::string& folder, const std::string& name, unsigned attributes) {
  const bool dotEntry = name == "." || name == "..";
  unsigned kind = kAttrNormal;
  if (!dotEntry && name.front() == '.') {
    kind |= kAttrHidden;
  }
  if (dotEntry || IsFolder(Join(folder, name))) {
    kind |= kAttrDirectory;
  }
  return (kind & ~attributes) == 0;
}

enum class PathKind { kDrive, kNative, kRelative };

struct ParsedPath {
  PathKind kind = PathKind::kRelative;
  bool mapped = true;              // false for a drive letter without a folder
  std::string base;                // the folder names start from; "" is the current one
  std::vector<std::string> names;  // without empty names
  bool trailingSeparator = false;
};

struct ResolvedFolder {
  std::string path;
  bool exists = true;
  bool isRoot = false;  // the root of a drive or of the system
};

ParsedPath Parse(const std::string& path, const std::map<char, std::string>& drives) {
  ParsedPath parsed;
  std::string_view rest = path;
  std::string_view separators = "\\/";
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') {
    parsed.kind = PathKind::kDrive;
    const auto it = drives.find(FoldAscii(path[0]));
    parsed.mapped = it != drives.end();
    if (parsed.mapped) {
      parsed.base = StripTrailingSlashes(it->second);
    }
    rest.remove_prefix(2);
  } else if (!path.empty() && path[0] == '/') {
    // The system's own paths may hold backslashes inside names.
    parsed.kind = PathKind::kNative;
    parsed.base = "/";
    separators = "/";
  }
  parsed.trailingSeparator = !rest.empty() && separators.find(rest.back()) != rest.npos;
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find_first_of(separators), rest.size());
    if (end > 0) {
      parsed.names.emplace_back(rest.substr(0, end));
    }
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return parsed;
}

// Resolves the first `count` names of the path. "." and ".." are taken by
// their text, as Windows does; ".." never climbs above a root. Each name is
// looked up without regard to case; once a name is missing the rest are kept
// as written.
ResolvedFolder Resolve(const ParsedPath& parsed, std::size_t count) {
  struct Part {
    std::string name;
    bool exists;
  };
  std::vector<Part> parts;
  const auto joined = [&] {
    std::string folder = parsed.base;
    for (const auto& part : parts) {
      folder = Join(folder, part.name);
    }
    return folder;
  };
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& name = parsed.names[i];
    if (name == ".") {
      continue;
    }
    if (name == "..") {
      if (!parts.empty() && parts.back().name != "..") {
        parts.pop_back();
      } else if (parsed.kind == PathKind::kRelative) {
        parts.push_back({"..", true});
      }
      continue;
    }
    const bool parentExists = parts.empty() || parts.back().exists;
    const auto found = parentExists ? FindName(joined(), name) : std::nullopt;
    parts.push_back({found.value_or(name), found.has_value()});
  }
  ResolvedFolder resolved;
  resolved.path = joined();
  resolved.exists = parts.empty() || parts.back().exists;
  resolved.isRoot = parts.empty() && parsed.kind != PathKind::kRelative;
  return resolved;
}

// Names that Windows refuses: a wildcard before the last name, a colon or a
// zero byte anywhere after the drive. The system's own paths may hold all of
// these in their folders' names (a program folder called "what?" is fine).
bool IsMalformed(const std::string& pattern, const ParsedPath& parsed, std::size_t folderCount) {
  if (pattern.find('\0') != pattern.npos) {
    return true;
  }
  if (parsed.kind == PathKind::kNative) {
    return false;
  }
  for (std::size_t i = 0; i < parsed.names.size(); ++i) {
    if ((i < folderCount && HasWildcards(parsed.names[i])) ||
        parsed.names[i].find(':') != std::string::npos) {
      return true;
    }
  }
  return false;
}

}  // namespace

PosixFileSystem::PosixFileSystem(std::string programFolder)
    : programFolder_(std::move(programFolder)) {}

std::string PosixFileSystem::ExecutableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) {
    return {};
  }
  return exe.parent_path().string();
}

std::string PosixFileSystem::FirstMatchingEntry(const std::string& pattern, unsigned attributes) {
  if (pattern.empty()) {
    return {};
  }
  const ParsedPath parsed = Parse(pattern, drives_);
  if (!parsed.mapped) {
    return {};
  }
  // A pattern ending in a separator (or a bare drive) lists the folder's
  // contents, as if "*" followed.
  const bool listing = parsed.trailingSeparator || parsed.names.empty();
  const std::size_t folderCount = listing ? parsed.names.size() : parsed.names.size() - 1;
  if (IsMalformed(pattern, parsed, folderCount)) {
    return {};
  }
  const std::string last = listing ? "*" : parsed.names.back();
  if (last == "." || last == "..") {
    const ResolvedFolder folder = Resolve(parsed, parsed.names.size());
    const bool found = folder.exists && IsFolder(folder.path.empty() ? "." : folder.path);
    return found && (attributes & kAttrDirectory) != 0 ? last : std::string();
  }

  const ResolvedFolder folder = Resolve(parsed, folderCount);
  if (!folder.exists) {
    return {};
  }
  const auto names = ListNames(folder.path);
  if (!names) {
    return {};
  }
  // The order of the listing: "." and ".." (not in a root), then the names in
  // byte order; a name without wildcards that exists as written comes first.
  std::vector<std::string> order;
  if (!folder.isRoot) {
    order = {".", ".."};
  }
  if (!HasWildcards(last) && std::binary_search(names->begin(), names->end(), last)) {
    order.push_back(last);
  }
  order.insert(order.end(), names->begin(), names->end());
  for (const auto& name : order) {
    if (NameMatches(last, name) && PassesAttributes(folder.path, name, attributes)) {
      return name;
    }
  }
  return {};
}

EntryKind PosixFileSystem::WhatIsHere(const std::string& path) const {
  const std::string native = NativePath(path);
  struct stat st {};
  if (native.empty() || ::stat(native.c_str(), &st) != 0) {
    return EntryKind::kNothing;
  }
  return S_ISDIR(st.st_mode) ? EntryKind::kFolder : EntryKind::kFile;
}

std::vector<std::string> PosixFileSystem::ListFolder(const std::string& folder) const {
  const std::string native = NativePath(folder);
  return native.empty() ? std::vector<std::string>()
                        : ListNames(native).value_or(std::vector<std::string>());
}

std::string PosixFileSystem::NativePath(const std::string& path) const {
  if (path.empty()) {
    return {};
  }
  const ParsedPath parsed = Parse(path, drives_);
  if (!parsed.mapped) {
    return {};
  }
  std::string native = Resolve(parsed, parsed.names.size()).path;
  if (native.empty()) {
    native = ".";
  }
  if (parsed.trailingSeparator && native.back() != '/') {
    native += '/';
  }
  return native;
}

void PosixFileSystem::LoadDriveMap(const std::string& iniPath) {
  std::vector<std::pair<std::string, std::string>> keys;
  if (!ReadIniSection(iniPath, "Drives", &keys)) {
    return;
  }
  // Only absolute folders are taken: the current folder changes with every
  // launch, so a relative one would stand for a different place each time.
  std::map<char, std::string> drives;
  for (const auto& [key, folder] : keys) {
    if (key.size() == 1 && IsAsciiLetter(key[0]) && !folder.empty() && folder[0] == '/') {
      drives.emplace(FoldAscii(key[0]), StripTrailingSlashes(folder));
    }
  }
  drives_ = std::move(drives);
}

}  // namespace tarvolin::sys

namespace tarvolin::sys {

std::string PosixFileSystem::DrivePathOf(const std::string& nativePath) const {
  if (nativePath.empty() || nativePath[0] != '/') {
    return nativePath;
  }
  // The drive whose folder is the longest leading part of the path, whole
  // names only: /media/data/x belongs to d=/media/data, not to c=/.
  char bestLetter = 0;
  std::size_t bestLength = 0;
  for (const auto& [letter, folder] : drives_) {
    std::string root = folder;
    while (root.size() > 1 && root.back() == '/') {
      root.pop_back();
    }
    const bool inside =
        root == "/" || (nativePath.compare(0, root.size(), root) == 0 &&
                        (nativePath.size() == root.size() || nativePath[root.size()] == '/'));
    const std::size_t length = root == "/" ? 0 : root.size();
    if (inside && (bestLetter == 0 || length > bestLength)) {
      bestLetter = letter;
      bestLength = length;
    }
  }
  if (bestLetter == 0) {
    return nativePath;
  }
  std::string rest = nativePath.substr(bestLength);
  std::replace(rest.begin(), rest.end(), '/', '\\');
  if (rest.empty() || rest[0] != '\\') {
    rest.insert(rest.begin(), '\\');
  }
  return std::string(1, static_cast<char>(bestLetter - 'a' + 'A')) + ":" + rest;
}

}  // namespace tarvolin::sys
