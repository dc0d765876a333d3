// The list unrolled by Tab, with 500 and with 20,000 quickcommands and as
// many desktop applications: the first Tab (candidates gathered, the list
// shown) and each letter typed after it (the list filtered), against a
// peer in the same run: Qt's own filter of a string list (QStringList's
// filter, any case) over the same names, which only looks for the letters
// together and ranks nothing. The target is a 60 Hz frame, 16 ms. Run by
// hand:
//
//   build/bench/list_bench build/bin/libtarvolin_apps.so
#include <dlfcn.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <QStringList>

#include "null_view.h"
#include "sys/applications.h"
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"
#include "sys/posix/posix_shell.h"

namespace {

using namespace tarvolin;
using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Names of a few words each, as people give them.
std::string NameOf(int i) {
  static const char* const kWords[] = {"mail",   "notes",  "project", "backup", "music",
                                       "photos", "server", "report",  "games",  "docs"};
  return std::string(kWords[i % 10]) + " " + kWords[(i / 10) % 10] + " " + std::to_string(i);
}

// The first Tab after "p" (what Tab offers gathered), then the worst and
// mean of a Tab after "p" and of each letter of "projec" typed on.
struct Figures {
  double firstTab = 0;
  double tabWorst = 0;
  double tabMean = 0;
  double worst = 0;
  double mean = 0;
  std::size_t rows = 0;
};

Figures Measure(sys::Applications* applications, const std::string& folder) {
  sys::PosixFileSystem files(folder);
  sys::IniStore profile;
  sys::PosixShell shell(files);
  bar::NullView view;
  bar::System system{files, profile, shell};
  system.applications = applications;
  system.programs = [] { return std::vector<std::string>(); };
  bar::BarRules rules(system, view);
  view.rules = &rules;
  rules.Start();
  rules.OnShown();
  // The quickcommands and the names are in before the user's first Tab
  // (a line entered, the names read beside the GUI thread).
  view.SetText("zzz");
  rules.OnKey(bar::Key::kEnter);
  if (applications != nullptr) {
    applications->Names();
  }
  Figures figures;
  view.SetText("p");
  const auto first = Clock::now();
  rules.OnKey(bar::Key::kTab);
  figures.firstTab = Since(first);
  // Five rounds: a Tab after "p", then the letters of "projec" typed on.
  const std::string typed = "projec";
  const int rounds =
      std::getenv("LIST_BENCH_ROUNDS") ? std::atoi(std::getenv("LIST_BENCH_ROUNDS")) : 5;
  for (int round = 0; round < rounds; ++round) {
    // A click in the box closes the list: the Tab starts afresh.
    rules.OnBoxClicked();
    view.SetText("p");
    auto start = Clock::now();
    rules.OnKey(bar::Key::kTab);
    const double tab = Since(start);
    figures.tabWorst = std::max(figures.tabWorst, tab);
    figures.tabMean += tab / rounds;
    for (std::size_t letters = 2; letters <= typed.size(); ++letters) {
      start = Clock::now();
      view.SetText(typed.substr(0, letters));
      const double ms = Since(start);
      figures.worst = std::max(figures.worst, ms);
      figures.mean += ms / static_cast<double>((typed.size() - 1) * rounds);
    }
  }
  figures.rows = view.rows;
  return figures;
}

// Qt's string-list filter over the same names, for each letter typed: the
// worst of five rounds.
double QtFilter(int count) {
  QStringList names;
  for (int i = 0; i < count; ++i) {
    names << QString::fromStdString(NameOf(i))
          << QString::fromStdString(NameOf(i * 7 + 3) + " app");
  }
  const QString typed = QStringLiteral("projec");
  double worst = 0;
  for (int round = 0; round < 5; ++round) {
    for (qsizetype letters = 2; letters <= typed.size(); ++letters) {
      const auto start = Clock::now();
      const QStringList kept = names.filter(typed.left(letters), Qt::CaseInsensitive);
      worst = std::max(worst, Since(start));
      if (kept.isEmpty()) {
        std::fprintf(stderr, "list_bench: Qt's filter kept nothing\n");
      }
    }
  }
  return worst;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::unique_ptr<sys::Applications> applications;
  const std::filesystem::path root = std::filesystem::temp_directory_path() / "list_bench";
  std::printf("%-8s %10s %10s %10s %13s %12s %5s %16s %6s\n", "entries", "first Tab", "Tab worst",
              "Tab mean", "filter worst", "filter mean", "rows", "Qt filter worst", "ratio");
  for (const int count : {500, 20000}) {
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "prog");
    std::filesystem::create_directories(root / "share/applications");
    std::ofstream table(root / "prog/files.cfg", std::ios::binary);
    for (int i = 0; i < count; ++i) {
      table << "www.example.org/" << i << "\r\n" << NameOf(i) << "\r\n";
      std::ofstream(root / "share/applications" / ("app" + std::to_string(i) + ".desktop"))
          << "[Desktop Entry]\nType=Application\nName=" << NameOf(i * 7 + 3) << " app\nExec=true\n";
    }
    table.close();
    std::ofstream(root / "prog/tv.ini") << "[Tarvolin]\r\nloca=4\r\nAutoUpdate=0\r\n";
    ::setenv("XDG_DATA_HOME", (root / "share").c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (root / "none").c_str(), 1);
    if (argc > 1) {
      void* module = ::dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
      const auto create = module != nullptr ? reinterpret_cast<sys::ApplicationsFactory>(
                                                  ::dlsym(module, sys::kApplicationsFactoryName))
                                            : nullptr;
      if (create == nullptr) {
        std::fprintf(stderr, "list_bench: %s\n", ::dlerror());
        return 1;
      }
      applications.reset(create());
    }
    const Figures figures = Measure(applications.get(), (root / "prog").string());
    const double qt = QtFilter(count);
    std::printf("%-8d %10.2f %10.2f %10.2f %13.2f %12.2f %5zu %16.2f %6.1f\n", count,
                figures.firstTab, figures.tabWorst, figures.tabMean, figures.worst, figures.mean,
                figures.rows, qt, figures.worst / qt);
    applications.reset();
  }
  std::filesystem::remove_all(root);
  return 0;
}
