// The program on real widgets under a real window manager (openbox on Xvfb,
// tests/display): keys typed into the bar, the editor and the options driven
// through their controls, message boxes and the file dialog answered in
// advance, real files in a temporary folder mapped as drive C, and a shell
// that records what it was asked to open.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <xcb/xcb.h>

#include "app.h"
#include "support/temp_folder.h"
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"
#include "ui/x11_window_state.h"

namespace tarvolin {
namespace {

// What a shell was asked to open or start, and the folder it starts in.
using Calls = std::vector<std::pair<std::string, std::string>>;

// A shell that records each call and answers with `failure` (empty: it
// started); `failed` are openings that failed later.
struct RecordingShell : sys::Shell {
  std::string Open(const std::string& target) override {
    calls.emplace_back(target, std::filesystem::current_path().string());
    return failure;
  }
  std::string Start(const std::string& program, const std::vector<std::string>&,
                    const std::string& folder) override {
    calls.emplace_back(program, folder);
    return failure;
  }
  std::vector<std::string> FailedOpenings() override { return std::exchange(failed, {}); }
  Calls calls;
  std::string failure;
  std::vector<std::string> failed;
};

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.Write("c/Games/run.exe", "");
    files_.SetDriveMap({{'c', temp_ / "c"}});
  }
  void TearDown() override { std::filesystem::current_path(start_); }

  // Starts the program with these quickcommands.
  // Starts the program with these quickcommands (and these further lines
  // of tv.ini).
  void Start(const char* quickcommands = "", const std::string& settings = "") {
    temp_.Write("prog/files.cfg", quickcommands);
    temp_.Write("prog/tv.ini",
                "[Tarvolin]\r\nloca=4\r\nCaseSensitive=0\r\nAutoUpdate=0\r\n"
                "WebExtensions=com,org\r\n" +
                    settings);
    app_ = std::make_unique<App>(SystemServices{files_, profile_, shell_, nullptr}, prompter_);
    app_->clock = [this] { return now_; };
    app_->endProcess = [this] { ++ended_; };
    app_->Start();
  }
  ui::CommandBox& Box() { return app_->Bar().Box(); }
  void Key(Qt::Key key, QWidget* widget = nullptr) {
    QTest::keyClick(widget ? widget : &Box(), key);
  }
  void Run(const QString& line) {
    Box().setText(line);
    Key(Qt::Key_Return);
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
  Calls Opened() { return std::exchange(shell_.calls, {}); }

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

TEST_F(GuiTest, EnterRunsTheLineOrShowsWhyNotAndFunctionKeys) {
  Start("c:\\games\\run.exe\r\nplay\r\nc:\\nowhere\\y\r\nquit\r\n");
  Run("  frobnicate  ");
  ExpectStatus("Unknown command (F1 for help)");
  const std::string games = std::filesystem::canonical(temp_ / "c/Games").string();
  Run("C:\\GAMES\\Run.exe");
  EXPECT_EQ(Box().text(), "");
  Run("PLAY");
  Run("WWW.X.org/Path");
  EXPECT_EQ(Opened(), (Calls{{"c:\\games\\run.exe", games},
                             {"c:\\games\\run.exe", games},
                             {"www.x.org/path", temp_ / "prog"}}));
  EXPECT_EQ(app_->History().entries,
            (std::vector<std::string>{"WWW.X.org/Path", "PLAY", "C:\\GAMES\\Run.exe"}));

  // What fails to start is reported, and the line stays.
  shell_.failure = "c:\\games\\run.exe: Exec format error";
  prompter_.AnswerInAdvance({});
  Run("c:\\games\\run.exe");
  ExpectStatus("c:\\games\\run.exe");
  EXPECT_EQ(prompter_.Asked(), QStringList{"Tarvolin: c:\\games\\run.exe: Exec format error -> "});
  EXPECT_EQ(app_->History().entries.front(), "WWW.X.org/Path");

  // A line longer than the bar runs is refused whole, never cut.
  const QString line = "c:\\games\\run.exe " + QString(40000, 'x');
  QApplication::clipboard()->setText(line);
  Box().clear();
  QTest::keyClick(&Box(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Box().text(), line);
  Key(Qt::Key_Return);
  ExpectStatus("-::Line too long::-");
  EXPECT_EQ(Opened().size(), 1u);

  // After F1 an unknown word stays, selected, without a status text; the
  // submit after that shows the status again.
  QTest::keyClick(&Box(), Qt::Key_F1, Qt::ShiftModifier);
  EXPECT_EQ(app_->OpenDialog(Dialog::kHelp)->windowTitle(), "Tarvolin - Version 0.87 BETA");
  Run("frobnicate");
  ExpectStatus("frobnicate");
  Key(Qt::Key_Return);
  ExpectStatus("Unknown command (F1 for help)");
  // Without a notification area Escape leaves the bar on screen; F10 ends the
  // program, and so does one named quit whose target cannot run.
  Key(Qt::Key_Escape);
  EXPECT_TRUE(app_->Bar().isVisible());
  Key(Qt::Key_F10);
  Run("quit");
  EXPECT_EQ(ended_, 2);
}

// Down goes to older lines, Up to newer ones; a pause completes the line
// from them; Tab puts a candidate in place of the word under the caret and
// the next Tab the next one.
TEST_F(GuiTest, HistoryKeysCompletionAndTab) {
  Start("www.x.org\r\nplay\r\nwww.y.org\r\nplan\r\n");
  Run("c:\\games\\run.exe");
  Run("notepad.com");
  // clang-format off
  const std::pair<Qt::Key, const char*> keys[] = {
      {Qt::Key_Down, "notepad.com"}, {Qt::Key_Down, "c:\\games\\run.exe"},
      {Qt::Key_Down, "c:\\games\\run.exe"}, {Qt::Key_Up, "notepad.com"}, {Qt::Key_Up, ""}};
  // clang-format on
  for (const auto& [key, shown] : keys) {
    Key(key);
    ExpectStatus(shown);
  }
  QTest::keyClicks(&Box(), "c:\\ga");
  now_ += 0.76;
  app_->PlaceAndComplete();
  EXPECT_EQ(Box().text(), "c:\\games\\run.exe");
  EXPECT_EQ(Box().selectedText(), "mes\\run.exe");

  // No programs on PATH: only the quickcommands are candidates.
  const std::string path = std::getenv("PATH");
  ::setenv("PATH", (temp_ / "nowhere").c_str(), 1);
  Box().setText("run pl x");
  Box().setCursorPosition(6);
  for (const char* shown : {"run play x", "run plan x", "run play x"}) {
    Key(Qt::Key_Tab);
    EXPECT_EQ(Box().text(), shown);
    EXPECT_EQ(Box().cursorPosition(), 8);
  }
  ::setenv("PATH", path.c_str(), 1);
  Box().setText("c:\\ga");
  Key(Qt::Key_Tab);
  EXPECT_EQ(Box().text(), "c:\\Games\\");
}

TEST_F(GuiTest, TheEditorAddsAsksRemovesAndSavesWhenItCloses) {
  Start("c:\\games\\run.exe\r\nplay\r\nwww.x.org\r\nx\r\n");
  Key(Qt::Key_F2);
  auto* target = In<QLineEdit>(Dialog::kEditor, "targetBox");
  auto* name = In<QLineEdit>(Dialog::kEditor, "nameBox");
  auto* names = In<QAbstractItemView>(Dialog::kEditor, "names");
  ASSERT_NE(names, nullptr);
  EXPECT_TRUE(FocusIn(target));

  // Browse takes the chosen file as a drive path and moves on to the name.
  // Every stored name or target is asked about in turn, and each Yes
  // applies; "No" to the last question keeps the typed texts.
  prompter_.AnswerInAdvance(
      {QString::fromStdString(temp_ / "c/Games/run.exe"), "no", "yes", "no", "", ""});
  QTest::mouseClick(In<QPushButton>(Dialog::kEditor, "browse"), Qt::LeftButton);
  EXPECT_EQ(target->text(), "C:\\Games\\run.exe");
  EXPECT_TRUE(FocusIn(name));
  QTest::keyClicks(name, "play");
  Key(Qt::Key_Return, name);
  target->setText("www.x.org");
  Key(Qt::Key_Return, name);
  EXPECT_EQ(name->text(), "play");
  // A name without a target that can run is refused.
  target->setText("c:\\nowhere\\x.txt");
  Key(Qt::Key_Return, name);
  name->clear();
  Key(Qt::Key_Return, name);
  EXPECT_EQ(
      prompter_.Asked().mid(1),
      (QStringList{"Tarvolin: 'play'already exists.\rChange file to: C:\\Games\\run.exe ??? -> no",
                   "Tarvolin: 'play'already exists.\rChange file to: www.x.org ??? -> yes",
                   "Tarvolin: 'www.x.org'already exists.\rChange Quickcommand to: play ??? -> no",
                   "Tarvolin: 'c:\\nowhere\\x.txt'\ris not a valid command. -> ",
                   "Tarvolin: You must type a quickcommand for the file -> "}));

  // A click in the names shows the row; Delete there removes it. Once all
  // are gone, an added pair is the only one.
  for (const char* shown : {"x", "play"}) {
    const QRect row = names->visualRect(names->model()->index(names->model()->rowCount() - 1, 1));
    QTest::mouseClick(names->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(name->text(), shown);
    Key(Qt::Key_Delete, names);
  }
  target->setText("www.y.org");
  name->setText("y");
  Key(Qt::Key_Return, target);
  EXPECT_EQ(target->text(), "");
  EXPECT_EQ(names->model()->rowCount(), 1);
  Key(Qt::Key_Escape, target);
  EXPECT_EQ(app_->OpenDialog(Dialog::kEditor), nullptr);
  EXPECT_EQ(temp_.Read("prog/files.cfg"), "www.y.org\r\ny\r\n");

  // An editor that cannot save says so, and the table stays as edited.
  Key(Qt::Key_F2);
  In<QLineEdit>(Dialog::kEditor, "targetBox")->setText("www.z.org");
  In<QLineEdit>(Dialog::kEditor, "nameBox")->setText("z");
  Key(Qt::Key_Return, In<QLineEdit>(Dialog::kEditor, "nameBox"));
  std::filesystem::remove(temp_ / "prog/files.cfg");
  std::filesystem::create_directory(temp_ / "prog/files.cfg");
  app_->OpenDialog(Dialog::kEditor)->close();
  EXPECT_TRUE(
      prompter_.Asked().back().startsWith("Tarvolin: The quickcommands could not be saved"));
  Run("z");
  EXPECT_EQ(Opened(), (Calls{{"www.z.org", temp_ / "prog"}}));
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
  // tv.ini is a folder: nothing to read, and no file can be written.
  std::filesystem::create_directories(temp_ / "prog/tv.ini");
  prompter_.AnswerInAdvance({});
  app_ = std::make_unique<App>(SystemServices{files_, profile_, shell_, nullptr}, prompter_);
  app_->Start();
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

// The window's _NET_WM_STATE as xprop prints it.
std::string WindowStates(const QWidget& window) {
  QProcess xprop;
  xprop.start("xprop", {"-id", QString::number(window.winId()), "_NET_WM_STATE"});
  xprop.waitForFinished();
  return xprop.readAll().toStdString();
}

// The bar stays above other windows without a task-bar entry; a dialog
// unrolls to the place the rules give its framed window, takes the focus and
// gives it back to the bar when it closes.
// The 750 ms timer on its own: it tells an opening that failed later, stops
// once nothing is left to do, and an edit sets it going again, so that a
// pause completes the line.
TEST_F(GuiTest, TheTimerTellsFailedOpeningsAndCompletesAfterAPause) {
  Start();
  Run("www.x.org");
  shell_.failed = {"The desktop's opener, xdg-open, could not open http://www.x.org."};
  prompter_.AnswerInAdvance({});
  ASSERT_TRUE(QTest::qWaitFor([this] { return !prompter_.Asked().isEmpty(); }, 3000));
  EXPECT_TRUE(prompter_.Asked()[0].contains("could not open http://www.x.org"));
  now_ += 10;
  QTest::qWait(1600);
  QTest::keyClicks(&Box(), "www.x");
  now_ += 1;
  EXPECT_TRUE(QTest::qWaitFor([this] { return Box().selectedText() == ".org"; }, 3000))
      << Box().text().toStdString();
}

// --toggle hides the bar in front, and brings it back with the focus in its
// box. Qt may call the bar active a moment before the X server gives it the
// keys; the bar is in front once it has them.
TEST_F(GuiTest, ToggleHidesTheBarInFrontAndBringsItBackFocused) {
  Start();
  ASSERT_TRUE(QTest::qWaitFor([this] { return ui::x11::HasInputFocus(&app_->Bar()); }, 2000));
  app_->Toggle();
  EXPECT_FALSE(app_->Bar().isVisible());
  ASSERT_TRUE(QTest::qWaitFor([this] { return !app_->Bar().isActiveWindow(); }, 2000));
  app_->Toggle();
  // The X server gives the bar the keys, and the bar gives them to its box.
  EXPECT_TRUE(QTest::qWaitFor([this] { return ui::x11::HasInputFocus(&app_->Bar()); }, 2000));
  EXPECT_EQ(app_->Bar().focusWidget(), &Box());
}

// A key combination another program holds is told, not taken; a free one,
// pressed anywhere, is ours.
TEST(Hotkey, AKeyHeldElsewhereIsToldAndAFreeOneIsOurs) {
  int argc = 1;
  char* argv[] = {const_cast<char*>("gui_test")};
  QApplication qt(argc, argv);
  xcb_connection_t* other = xcb_connect(nullptr, nullptr);
  ASSERT_EQ(xcb_connection_has_error(other), 0);
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
  xcb_grab_key(other, 1, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT,
               XCB_GRAB_ANY, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
  // A round trip: the grab is in place before ours is tried.
  std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
  std::string error;
  EXPECT_EQ(ui::GlobalHotkey::Grab("Ctrl+Alt+Shift+F11", &error), nullptr);
  EXPECT_EQ(error, "Ctrl+Alt+Shift+F11 is taken by another program");
  xcb_disconnect(other);

  const auto hotkey = ui::GlobalHotkey::Grab("Ctrl+Shift+F12", &error);
  ASSERT_NE(hotkey, nullptr) << error;
  QSignalSpy pressed(hotkey.get(), &ui::GlobalHotkey::Pressed);
  EXPECT_EQ(QProcess::execute("xdotool", {"key", "ctrl+shift+F12"}), 0);
  EXPECT_TRUE(pressed.wait(3000));
  // Num Lock on does not stop it.
  EXPECT_EQ(QProcess::execute("xdotool", {"key", "Num_Lock", "ctrl+shift+F12", "Num_Lock"}), 0);
  EXPECT_TRUE(pressed.wait(3000));
  EXPECT_EQ(pressed.size(), 2);
}

// The bar's own key, held by another program, is told once in the box.
TEST_F(GuiTest, AHotkeyHeldElsewhereIsToldInTheBox) {
  xcb_connection_t* other = xcb_connect(nullptr, nullptr);
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
  xcb_grab_key(other, 1, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT,
               XCB_GRAB_ANY, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
  std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
  Start("", "Hotkey=Ctrl+Alt+Shift+R\r\n");
  EXPECT_TRUE(QTest::qWaitFor(
      [this] { return Box().text() == "Hotkey: Ctrl+Alt+Shift+R is taken by another program"; },
      3000))
      << Box().text().toStdString();
  EXPECT_EQ(Box().selectedText(), Box().text());
  xcb_disconnect(other);
}

// The table is read on a thread once the bar is on screen; a line entered
// while it is read waits for it.
TEST_F(GuiTest, ALineEnteredWhileTheTableIsReadWaitsForIt) {
  std::string records;
  for (int i = 0; i < 20000; ++i) {
    records += "www.site" + std::to_string(i) + ".org\r\nw" + std::to_string(i) + "\r\n";
  }
  Start(records.c_str());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&app_->Bar()));
  QTest::qWait(0);
  Run("W19999");
  EXPECT_EQ(Opened(), (Calls{{"www.site19999.org", temp_ / "prog"}}));
}

TEST_F(GuiTest, TheBarStaysAboveDialogsUnrollAboveItAndTheOptionsMoveIt) {
  Start();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&app_->Bar()));
  const std::string states = WindowStates(app_->Bar());
  EXPECT_NE(states.find("_NET_WM_STATE_ABOVE"), std::string::npos) << states;
  EXPECT_NE(states.find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos) << states;
  EXPECT_EQ(app_->Bar().frameGeometry(), QRect(774, 717, 250, 19));

  Key(Qt::Key_F1);
  ui::ToolWindow* help = app_->OpenDialog(Dialog::kHelp);
  ASSERT_NE(help, nullptr);
  QTest::qWait(200);
  // It starts as a strip (its frame and one pixel) whose top is 150 twips
  // plus the bar's height above the bar, and grows upwards from there; its
  // right edge is the screen's; it ends up to one step of 200 twips taller
  // than designed.
  const QRect frame = help->frameGeometry();
  const int strip = frame.height() - help->height() + 1;
  EXPECT_NEAR(frame.bottom() + 1, 717 - 19 - 10 + strip, 1);
  EXPECT_EQ(frame.right() + 1, 1024);
  EXPECT_GE(help->height(), 183);
  EXPECT_LE(help->height(), 183 + 14);
  EXPECT_NE(WindowStates(*help).find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos);

  const std::pair<Qt::Key, Dialog> dialogs[] = {
      {Qt::Key_F1, Dialog::kHelp}, {Qt::Key_F2, Dialog::kEditor}, {Qt::Key_F3, Dialog::kOptions}};
  for (const auto& [key, dialog] : dialogs) {
    Key(key);
    ui::ToolWindow* window = app_->OpenDialog(dialog);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); })) << key;
    window->close();
    EXPECT_TRUE(QTest::qWaitFor([&] {
      return app_->Bar().isActiveWindow() && QApplication::focusWidget() == &Box();
    })) << key;
  }

  // The options move the bar at once and save everything when they close.
  Run("options");
  // The dialog's own top corner sits 310 twips below the bar's height; the
  // bar's own placement takes it back to 0.
  In<QRadioButton>(Dialog::kOptions, "corner1")->click();
  EXPECT_EQ(app_->Bar().pos(), QPoint(0, -2));
  app_->PlaceAndComplete();
  EXPECT_EQ(app_->Bar().pos(), QPoint(0, 0));
  In<QCheckBox>(Dialog::kOptions, "caseSensitive")->click();
  EXPECT_TRUE(app_->Settings().CaseSensitive);
  In<QCheckBox>(Dialog::kOptions, "autoUpdate")->click();
  EXPECT_FALSE(app_->Settings().AutoUpdate);  // only when the dialog closes
  EXPECT_EQ(In<QLineEdit>(Dialog::kOptions, "webExtensions")->text(), "com,org");
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
