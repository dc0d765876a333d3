#include "support/qt/bar_fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <fstream>
#include <sstream>

#include "bar/dialog_form.h"
#include "bar/form1.h"
#include "platform/qt/qt_controls.h"
#include "support/qt/test_app.h"

namespace tarvolin::testing {

namespace fs = std::filesystem;

namespace {

void MakeExecutable(const std::string& path) {
  fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec,
                  fs::perm_options::replace);
}

}  // namespace

BarFixture::BarFixture() : programFolder_(drive_.MakeFolder("prog")), files_(programFolder_) {
  EnsureApplication();
  drive_.MakeFolder("markers");
  files_.SetDriveMap({{'c', drive_.Path()}});
  const std::string opener =
      drive_.Write("opener.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" +
                                    (drive_ / "opened.txt") + "'\n");
  MakeExecutable(opener);
  shell_ = std::make_unique<platform::PosixShell>(files_, opener);
  platform_ = std::make_unique<platform::Platform>(
      platform::Platform{ui_, files_, profile_, *shell_, system_});
}

BarFixture::~BarFixture() {
  program_.reset();
  fs::current_path(originalFolder_);
}

Program& BarFixture::Start(const std::string& settingsLines,
                           const std::vector<QuickcommandEntry>& quickcommands) {
  drive_.Write("prog/tv.ini", "[Tarvolin]\r\n" + settingsLines);
  std::string records;
  for (const QuickcommandEntry& entry : quickcommands) {
    records += entry.Target + "\r\n" + entry.Name + "\r\n";
  }
  drive_.Write("prog/files.cfg", quickcommands.empty() ? "\r\n\r\n" : records);
  program_ = std::make_unique<Program>(*platform_);
  program_->Start();
  return *program_;
}

void BarFixture::AddProgram(const std::string& relativePath, const std::string& marker) {
  const std::string path =
      drive_.Write(relativePath, "#!/bin/sh\npwd > '" + (drive_ / ("markers/" + marker)) + "'\n");
  MakeExecutable(path);
}

QWidget* BarFixture::BoxWidget() {
  return dynamic_cast<platform::QtTextBox&>(program_->form1().Text1()).Widget();
}

std::vector<Dialog> BarFixture::OpenDialogs() {
  std::vector<Dialog> open;
  for (const Dialog dialog : {Dialog::kHelp, Dialog::kEditor, Dialog::kOptions, Dialog::kHidden}) {
    DialogForm* form = program_->LoadedDialog(dialog);
    if (form != nullptr && form->Window().Visible()) {
      open.push_back(dialog);
    }
  }
  return open;
}

void BarFixture::Press(int qtKey, int modifiers) {
  QWidget* box = BoxWidget();
  QKeyEvent down(QEvent::KeyPress, qtKey, Qt::KeyboardModifiers(modifiers));
  QApplication::sendEvent(box, &down);
  QKeyEvent up(QEvent::KeyRelease, qtKey, Qt::KeyboardModifiers(modifiers));
  QApplication::sendEvent(box, &up);
}

void BarFixture::SetBoxText(const std::string& text) {
  program_->form1().Text1().SetText(text);
}

std::string BarFixture::BoxText() {
  return program_->form1().Text1().Text();
}

void BarFixture::Type(const std::string& text) {
  QWidget* box = BoxWidget();
  const QString typed = QString::fromUtf8(text.c_str());
  for (const QChar c : typed) {
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(box, &key);
  }
}

void BarFixture::Enter(const std::string& line) {
  SetBoxText(line);
  program_->form1().Text1_KeyDown(platform::kKeyReturn, 0);
}

void BarFixture::Submit(const std::string& text) {
  Type(text);
  Press(Qt::Key_Return);
}

std::string BarFixture::WaitForMarker(const std::string& marker) {
  const std::string path = drive_ / ("markers/" + marker);
  PumpUntil([&] { return fs::exists(path) && fs::file_size(path) > 0; }, 10000);
  std::string folder = drive_.Read("markers/" + marker);
  while (!folder.empty() && folder.back() == '\n') {
    folder.pop_back();
  }
  return folder;
}

std::vector<std::string> BarFixture::Markers() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(drive_ / "markers")) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> BarFixture::Opened(std::size_t count) {
  auto read = [&] {
    std::vector<std::string> lines;
    std::istringstream in(drive_.Read("opened.txt"));
    for (std::string line; std::getline(in, line);) {
      lines.push_back(line);
    }
    return lines;
  };
  PumpUntil([&] { return read().size() >= count; }, 10000);
  return read();
}

}  // namespace tarvolin::testing
