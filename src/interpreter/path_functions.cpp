#include "interpreter/path_functions.h"

namespace tarvolin {

std::string NormalizeDrivePath(const std::string& p) {
  if (p.size() == 1) {
    return p + ":\\";
  }
  if (p.size() < 3 || p[2] != '\\') {
    return p.substr(0, 2) + "\\" + p.substr(std::min<std::size_t>(2, p.size()));
  }
  return p;
}

std::string FolderOfTarget(platform::FileSystem& files, const std::string& p) {
  std::string q = NormalizeDrivePath(p);
  // A dot anywhere but in the last place marks a file name: cut once, after
  // the last separator before the final character.
  const std::size_t dot = q.find('.');
  if (dot != std::string::npos && dot + 1 < q.size()) {
    const std::size_t cut = q.find_last_of("\\:", q.size() - 2);
    if (cut != std::string::npos) {
      q.erase(cut + 1);
    }
  }
  if (files.FirstMatchingEntry(q, platform::kAttrDirectory | platform::kAttrNormal).empty()) {
    return {};
  }
  return q;
}

bool IsValidTarget(platform::FileSystem& files, const std::string& s) {
  // Every test is made every time; only the first touches the file system.
  bool valid = false;
  if (s.size() >= 2 && s[1] == ':' && !FolderOfTarget(files, s).empty()) {
    valid = true;
  }
  if (s.compare(0, 7, "http://") == 0) {
    valid = true;
  }
  if (s.compare(0, 4, "www.") == 0) {
    valid = true;
  }
  if (s.compare(0, 8, "https://") == 0) {
    valid = true;
  }
  return valid;
}

}  // namespace tarvolin
