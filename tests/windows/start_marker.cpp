// A program for the shell tests to start. It writes what it was started with
// to start_marker.txt beside itself: the current folder on the first line,
// the command line's argument count on the second. The file appears whole,
// renamed into place, so a test never reads half of it.
#include <windows.h>

#include <filesystem>
#include <fstream>

int main(int argc, char** /*argv*/) {
  char module[MAX_PATH];
  if (::GetModuleFileNameA(nullptr, module, MAX_PATH) == 0) {
    return 1;
  }
  const std::filesystem::path folder = std::filesystem::path(module).parent_path();
  std::ofstream(folder / "start_marker.tmp", std::ios::binary)
      << std::filesystem::current_path().string() << "\n"
      << argc - 1 << "\n";
  std::filesystem::rename(folder / "start_marker.tmp", folder / "start_marker.txt");
  return 0;
}
