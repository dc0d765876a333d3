#include "support/temp_folder.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace tarvolin::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  // A new folder under a random name; create_directory says whether it made
  // the folder now, so a name that is taken already is passed over.
  std::random_device random;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / ("tarvolin-test-" + std::to_string(random()));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, ec);
      path_ = candidate.string();
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code ec;
  // Folders made read-only by a test must become writable to be removed.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string TempFolder::operator/(const std::string& relative) const {
#ifdef _WIN32
  std::string joined = path_ + "\\" + relative;
  std::replace(joined.begin() + static_cast<std::ptrdiff_t>(path_.size()), joined.end(), '/', '\\');
  return joined;
#else
  return path_ + "/" + relative;
#endif
}

std::string TempFolder::Write(const std::string& relative, const std::string& bytes) const {
  const fs::path path = fs::path(path_) / relative;
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + path.string());
  }
  return path.string();
}

std::string TempFolder::MakeFolder(const std::string& relative) const {
  const fs::path path = fs::path(path_) / relative;
  fs::create_directories(path);
  return path.string();
}

std::string TempFolder::Read(const std::string& relative) const {
  std::ifstream in(fs::path(path_) / relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempFolder::Exists(const std::string& relative) const {
  std::error_code ec;
  return fs::exists(fs::path(path_) / relative, ec);
}

}  // namespace tarvolin::testing
