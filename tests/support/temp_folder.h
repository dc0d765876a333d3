// A temporary folder that lives for one test, with small file helpers.
#pragma once

#include <string>

namespace tarvolin::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  // Path of a file or folder inside, joined with "/" (with "\\" on Windows,
  // where "/" in `relative` becomes "\\" too).
  std::string operator/(const std::string& relative) const;

  // Writes the bytes to a file inside (folders created as needed); returns
  // its full path.
  std::string Write(const std::string& relative, const std::string& bytes) const;
  std::string MakeFolder(const std::string& relative) const;
  // The bytes of a file inside; empty when it does not exist.
  std::string Read(const std::string& relative) const;
  bool Exists(const std::string& relative) const;

 private:
  std::string path_;
};

}  // namespace tarvolin::testing
