// The program on real widgets, offscreen: keys typed into the bar, the
// editor and the options driven through their controls, message boxes and
// the file dialog answered in advance, real files in a temporary folder
// mapped as drive C, and a shell that records what it was asked to open.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app.h"
#include "support/recording_shell.h"
#include "support/temp_folder.h"
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"

namespace tarvolin {
namespace {

using testing::RecordingShell;

constexpr char kSettings[] =
    "[Tarvolin]\r\nloca=4\r\nCaseSensitive=0\r\nAutoUpdate=0\r\nWebExtensions=com,org,net\r\n"
    "UpdateServer=http://127.0.0.1:9/\r\n";

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.Write("c/Games/run.exe", "");
    temp_.MakeFolder("prog");
    files_.SetDriveMap({{'c', temp_ / "c"}});
  }
  void TearDown() override { std::filesystem::current_path(start_); }

  void Start(const char* settings = kSettings) {
    if (settings != nullptr) {
      temp_.Write("prog/tv.ini", settings);
    }
    app_ = std::make_unique<App>(SystemServices{files_, profile_, shell_, nullptr}, prompter_);
    app_->clock = [this] { return now_; };
    app_->endProcess = [this] { ++ended_; };
    app_->Start();
  }
  ui::CommandBox& Box() { return app_->Bar().Box(); }
  void Run(const QString& line) {
    Box().setText(line);
    QTest::keyClick(&Box(), Qt::Key_Return);
  }
  // The box shows this text, all of it selected.
  void ExpectStatus(const QString& text) {
    EXPECT_EQ(Box().text(), text);
    EXPECT_EQ(Box().selectedText(), text);
  }
  template <typename T>
  T* In(Dialog dialog, const char* name) {
    ui::ToolWindow* window = app_->OpenDialog(dialog);
    return window == nullptr ? nullptr : window->findChild<T*>(QLatin1String(name));
  }
  static bool FocusIn(QWidget* widget) {
    return QTest::qWaitFor([widget] { return QApplication::focusWidget() == widget; }, 2000);
  }
  std::vector<RecordingShell::Call> Opened() { return std::exchange(shell_.calls, {}); }

  int argc_ = 1;
  char* argv_[1] = {const_cast<char*>("gui_test")};
  QApplication qt_{argc_, argv_};
  testing::TempFolder temp_;
  sys::PosixFileSystem files_{temp_ / "prog"};
  sys::IniStore profile_;
  RecordingShell shell_;
  ui::Prompter prompter_;
  std::unique_ptr<App> app_;
  double now_ = 100;
  int ended_ = 0;
  std::filesystem::path start_ = std::filesystem::current_path();
};

TEST_F(GuiTest, FirstRunWritesTheDefaultsAndOpensTheEditorOnTheSavedMessage) {
  Start(nullptr);
  EXPECT_TRUE(temp_.Exists("prog/tv.ini"));
  ExpectStatus("Settings Saved...");
  auto* target = In<QLineEdit>(Dialog::kEditor, "targetBox");
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->text(), "Settings Saved...");
  EXPECT_TRUE(FocusIn(In<QLineEdit>(Dialog::kEditor, "nameBox")));
  // The endings are known at once, in memory.
  Run("example.net");
  EXPECT_EQ(Opened(), (std::vector<RecordingShell::Call>{{"http://example.net", temp_ / "prog"}}));
}

TEST_F(GuiTest, EnterRunsTheLineOrShowsWhyNot) {
  temp_.Write(
      "prog/files.cfg",
      "c:\\games\\run.exe\r\nplay\r\nc:\\nowhere\\x.txt\r\nlost\r\nc:\\nowhere\\y\r\nquit\r\n");
  Start();
  QTest::keyClick(&Box(), Qt::Key_Return);
  EXPECT_EQ(Box().text(), "");
  Run("  frobnicate  ");
  ExpectStatus("Unknown command (F1 for help)");
  QTest::keyClick(&Box(), Qt::Key_Return);
  ExpectStatus("Unknown command (F1 for help)");

  const std::string games = std::filesystem::canonical(temp_ / "c/Games").string();
  Run("C:\\GAMES\\Run.exe");
  EXPECT_EQ(Box().text(), "");
  Run("PLAY");
  Run("WWW.X.org/Path");
  EXPECT_EQ(Opened(), (std::vector<RecordingShell::Call>{{"c:\\games\\run.exe", games},
                                                         {"c:\\games\\run.exe", games},
                                                         {"www.x.org/path", temp_ / "prog"}}));
  EXPECT_EQ(app_->History().entries,
            (std::vector<std::string>{"WWW.X.org/Path", "PLAY", "C:\\GAMES\\Run.exe"}));
  // A quickcommand whose target does not exist shows the target's status.
  Run("lost");
  ExpectStatus("-::Path not found::-");
  // One named quit whose target cannot run: the word itself ends the program.
  EXPECT_EQ(ended_, 0);
  Run("quit");
  EXPECT_EQ(ended_, 1);
}

TEST_F(GuiTest, WhatFailsToStartIsReportedAndTheLineStays) {
  Start();
  shell_.failure = "c:\\games\\run.exe: Exec format error";
  prompter_.AnswerInAdvance({});
  Run("c:\\games\\run.exe");
  ExpectStatus("c:\\games\\run.exe");
  EXPECT_EQ(prompter_.Asked(), QStringList{"Tarvolin: c:\\games\\run.exe: Exec format error -> "});
  EXPECT_EQ(app_->History().entries, std::vector<std::string>{""});
}

TEST_F(GuiTest, ALineLongerThanTheBarRunsIsRefusedWhole) {
  Start();
  const QString line = "c:\\games\\run.exe " + QString(40000, 'x');
  QApplication::clipboard()->setText(line);
  QTest::keyClick(&Box(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Box().text(), line);
  QTest::keyClick(&Box(), Qt::Key_Return);
  ExpectStatus("-::Line too long::-");
  EXPECT_TRUE(Opened().empty());
}

TEST_F(GuiTest, FunctionKeysOpenTheDialogsAndEndTheProgram) {
  Start();
  QTest::keyClick(&Box(), Qt::Key_F1, Qt::ShiftModifier);
  EXPECT_NE(app_->OpenDialog(Dialog::kHelp), nullptr);
  // After F1 an unknown word stays, selected, without a status text; the
  // submit after that shows the status again.
  Run("frobnicate");
  ExpectStatus("frobnicate");
  QTest::keyClick(&Box(), Qt::Key_Return);
  ExpectStatus("Unknown command (F1 for help)");

  // F2 hands the typed path to the editor, then empties the box.
  Box().setText("c:\\games\\run.exe");
  QTest::keyClick(&Box(), Qt::Key_F2);
  EXPECT_EQ(In<QLineEdit>(Dialog::kEditor, "targetBox")->text(), "c:\\games\\run.exe");
  EXPECT_EQ(Box().text(), "");
  app_->OpenDialog(Dialog::kEditor)->close();
  Run("edit");
  EXPECT_EQ(In<QLineEdit>(Dialog::kEditor, "targetBox")->text(), "");

  // F3 records even an empty box before the options open.
  Box().clear();
  QTest::keyClick(&Box(), Qt::Key_F3);
  EXPECT_NE(app_->OpenDialog(Dialog::kOptions), nullptr);
  EXPECT_EQ(app_->History().entries.front(), "");
  Run("mirelo");
  EXPECT_NE(app_->OpenDialog(Dialog::kHidden), nullptr);

  // Without a notification area Escape leaves the bar on screen.
  QTest::keyClick(&Box(), Qt::Key_Escape);
  EXPECT_TRUE(app_->Bar().isVisible());
  QTest::keyClick(&Box(), Qt::Key_F10);
  EXPECT_EQ(ended_, 1);
}

TEST_F(GuiTest, UpAndDownBrowseTheHistoryAndAPauseCompletesTheLine) {
  Start();
  Run("c:\\games\\run.exe");
  Run("notepad.com");
  QTest::keyClick(&Box(), Qt::Key_Down);
  ExpectStatus("notepad.com");
  QTest::keyClick(&Box(), Qt::Key_Down);
  QTest::keyClick(&Box(), Qt::Key_Down);
  ExpectStatus("c:\\games\\run.exe");
  QTest::keyClick(&Box(), Qt::Key_Up);
  ExpectStatus("notepad.com");
  QTest::keyClick(&Box(), Qt::Key_Up);
  EXPECT_EQ(Box().text(), "");

  QTest::keyClicks(&Box(), "c:\\ga");
  now_ += 0.75;
  app_->PlaceAndComplete();
  EXPECT_EQ(Box().text(), "c:\\ga");
  now_ += 0.01;
  app_->PlaceAndComplete();
  EXPECT_EQ(Box().text(), "c:\\games\\run.exe");
  EXPECT_EQ(Box().selectedText(), "mes\\run.exe");
  // Typing on replaces the proposal.
  QTest::keyClicks(&Box(), "x");
  EXPECT_EQ(Box().text(), "c:\\gax");
}

TEST_F(GuiTest, TabCompletesTheWordUnderTheCaretAndCyclesThroughTheCandidates) {
  temp_.Write("prog/files.cfg", "www.x.org\r\nplay\r\nwww.y.org\r\nplan\r\nwww.z.org\r\nplot\r\n");
  ::chmod(temp_.Write("bin/plot", "#!/bin/sh\n").c_str(), 0755);
  const std::string path = std::getenv("PATH");
  ::setenv("PATH", (temp_ / "bin").c_str(), 1);
  Start();
  QTest::keyClicks(&Box(), "run pl x");
  Box().setCursorPosition(6);
  for (const char* shown : {"run play x", "run plan x", "run plot x", "run play x"}) {
    QTest::keyClick(&Box(), Qt::Key_Tab);
    EXPECT_EQ(Box().text(), shown);
    EXPECT_EQ(Box().cursorPosition(), 8);
  }
  // A quickcommand named like a program wins; the program gets its words.
  Run("plot");
  Run("plot -x 'a b'");
  EXPECT_EQ(Opened(), (std::vector<RecordingShell::Call>{
                          {"www.z.org", temp_ / "prog"},
                          {temp_ / "bin/plot" + " -x a b", std::getenv("HOME")}}));
  ::setenv("PATH", path.c_str(), 1);
  Box().setText("c:\\ga");
  QTest::keyClick(&Box(), Qt::Key_Tab);
  EXPECT_EQ(Box().text(), "c:\\Games\\");
}

TEST_F(GuiTest, TheEditorAddsAsksRemovesAndSavesWhenItCloses) {
  temp_.Write("prog/files.cfg", "c:\\games\\run.exe\r\nplay\r\nwww.x.org\r\nx\r\n");
  Start();
  QTest::keyClick(&Box(), Qt::Key_F2);
  auto* target = In<QLineEdit>(Dialog::kEditor, "targetBox");
  auto* name = In<QLineEdit>(Dialog::kEditor, "nameBox");
  auto* names = In<QAbstractItemView>(Dialog::kEditor, "names");
  ASSERT_NE(names, nullptr);
  EXPECT_TRUE(FocusIn(target));

  // Browse takes the chosen file as a drive path and moves on to the name.
  prompter_.AnswerInAdvance({QString::fromStdString(temp_ / "c/Games/run.exe"), "no"});
  QTest::mouseClick(In<QPushButton>(Dialog::kEditor, "browse"), Qt::LeftButton);
  EXPECT_EQ(target->text(), "C:\\Games\\run.exe");
  EXPECT_TRUE(FocusIn(name));
  QTest::keyClicks(name, "play");
  QTest::keyClick(name, Qt::Key_Return);
  // "No" to changing play's target keeps the typed texts.
  EXPECT_EQ(prompter_.Asked().back(),
            "Tarvolin: 'play'already exists.\rChange file to: C:\\Games\\run.exe ??? -> no");
  EXPECT_EQ(name->text(), "play");

  target->setText("www.y.org");
  name->setText("y");
  QTest::keyClick(target, Qt::Key_Return);
  EXPECT_EQ(target->text(), "");
  EXPECT_EQ(names->model()->rowCount(), 3);

  // A click in the names shows the row; Delete there removes it.
  const QRect row = names->visualRect(names->model()->index(1, 1));
  QTest::mouseClick(names->viewport(), Qt::LeftButton, {}, row.center());
  EXPECT_EQ(target->text(), "www.x.org");
  EXPECT_EQ(name->text(), "x");
  QTest::keyClick(names, Qt::Key_Delete);
  QTest::keyClick(target, Qt::Key_Escape);
  EXPECT_EQ(app_->OpenDialog(Dialog::kEditor), nullptr);
  EXPECT_EQ(temp_.Read("prog/files.cfg"), "c:\\games\\run.exe\r\nplay\r\nwww.y.org\r\ny\r\n");
}

TEST_F(GuiTest, AnEditorThatCannotSaveSaysSoAndKeepsTheTable) {
  Start();
  QTest::keyClick(&Box(), Qt::Key_F2);
  In<QLineEdit>(Dialog::kEditor, "targetBox")->setText("www.x.org");
  In<QLineEdit>(Dialog::kEditor, "nameBox")->setText("x");
  QTest::keyClick(In<QLineEdit>(Dialog::kEditor, "nameBox"), Qt::Key_Return);
  temp_.MakeFolder("prog/files.cfg");
  prompter_.AnswerInAdvance({});
  app_->OpenDialog(Dialog::kEditor)->close();
  ASSERT_EQ(prompter_.Asked().size(), 1);
  EXPECT_TRUE(prompter_.Asked()[0].startsWith("Tarvolin: The quickcommands could not be saved"));
  Run("x");
  EXPECT_EQ(Opened().size(), 1u);
}

TEST(Hotkey, NamesInAnyCaseWithTheKeyLast) {
  const auto parsed = [](const char* text) {
    const auto combination = ui::ParseKeyCombination(text);
    return combination ? std::make_pair(combination->modifiers, combination->keysym)
                       : std::make_pair(std::uint16_t{0xffff}, 0u);
  };
  EXPECT_EQ(parsed("Ctrl+Alt+Space"), std::make_pair(std::uint16_t{4 | 8}, 0x20u));
  EXPECT_EQ(parsed(" super + r"), std::make_pair(std::uint16_t{64}, 0x72u));
  EXPECT_EQ(parsed("Shift+F12"), std::make_pair(std::uint16_t{1}, 0xffc9u));
  for (const char* wrong : {"", "Ctrl+Alt", "Ctrl+A+B", "Hyper+X", "F0", "Ctrl++"}) {
    EXPECT_EQ(parsed(wrong).first, 0xffff) << wrong;
  }
}

TEST_F(GuiTest, SettingsThatCannotBeSavedAreToldNeverReportedAsSaved) {
  temp_.MakeFolder("prog/tv.ini");
  prompter_.AnswerInAdvance({});
  Start(nullptr);
  app_->OpenDialog(Dialog::kEditor)->close();
  QTest::keyClick(&Box(), Qt::Key_F3);
  app_->OpenDialog(Dialog::kOptions)->close();
  const QString told = "Tarvolin: The settings could not be saved to " +
                       QString::fromStdString(temp_ / "prog/tv.ini") + ": ";
  ASSERT_EQ(prompter_.Asked().size(), 2);
  EXPECT_TRUE(prompter_.Asked()[0].startsWith(told)) << prompter_.Asked()[0].toStdString();
  EXPECT_TRUE(prompter_.Asked()[1].startsWith(told));
  EXPECT_NE(Box().text(), "Settings Saved...");
}

TEST_F(GuiTest, TheOptionsMoveTheBarAtOnceAndSaveEverythingWhenClosed) {
  Start();
  Run("options");
  const QPoint bottomRight = app_->Bar().pos();
  auto* topLeft = In<QRadioButton>(Dialog::kOptions, "corner1");
  ASSERT_NE(topLeft, nullptr);
  topLeft->click();
  // The dialog's own top corner sits 310 twips below the bar's height; the
  // bar's own placement takes it back to 0.
  EXPECT_EQ(app_->Bar().pos(), QPoint(0, -2));
  app_->PlaceAndComplete();
  EXPECT_EQ(app_->Bar().pos(), QPoint(0, 0));
  EXPECT_NE(bottomRight, app_->Bar().pos());
  In<QCheckBox>(Dialog::kOptions, "caseSensitive")->click();
  EXPECT_TRUE(app_->Settings().CaseSensitive);
  In<QCheckBox>(Dialog::kOptions, "autoUpdate")->click();
  EXPECT_FALSE(app_->Settings().AutoUpdate);  // only when the dialog closes
  In<QLineEdit>(Dialog::kOptions, "webExtensions")->setText("com,org,");
  app_->OpenDialog(Dialog::kOptions)->close();
  ExpectStatus("Settings Saved...");
  EXPECT_TRUE(app_->Settings().AutoUpdate);
  EXPECT_EQ(app_->Settings().WebExtensionList, (std::vector<std::string>{".com", ".org,"}));
  EXPECT_NE(temp_.Read("prog/tv.ini").find("loca= 1\r\nCaseSensitive= 1\r\nAutoUpdate= 1\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace tarvolin
