#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace tarvolin::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::string templ = (fs::temp_directory_path() / "tarvolin-test-XXXXXX").string();
  if (::mkdtemp(templ.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary folder");
  }
  path_ = templ;
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
