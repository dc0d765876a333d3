// A files.cfg of a million records (about 112 MB) through the bar's rules,
// as the GUI thread sees them: the editor opens, one entry is added, the
// editor closes. Prints how long closing held the GUI thread against how long
// the save took in all, and the peak memory of the close and save against
// the file's size. Run by hand:
//
//   build/bench/big_save_bench [RECORDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bar/rules.h"
#include "bar/view.h"
#include "null_view.h"
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"
#include "sys/posix/posix_shell.h"

namespace {

using namespace tarvolin;
using namespace tarvolin::bar;

// The peak resident memory since the last reset, in MiB; a reset starts a
// new peak at what is resident now.
double PeakMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) {
      return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    }
  }
  return 0;
}
void ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  const long records = argc > 1 ? std::atol(argv[1]) : 1000000;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("big-save-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  {
    std::ofstream cfg(folder / "files.cfg", std::ios::binary);
    for (long i = 0; i < records; ++i) {
      const std::string n = std::to_string(i);
      cfg << "C:\\Program Files\\Vendor Name " << n << "\\Application Folder\\bin\\program-" << n
          << ".exe\r\nquickcommand-" << n << "\r\n";
    }
    std::ofstream(folder / "tv.ini") << "[Tarvolin]\r\nloca=4\r\nAutoUpdate=0\r\n";
  }
  const double fileMiB =
      static_cast<double>(std::filesystem::file_size(folder / "files.cfg")) / (1024.0 * 1024.0);

  sys::PosixFileSystem files(folder.string());
  sys::IniStore profile;
  sys::PosixShell shell(files);
  NullView view;
  double closed = 0;
  double saved = 0;
  double peak = 0;
  double loadPeak = 0;
  {
    BarRules rules({files, profile, shell, folder.string(), folder.string(), "", nullptr}, view);
    rules.Start();
    rules.OnShown();
    rules.OnKey(Key::kF2);
    rules.Editor()->Add("www.example.org", "added");
    loadPeak = PeakMiB();
    ResetPeak();
    const auto start = std::chrono::steady_clock::now();
    rules.OnDialogClosed(Dialog::kEditor);
    closed = Since(start);
    // F10 waits for the save under way before the bar ends.
    rules.OnKey(Key::kF10);
    saved = Since(start);
    peak = PeakMiB();
  }
  std::printf("records %ld, files.cfg %.1f MiB\n", records, fileMiB);
  std::printf("GUI thread held by the close: %8.1f ms\n", closed);
  std::printf("save in all:                  %8.1f ms (GUI held %.3f of it)\n", saved,
              closed / saved);
  std::printf("peak memory, load and edit:    %7.1f MiB (%.2fx the file)\n", loadPeak,
              loadPeak / fileMiB);
  std::printf("peak memory, close and save:   %7.1f MiB (%.2fx the file)\n", peak, peak / fileMiB);
  std::filesystem::remove_all(folder);
}
