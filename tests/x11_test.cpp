// Under a real window manager (openbox on Xvfb): the bar stays above other
// windows without a task-bar entry, a dialog unrolls to the place the rules
// give its framed window, and the focus comes back to the bar when the
// dialog closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "app.h"
#include "support/recording_shell.h"
#include "support/temp_folder.h"
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"

namespace tarvolin {
namespace {

// The window's _NET_WM_STATE as xprop prints it.
std::string WindowStates(const QWidget& window) {
  const std::string command = "xprop -id " + std::to_string(window.winId()) + " _NET_WM_STATE";
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
      output += buffer;
    }
    ::pclose(pipe);
  }
  return output;
}

class X11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    temp_.Write("prog/tv.ini", "[Tarvolin]\r\nloca=4\r\nAutoUpdate=0\r\n");
    app_ = std::make_unique<App>(SystemServices{files_, profile_, shell_, nullptr}, prompter_);
    app_->Start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&app_->Bar()));
  }

  int argc_ = 1;
  char* argv_[1] = {const_cast<char*>("x11_test")};
  QApplication qt_{argc_, argv_};
  testing::TempFolder temp_;
  sys::PosixFileSystem files_{temp_ / "prog"};
  sys::IniStore profile_;
  testing::RecordingShell shell_;
  ui::Prompter prompter_;
  std::unique_ptr<App> app_;
};

TEST_F(X11Test, TheBarIsAboveOtherWindowsWithoutATaskbarEntry) {
  const std::string states = WindowStates(app_->Bar());
  EXPECT_NE(states.find("_NET_WM_STATE_ABOVE"), std::string::npos) << states;
  EXPECT_NE(states.find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos) << states;
  EXPECT_EQ(app_->Bar().frameGeometry(), QRect(774, 717, 250, 19));
}

TEST_F(X11Test, ADialogUnrollsAboveTheBarAndTheFocusComesBackWhenItCloses) {
  QTest::keyClick(&app_->Bar().Box(), Qt::Key_F1);
  ui::ToolWindow* help = app_->OpenDialog(Dialog::kHelp);
  ASSERT_NE(help, nullptr);
  QTest::qWait(200);
  const QRect frame = help->frameGeometry();
  // It starts as a strip (its frame and one pixel) whose top is 150 twips
  // plus the bar's height above the bar, and grows upwards from there; its
  // right edge is the screen's; it ends up to one step of 200 twips taller
  // than designed.
  const int strip = frame.height() - help->height() + 1;
  EXPECT_NEAR(frame.bottom() + 1, 717 - 19 - 10 + strip, 1);
  EXPECT_EQ(frame.right() + 1, 1024);
  EXPECT_GE(help->height(), 183);
  EXPECT_LE(help->height(), 183 + 14);
  EXPECT_NE(WindowStates(*help).find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos);
  EXPECT_TRUE(QTest::qWaitFor([&] { return help->isActiveWindow(); }));

  help->close();
  EXPECT_TRUE(QTest::qWaitFor([&] {
    return app_->Bar().isActiveWindow() && QApplication::focusWidget() == &app_->Bar().Box();
  }));
}

}  // namespace
}  // namespace tarvolin
