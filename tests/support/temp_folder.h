// A temporary folder that lives for one test, with small file helpers.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace tarvolin::testing {

class TempFolder {
 public:
  TempFolder() {
    // A new folder under a random name: create_directory says whether it
    // made the folder now, so a name that is taken already is passed over.
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    do {
      path_ = (base / ("tarvolin-test-" + std::to_string(random()))).string();
    } while (!std::filesystem::create_directory(path_));
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  // The path of a file or folder inside, in the system's form ("/" in
  // `relative` becomes "\\" on Windows).
  std::string operator/(const std::string& relative) const {
    return (std::filesystem::path(path_) / relative).make_preferred().string();
  }

  // Writes the bytes to a file inside (folders made as needed); gives its path.
  std::string Write(const std::string& relative, const std::string& bytes) const {
    const std::string path = *this / relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // The bytes of a file inside; empty when there is none.
  std::string Read(const std::string& relative) const {
    std::ifstream in(*this / relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  bool Exists(const std::string& relative) const {
    return std::filesystem::exists(*this / relative);
  }

 private:
  std::string path_;
};

}  // namespace tarvolin::testing
