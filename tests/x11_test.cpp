// Under a real window manager (openbox on Xvfb): the bar stays above other
// windows without a task-bar entry, a dialog unrolls to the place the rules
// give its framed window, and the focus comes back to the bar when a dialog
// closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <string>
#include <utility>

#include "app.h"
#include "support/temp_folder.h"
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"
#include "sys/posix/posix_shell.h"

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

TEST(X11Test, TheBarStaysAboveADialogUnrollsAboveItAndTheFocusComesBack) {
  int argc = 1;
  char* argv[1] = {const_cast<char*>("x11_test")};
  QApplication qt(argc, argv);
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  testing::TempFolder temp;
  temp.Write("prog/tv.ini", "[Tarvolin]\r\nloca=4\r\nAutoUpdate=0\r\n");
  sys::PosixFileSystem files(temp / "prog");
  sys::IniStore profile;
  sys::PosixShell shell(files);
  ui::Prompter prompter;
  App app(SystemServices{files, profile, shell, nullptr}, prompter);
  app.Start();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&app.Bar()));
  const std::string states = WindowStates(app.Bar());
  EXPECT_NE(states.find("_NET_WM_STATE_ABOVE"), std::string::npos) << states;
  EXPECT_NE(states.find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos) << states;
  EXPECT_EQ(app.Bar().frameGeometry(), QRect(774, 717, 250, 19));

  QTest::keyClick(&app.Bar().Box(), Qt::Key_F1);
  ui::ToolWindow* help = app.OpenDialog(Dialog::kHelp);
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

  // Each dialog takes the focus, and gives it back to the bar when it closes.
  const std::pair<Qt::Key, Dialog> dialogs[] = {
      {Qt::Key_F1, Dialog::kHelp}, {Qt::Key_F2, Dialog::kEditor}, {Qt::Key_F3, Dialog::kOptions}};
  for (const auto& [key, dialog] : dialogs) {
    if (dialog != Dialog::kHelp) {
      QTest::keyClick(&app.Bar().Box(), key);
    }
    ui::ToolWindow* window = app.OpenDialog(dialog);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); })) << key;
    window->close();
    EXPECT_TRUE(QTest::qWaitFor([&] {
      return app.Bar().isActiveWindow() && QApplication::focusWidget() == &app.Bar().Box();
    })) << key;
  }
}

}  // namespace
}  // namespace tarvolin
