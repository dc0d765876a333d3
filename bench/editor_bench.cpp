// The Qt editor's actions with a big table, against the same actions with
// a small one, measured in the same run: opening it, adding a new pair,
// adding a name that exists (Yes to its question), picking a row and
// removing one, each until the editor has drawn again. Run by hand (bench/run
// does), offscreen or on a display:
//
//   build/bench/editor_bench [RECORDS [SMALL]]
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "bar/dialog_models.h"
#include "bar/view.h"
#include "sys/posix/posix_filesystem.h"
#include "ui/dialogs.h"

namespace {

using namespace tarvolin;

class YesPrompts : public bar::Prompts {
 public:
  void Inform(bar::Owner, const std::string& text) override {
    std::fprintf(stderr, "told: %s\n", text.c_str());
  }
  bool AskYesNo(bar::Owner, const std::string&) override { return true; }
  std::string OpenFile(bar::Owner, const std::string&) override { return {}; }
};

double Milliseconds(const std::function<void()>& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  QApplication::processEvents();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// The worst of three of each action on a table of `records`.
std::map<std::string, double> Measure(long records) {
  // Loaded from a file, as the bar has it.
  const std::string path = QDir::temp().filePath(QStringLiteral("editor-bench.cfg")).toStdString();
  {
    std::ofstream cfg(path, std::ios::binary);
    for (long i = 0; i < records; ++i) {
      const std::string n = std::to_string(i);
      cfg << "www.vendor-name-" << n << ".example.org/application/folder/program-" << n
          << "\r\nname" << n << "\r\n";
    }
  }
  QuickcommandTable table;
  LoadQuickcommands(table, path);
  std::remove(path.c_str());
  sys::PosixFileSystem files(".");
  YesPrompts prompts;
  std::map<std::string, double> worst;
  const auto note = [&worst](const char* what, double ms) {
    worst[what] = std::max(worst[what], ms);
  };
  for (int round = 0; round < 3; ++round) {
    bar::EditorModel model(table, files, prompts, "", ".");
    std::unique_ptr<ui::QuickcommandEditor> editor;
    note("open", Milliseconds([&] {
           editor = std::make_unique<ui::QuickcommandEditor>(model);
           editor->show();
         }));
    // The user types the pair meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto* targetBox = editor->findChild<QLineEdit*>(QStringLiteral("targetBox"));
    auto* nameBox = editor->findChild<QLineEdit*>(QStringLiteral("nameBox"));
    auto* add = editor->findChild<QPushButton*>(QStringLiteral("add"));
    auto* remove = editor->findChild<QPushButton*>(QStringLiteral("remove"));
    auto* targets = editor->findChild<QTableView*>(QStringLiteral("targets"));
    const auto addPair = [&](const std::string& target, const std::string& name) {
      targetBox->setText(QString::fromStdString(target));
      nameBox->setText(QString::fromStdString(name));
      add->click();
    };
    const std::string n = std::to_string(round);
    note("add a new pair", Milliseconds([&] { addPair("www.new" + n + ".org", "new" + n); }));
    note("add an existing name", Milliseconds([&] { addPair("www.other.org", "name1"); }));
    note("pick a row", Milliseconds([&] { targets->selectRow(2); }));
    note("remove a row", Milliseconds([&] { remove->click(); }));
  }
  return worst;
}

}  // namespace

int main(int argc, char** argv) {
  const long records = argc > 1 ? std::atol(argv[1]) : 1000000;
  const long small = argc > 2 ? std::atol(argv[2]) : 1000;
  QApplication app(argc, argv);
  const auto big = Measure(records);
  const auto few = Measure(small);
  std::printf("%-22s %12ld %12ld %8s\n", "worst of 3 (ms)", records, small, "ratio");
  for (const auto& [what, ms] : big) {
    std::printf("%-22s %12.1f %12.1f %8.1f\n", what.c_str(), ms, few.at(what), ms / few.at(what));
  }
}
