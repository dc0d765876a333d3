// A program for the shell tests to start. It writes what it was started with
// to start_marker.txt beside itself: the current folder on the first line,
// the command line's argument count on the second. The file appears whole,
// renamed into place, so a test never reads half of it.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** /*argv*/) {
  char module[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
  if (length == 0 || length == MAX_PATH) {
    return 1;
  }
  std::string folder(module, length);
  folder.erase(folder.find_last_of('\\') + 1);

  char current[MAX_PATH];
  const DWORD currentLength = ::GetCurrentDirectoryA(MAX_PATH, current);
  if (currentLength == 0 || currentLength >= MAX_PATH) {
    return 1;
  }
  const std::string text =
      std::string(current, currentLength) + "\n" + std::to_string(argc - 1) + "\n";

  const std::string temporary = folder + "start_marker.tmp";
  std::FILE* out = std::fopen(temporary.c_str(), "wb");
  if (out == nullptr) {
    return 1;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  if (std::fclose(out) != 0 || !written) {
    return 1;
  }
  return ::MoveFileExA(temporary.c_str(), (folder + "start_marker.txt").c_str(),
                       MOVEFILE_REPLACE_EXISTING)
             ? 0
             : 1;
}
