// Drive paths: whatever follows the letter, the path never leads outside the
// folder the letter is mapped to, and a directory search never fails hard.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/interpreter.h"
#include "fuzz.h"
#include "sys/posix/posix_filesystem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarvolin;
  static const std::string drive = [] {
    const std::string folder = fuzz::Folder() + "/drive";
    std::filesystem::create_directories(folder + "/Games/Sub");
    fuzz::WriteFile(folder + "/Games/run.exe", "x");
    return folder;
  }();
  sys::PosixFileSystem files("/");
  files.SetDriveMap({{'c', drive}});
  const std::string path = "c:" + std::string(reinterpret_cast<const char*>(data), size);
  const std::string native = files.NativePath(path);
  fuzz::Check(native.empty() || native == drive || native.rfind(drive + "/", 0) == 0,
              "a drive path stays inside its folder");
  files.FirstMatchingEntry(path, sys::kAttrDirectory | sys::kAttrHidden);
  IsValidTarget(files, path);
  if (!path.empty()) {
    NormalizeDrivePath(path);
  }
  return 0;
}
