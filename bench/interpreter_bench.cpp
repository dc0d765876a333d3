// Times the command language on the paths a user meets every day:
//   RunQuickcommand for a word at the end of a full table (32,767 entries),
//   DispatchCommand for an existing drive path (checks, folder change,
//   launch handed to a shell that starts nothing), and
//   the completion check over a full history.
// Prints the median and the minimum of each, in microseconds.

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bar/completion.h"
#include "bar/form1.h"
#include "bar/program.h"
#include "interpreter/dispatch.h"
#include "platform/posix/ini_store.h"
#include "platform/posix/posix_filesystem.h"
#include "platform/posix/posix_system.h"
#include "platform/qt/qt_toolkit.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class NullShell : public tarvolin::platform::Shell {
 public:
  void Open(const std::string&) override { ++opened; }
  int opened = 0;
};

template <typename F>
void Time(const char* name, int runs, F&& body) {
  std::vector<double> us;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    body();
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  std::sort(us.begin(), us.end());
  std::printf("%-44s %12.1f %10.1f\n", name, us[us.size() / 2], us.front());
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  std::string templ = (fs::temp_directory_path() / "tarvolin-bench-XXXXXX").string();
  if (::mkdtemp(templ.data()) == nullptr) {
    return 1;
  }
  const fs::path root(templ);
  fs::create_directories(root / "prog");
  fs::create_directories(root / "Games");
  std::ofstream(root / "Games" / "run.exe") << "#!/bin/sh\n";
  std::ofstream(root / "prog" / "tv.ini", std::ios::binary)
      << "[Tarvolin]\r\nloca=4\r\nCaseSensitive=0\r\nWebExtensions=com,org,net\r\n";
  {
    std::ofstream cfg(root / "prog" / "files.cfg", std::ios::binary);
    for (int i = 0; i < 32767; ++i) {
      cfg << "C:\\Games\\Folder" << i << "\\program" << i << ".exe\r\nword" << i << "\r\n";
    }
  }

  tarvolin::platform::QtToolkit ui;
  tarvolin::platform::PosixFileSystem files((root / "prog").string());
  files.SetDriveMap({{'c', root.string()}});
  tarvolin::platform::IniStore profile;
  NullShell shell;
  tarvolin::platform::PosixSystem system;
  tarvolin::platform::Platform platform{ui, files, profile, shell, system};
  tarvolin::Program program(platform);
  program.Start();
  tarvolin::Form1& form1 = program.form1();

  std::printf("%-44s %12s %10s\n", "operation", "median us", "min us");
  Time("RunQuickcommand, last of 32,767 words", 41, [&] {
    form1.Text1().SetText("word32766");
    tarvolin::RunQuickcommand(program, "word32766");
  });
  Time("RunQuickcommand, no match in 32,767 words", 41,
       [&] { tarvolin::RunQuickcommand(program, "nothing"); });
  Time("DispatchCommand, existing drive path", 201, [&] {
    form1.Text1().SetText("c:\\games\\run.exe");
    tarvolin::DispatchCommand(program, "c:\\games\\run.exe");
  });
  Time("DispatchCommand, unknown word", 201,
       [&] { tarvolin::DispatchCommand(program, "nonsense"); });
  program.bar.CommandHistory = {"notepad++ portable", "note", "notepad", "nothing"};
  Time("completion over a full history", 2001, [&] {
    form1.Text1().SetText("no");
    form1.Text1().SetSelStart(2);
    tarvolin::CompleteFromHistory(program.bar, form1.Text1());
  });

  fs::remove_all(root);
  return shell.opened > 0 ? 0 : 1;
}
