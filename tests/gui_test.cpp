// The program on real widgets under a real window manager (openbox on Xvfb,
// tests/display): what only real windows show. Keys reach the rules from the
// box, the dialogs' controls reach their models, the timers run, focus and
// stacking are right. What the rules decide is bar_test's.
#include <gtest/gtest.h>
#include <sys/stat.h>

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
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <xcb/xcb.h>

#include "app.h"
#include "platform/hotkey.h"
#include "platform/x11_window_state.h"
#include "support/recording_shell.h"
#include "support/temp_folder.h"
#include "sys/environment.h"
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"

namespace tarvolin {
namespace {

using testing::Calls;
using testing::RecordingShell;

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.Write("c/Games/run.exe", "");
    files_.SetDriveMap({{'c', temp_ / "c"}});
    ::chmod(temp_.Write("bin/tvshow", "#!/bin/sh\n").c_str(), 0755);
    files_.UseEnvironment(environment_);
  }
  // Starts the program with these quickcommands (and these further lines
  // of tv.ini).
  void Start(const char* quickcommands = "", const std::string& settings = "") {
    temp_.Write("prog/files.cfg", quickcommands);
    temp_.Write("prog/tv.ini",
                "[Tarvolin]\r\nloca=4\r\nCaseSensitive=0\r\nAutoUpdate=0\r\n"
                "WebExtensions=com,org\r\n" +
                    settings);
    app_ = std::make_unique<App>(
        bar::System{files_, profile_, shell_, "", "", "", nullptr, [this] { return now_; }},
        prompter_);
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
  sys::FixedEnvironment environment_{{{"PATH", temp_ / "bin"}, {"HOME", temp_ / "home"}}};
  sys::PosixFileSystem files_{temp_ / "prog"};
  sys::IniStore profile_;
  RecordingShell shell_;
  ui::Prompter prompter_;
  std::unique_ptr<App> app_;
  double now_ = 100;
  int ended_ = 0;
};

// Keys typed into the box reach the rules before the box handles them,
// whatever the modifiers; Tab stays in the box; a pasted line is never cut.
TEST_F(GuiTest, KeysInTheBoxReachTheRules) {
  // No hotkey, so that what Escape says does not hang on whether another
  // program on this display holds the default key.
  Start("www.x.org\r\nplay\r\n", "Hotkey=none\r\n");
  QTest::keyClicks(&Box(), "  frobnicate ");
  Key(Qt::Key_Return);
  ExpectStatus("Unknown command (F1 for help)");
  Run("www.y.org");
  Key(Qt::Key_Down);
  ExpectStatus("www.y.org");
  Box().setText("tvshow");
  QTest::keyClick(&Box(), Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(Opened(), (Calls{{"www.y.org", temp_ / "prog"},
                             {"terminal " + temp_ / "bin/tvshow", temp_ / "home"}}));
  Box().setText("pl");
  Key(Qt::Key_Tab);
  EXPECT_EQ(Box().text(), "play");
  EXPECT_EQ(app_->Bar().focusWidget(), &Box());

  const QString line = "www.x.org/" + QString(40000, 'x');
  QApplication::clipboard()->setText(line);
  Box().clear();
  QTest::keyClick(&Box(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Box().text(), line);
  Key(Qt::Key_Return);
  ExpectStatus("-::Line too long::-");
  EXPECT_TRUE(Opened().empty());

  QTest::keyClick(&Box(), Qt::Key_F1, Qt::ShiftModifier);
  EXPECT_EQ(app_->OpenDialog(Dialog::kHelp)->windowTitle(), "Tarvolin - Version 0.87 BETA");
  // Without a notification area Escape hides the bar, and says once what
  // brings it back.
  prompter_.AnswerInAdvance({""});
  Key(Qt::Key_Escape);
  EXPECT_FALSE(app_->Bar().isVisible());
  EXPECT_EQ(prompter_.Asked().last(),
            "Tarvolin: There is no notification area: starting "
            "tarvolin again brings the bar back. -> ");
  Key(Qt::Key_F10);
  EXPECT_EQ(ended_, 1);
}

// The editor's keys and focus, which only real widgets show (what its boxes
// hold after each action is the conformance suite's): the focus in the name
// box when the bar's text is the target, and again after Browse; Enter in a
// box adds; Delete in a list removes the row; Escape closes and saves.
TEST_F(GuiTest, TheEditorsKeysAndFocus) {
  Start("www.x.org\r\nx\r\n");
  Box().setText("www.y.org");
  Key(Qt::Key_F2);
  auto* target = In<QLineEdit>(Dialog::kEditor, "targetBox");
  auto* name = In<QLineEdit>(Dialog::kEditor, "nameBox");
  auto* names = In<QAbstractItemView>(Dialog::kEditor, "names");
  ASSERT_NE(names, nullptr);
  EXPECT_TRUE(FocusIn(name));
  prompter_.AnswerInAdvance({QString::fromStdString(temp_ / "c/Games/run.exe")});
  QTest::mouseClick(In<QPushButton>(Dialog::kEditor, "browse"), Qt::LeftButton);
  EXPECT_TRUE(FocusIn(name));
  target->setText("www.y.org");
  QTest::keyClicks(name, "y");
  Key(Qt::Key_Return, name);
  EXPECT_EQ(names->model()->rowCount(), 2);
  QTest::mouseClick(names->viewport(), Qt::LeftButton, {},
                    names->visualRect(names->model()->index(0, 1)).center());
  Key(Qt::Key_Delete, names);
  EXPECT_EQ(names->model()->rowCount(), 1);
  Key(Qt::Key_Escape, target);
  EXPECT_EQ(app_->OpenDialog(Dialog::kEditor), nullptr);
  // The save runs beside the GUI thread.
  EXPECT_TRUE(QTest::qWaitFor(
      [this] { return temp_.Read("prog/files.cfg") == "www.y.org\r\ny\r\n"; }, 3000))
      << temp_.Read("prog/files.cfg");
}

TEST(Hotkey, TheX11KeysymAndMasksOfAName) {
  const auto combination = platform::X11KeyCombination("Ctrl+Alt+PageUp");
  ASSERT_TRUE(combination);
  EXPECT_EQ(combination->modifiers, 4 | 8);
  EXPECT_EQ(combination->keysym, 0xff55u);
  EXPECT_EQ(platform::X11KeyCombination("Shift+F12")->keysym, 0xffc9u);
}

// The window's _NET_WM_STATE as xprop prints it.
std::string WindowStates(const QWidget& window) {
  QProcess xprop;
  xprop.start("xprop", {"-id", QString::number(window.winId()), "_NET_WM_STATE"});
  xprop.waitForFinished();
  return xprop.readAll().toStdString();
}

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
  ASSERT_TRUE(QTest::qWaitFor([this] { return platform::x11::HasInputFocus(&app_->Bar()); }, 2000));
  app_->Summon(true);
  EXPECT_FALSE(app_->Bar().isVisible());
  ASSERT_TRUE(QTest::qWaitFor([this] { return !app_->Bar().isActiveWindow(); }, 2000));
  app_->Summon(true);
  // The X server gives the bar the keys, and the bar gives them to its box.
  EXPECT_TRUE(QTest::qWaitFor([this] { return platform::x11::HasInputFocus(&app_->Bar()); }, 2000));
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
  EXPECT_EQ(platform::GlobalHotkey::Grab("Ctrl+Alt+Shift+F11", &error), nullptr);
  EXPECT_EQ(error, "Ctrl+Alt+Shift+F11 is taken by another program");
  xcb_disconnect(other);

  const auto hotkey = platform::GlobalHotkey::Grab("Ctrl+Shift+F12", &error);
  ASSERT_NE(hotkey, nullptr) << error;
  QSignalSpy pressed(hotkey.get(), &platform::GlobalHotkey::Pressed);
  EXPECT_EQ(QProcess::execute("xdotool", {"key", "ctrl+shift+F12"}), 0);
  EXPECT_TRUE(pressed.wait(3000));
  // Num Lock on does not stop it.
  EXPECT_EQ(QProcess::execute("xdotool", {"key", "Num_Lock", "ctrl+shift+F12", "Num_Lock"}), 0);
  EXPECT_TRUE(pressed.wait(3000));
  EXPECT_EQ(pressed.size(), 2);
}

// The bar's own key, held by another program, is told once and whole: the
// text is wider than the box, so in a message box.
TEST_F(GuiTest, AHotkeyHeldElsewhereIsToldWhole) {
  xcb_connection_t* other = xcb_connect(nullptr, nullptr);
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
  xcb_grab_key(other, 1, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT,
               XCB_GRAB_ANY, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
  std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
  prompter_.AnswerInAdvance({""});
  Start("", "Hotkey=Ctrl+Alt+Shift+R\r\n");
  EXPECT_TRUE(QTest::qWaitFor([this] { return !prompter_.Asked().empty(); }, 3000));
  EXPECT_EQ(prompter_.Asked().value(0),
            "Tarvolin: Hotkey: Ctrl+Alt+Shift+R is taken by another program -> ");
  xcb_disconnect(other);
}

// The bar stays above other windows without a task-bar entry; a dialog
// unrolls to the place the rules give its framed window, takes the focus and
// gives it back to the bar when it closes.
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
  // plus the bar's height above the bar, or that ends at the bar's top,
  // whichever is higher, and grows upwards from there; its
  // right edge is the screen's; it ends up to one step of 200 twips taller
  // than designed.
  const QRect frame = help->frameGeometry();
  const int strip = frame.height() - help->height() + 1;
  EXPECT_NEAR(frame.bottom() + 1, std::min(717 - 19 - 10 + strip, 717), 1);
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

  // The options' controls: a corner clicked moves the bar at once; closing
  // saves what they show.
  Run("options");
  In<QRadioButton>(Dialog::kOptions, "corner1")->click();
  EXPECT_EQ(app_->Bar().pos(), QPoint(0, -2));
  In<QCheckBox>(Dialog::kOptions, "caseSensitive")->click();
  EXPECT_TRUE(app_->Rules().Settings().CaseSensitive);
  // This copy has no HTTP client: Auto-Update is off and stays so.
  In<QCheckBox>(Dialog::kOptions, "autoUpdate")->click();
  EXPECT_FALSE(In<QCheckBox>(Dialog::kOptions, "autoUpdate")->isEnabled());
  EXPECT_EQ(In<QLineEdit>(Dialog::kOptions, "webExtensions")->text(), "com,org");
  In<QLineEdit>(Dialog::kOptions, "webExtensions")->setText("com,org,");
  app_->OpenDialog(Dialog::kOptions)->close();
  ExpectStatus("Settings Saved...");
  EXPECT_NE(temp_.Read("prog/tv.ini")
                .find("loca= 1\r\nCaseSensitive= 1\r\nAutoUpdate= 0\r\n"
                      "WebExtensions=com,org,\r\n"),
            std::string::npos);
  EXPECT_TRUE(QTest::qWaitFor([this] { return app_->Bar().pos() == QPoint(0, 0); }, 3000));
}

}  // namespace
}  // namespace tarvolin
