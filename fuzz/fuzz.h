// What the fuzz targets share: a temporary folder of their own, and a check
// that stops the run with a message when it fails.
#pragma once

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace tarvolin::fuzz {

inline void Check(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
  }
}

// One folder for the whole run, made at the first call.
inline const std::string& Folder() {
  static const std::string folder = [] {
    std::string path = (std::filesystem::temp_directory_path() / "tarvolin-fuzz-XXXXXX").string();
    Check(::mkdtemp(path.data()) != nullptr, "a temporary folder");
    return path;
  }();
  return folder;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace tarvolin::fuzz
