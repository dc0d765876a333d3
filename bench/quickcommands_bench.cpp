// Times the quickcommands and the command language at the table's full size
// of 32,767 records, in a temporary folder: loading and saving files.cfg,
// finding the last word, dispatching an existing drive path and completing
// over a full history.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "core/history.h"
#include "core/interpreter.h"
#include "core/quickcommands.h"
#include "sys/posix/posix_filesystem.h"

namespace {

constexpr int kRecords = 32767;
constexpr int kRuns = 15;

struct Timing {
  double median;
  double min;
};

Timing Measure(const std::function<void()>& run) {
  std::vector<double> ms;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    const auto end = std::chrono::steady_clock::now();
    ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return {ms[ms.size() / 2], ms.front()};
}

// Targets and names of the lengths people use: a program path some fifty
// bytes long, a short word, now and then a web address.
tarvolin::QuickcommandTable RealisticTable() {
  tarvolin::QuickcommandTable table;
  for (int i = 0; i < kRecords; ++i) {
    const std::string n = std::to_string(i);
    if (i % 5 == 0) {
      table.push_back({"http://www.example" + n + ".com/start/index.html", "site" + n});
    } else {
      table.push_back(
          {"C:\\Program Files\\Vendor " + n + "\\Application\\program" + n + ".exe", "prog" + n});
    }
  }
  return table;
}

}  // namespace

int main() {
  std::string folder = (std::filesystem::temp_directory_path() / "tarvolin-bench-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }

  tarvolin::QuickcommandTable table = RealisticTable();
  const std::string path = folder + "/files.cfg";
  std::string error;
  if (!tarvolin::SaveQuickcommands(table, true, path, &error)) {
    std::fprintf(stderr, "cannot write files.cfg: %s\n", error.c_str());
    return 1;
  }
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(path, ec);

  tarvolin::QuickcommandTable loaded;
  const Timing load = Measure([&] { tarvolin::LoadQuickcommands(loaded, path); });
  bool saveFailed = false;
  const Timing save = Measure([&] {
    if (!tarvolin::SaveQuickcommands(table, true, path, &error)) {
      saveFailed = true;
    }
  });

  std::printf("files.cfg: %d records, %llu bytes, %d runs each\n", static_cast<int>(loaded.size()),
              static_cast<unsigned long long>(bytes), kRuns);
  std::printf("%-28s %10s %10s\n", "operation", "median ms", "min ms");
  std::printf("%-28s %10.2f %10.2f\n", "LoadQuickcommands", load.median, load.min);
  std::printf("%-28s %10.2f %10.2f\n", "SaveQuickcommands (+reload)", save.median, save.min);

  std::filesystem::create_directories(folder + "/Games");
  std::fclose(std::fopen((folder + "/Games/run.exe").c_str(), "w"));
  tarvolin::sys::PosixFileSystem files(folder);
  files.SetDriveMap({{'c', folder}});
  tarvolin::SettingsState settings;
  settings.WebExtensionList = {".com", ".org", ".net"};
  tarvolin::CommandHistory history{{"notepad++ portable", "note", "notepad", "nothing"}, -1};
  bool found = true;
  const Timing last = Measure(
      [&] { found = tarvolin::FindQuickcommand(loaded, "Prog32766", false) != nullptr && found; });
  const Timing drive = Measure([&] {
    found = tarvolin::DispatchCommand("C:\\Games\\Run.exe", settings, files).kind ==
                tarvolin::Command::Kind::kRunPath &&
            found;
  });
  const Timing complete =
      Measure([&] { found = tarvolin::CompleteFromHistory(history, "no") && found; });
  std::printf("%-28s %10.4f %10.4f\n", "FindQuickcommand, last word", last.median, last.min);
  std::printf("%-28s %10.4f %10.4f\n", "DispatchCommand, drive path", drive.median, drive.min);
  std::printf("%-28s %10.4f %10.4f\n", "CompleteFromHistory", complete.median, complete.min);
  std::filesystem::remove_all(folder, ec);
  if (!found || saveFailed || static_cast<int>(loaded.size()) != kRecords) {
    std::fprintf(stderr, "a run did not load or save every record\n");
    return 1;
  }
  return 0;
}
