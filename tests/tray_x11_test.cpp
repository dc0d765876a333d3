// The bar and its tray icon on a real X display: openbox as the window
// manager and trayer as the notification area, driven by real mouse clicks
// and key presses from xdotool.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QWidget>
#include <cstdio>
#include <memory>
#include <string>

#include "bar/form1_design.h"
#include "platform/qt/qt_program_icon.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/qt/qt_tray.h"
#include "platform/qt/qt_window.h"
#include "support/qt/test_app.h"
#include "support/run_command.h"
#include "tray/bar_tray.h"

extern char** environ;

namespace tarvolin {
namespace {

constexpr int kWaitMs = 15000;

using testing::RunCommand;

// The bar: its real window and box, Escape wired to "To tray" as the key
// handler does.
class TrayX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::EnsureApplication();
    platform::InstallProgramIcon();
    window_ = ui_.CreateForm(Form1Design());
    text1_ = window_->Find<platform::TextBox>("Text1");
    ASSERT_NE(text1_, nullptr);
    module_ = std::make_unique<BarTray>(tray_, *window_, *text1_);
    text1_->KeyDown = [this](int key, int) {
      if (key == platform::kKeyEscape) {
        module_->mnutotray_Click();
      }
    };
    window_->SetLeft(6000);
    window_->SetTop(3000);
    window_->Show();
    window_->Activate();
    text1_->SetFocus();
    ASSERT_TRUE(testing::PumpUntil([&] { return BoxHasFocus(); }, kWaitMs));
  }

  void TearDown() override {
    module_.reset();
    if (!IconArea().isEmpty()) {
      tray_.NotifyIcon(platform::kNimDelete, {.hWnd = window_.get(), .uID = IconId()});
    }
    testing::Pump(100);
  }

  QWidget* BarWidget() { return dynamic_cast<platform::QtWindow&>(*window_).Widget(); }
  QLineEdit* Edit() { return BarWidget()->findChild<QLineEdit*>(); }
  bool BoxHasFocus() {
    return BarWidget()->isVisible() && BarWidget()->isActiveWindow() &&
           QApplication::focusWidget() == Edit();
  }
  std::uint32_t IconId() { return tray_.IconHandle(*window_); }
  QRect IconArea() { return tray_.IconGeometry(*window_, IconId()); }

  // The X window id of the icon: the application's visible top-level
  // widget that is not the bar.
  unsigned long IconWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget != BarWidget() && widget->isVisible() && widget->internalWinId() != 0) {
        return static_cast<unsigned long>(widget->winId());
      }
    }
    return 0;
  }

  // Whether one of the window's ancestors is trayer's.
  static bool DockedInTrayer(unsigned long window) {
    const std::string label = "Parent window id: ";
    for (int depth = 0; depth < 10; ++depth) {
      const std::string info = RunCommand("xwininfo -children -id " + std::to_string(window));
      const auto at = info.find(label);
      if (at == std::string::npos) {
        return false;
      }
      const std::string parent = info.substr(at + label.size(), info.find('\n', at) - at);
      if (parent.find("(the root window)") != std::string::npos) {
        return false;
      }
      window = std::stoul(parent, nullptr, 16);
      if (RunCommand("xprop -id " + std::to_string(window) + " WM_CLASS").find("trayer") !=
          std::string::npos) {
        return true;
      }
    }
    return false;
  }

  // The bar is hidden, the application has taken note that it lost the
  // focus (as it has long done when a person reaches for the icon), and the
  // icon is shown inside trayer.
  bool InTray() {
    if (window_->Visible() || IconArea().isEmpty() || QGuiApplication::focusWindow() != nullptr) {
      return false;
    }
    const unsigned long icon = IconWindow();
    return icon != 0 &&
           RunCommand("xwininfo -id " + std::to_string(icon)).find("IsViewable") !=
               std::string::npos &&
           DockedInTrayer(icon);
  }

  void PressEscape() { RunCommand("xdotool key --clearmodifiers Escape"); }

  void ClickIcon(const std::string& button, int repeat = 1) {
    const QPoint centre = IconArea().center();
    RunCommand("xdotool mousemove " + std::to_string(centre.x()) + " " +
               std::to_string(centre.y()) + " click --repeat " + std::to_string(repeat) +
               " --delay 60 " + button);
  }

  platform::QtToolkit ui_;
  platform::QtTray tray_;
  std::unique_ptr<platform::Window> window_;
  platform::TextBox* text1_ = nullptr;
  std::unique_ptr<BarTray> module_;
};

// Runs trayer for the test program's whole life and waits until Qt sees it
// as the notification area.
class TrayHost : public ::testing::Environment {
 public:
  void SetUp() override {
    testing::EnsureApplication();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char program[] = "trayer";
    char edge[] = "--edge";
    char top[] = "top";
    char* argv[] = {program, edge, top, nullptr};
    const int failed = ::posix_spawnp(&pid_, "trayer", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_EQ(failed, 0) << "trayer could not be started";
    ASSERT_TRUE(testing::PumpUntil([] { return platform::QtTray().Available(); }, kWaitMs))
        << "trayer did not become the notification area";
  }

  void TearDown() override {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }

 private:
  pid_t pid_ = -1;
};

const auto* const kTrayHost = ::testing::AddGlobalTestEnvironment(new TrayHost);

TEST_F(TrayX11Test, EscapeHidesTheBarBehindAnIconAndALeftClickBringsItBackToTyping) {
  PressEscape();
  ASSERT_TRUE(testing::PumpUntil([&] { return InTray(); }, kWaitMs));
  EXPECT_TRUE(module_->IsSubclassed);

  ClickIcon("1");
  ASSERT_TRUE(testing::PumpUntil([&] { return BoxHasFocus(); }, kWaitMs));
  EXPECT_FALSE(module_->IsSubclassed);
  EXPECT_TRUE(testing::PumpUntil([&] { return IconArea().isEmpty(); }, kWaitMs));

  RunCommand("xdotool type --delay 30 run");
  EXPECT_TRUE(testing::PumpUntil([&] { return Edit()->text() == "run"; }, kWaitMs))
      << Edit()->text().toStdString();
}

TEST_F(TrayX11Test, RightAndMiddleClicksDoNothingADoubleClickRestores) {
  PressEscape();
  ASSERT_TRUE(testing::PumpUntil([&] { return InTray(); }, kWaitMs));

  ClickIcon("3");
  ClickIcon("2");
  // Nothing is expected to happen; give it the time a restore would take.
  testing::Pump(1500);
  EXPECT_FALSE(window_->Visible());
  EXPECT_FALSE(IconArea().isEmpty());

  // The first release restores; the second click finds no icon.
  ClickIcon("1", 2);
  ASSERT_TRUE(testing::PumpUntil([&] { return BoxHasFocus(); }, kWaitMs));
  testing::Pump(500);
  EXPECT_TRUE(BoxHasFocus());
  EXPECT_TRUE(IconArea().isEmpty());
  EXPECT_FALSE(module_->IsSubclassed);

  // Escape again puts procedure and icon back in place.
  PressEscape();
  ASSERT_TRUE(testing::PumpUntil([&] { return InTray(); }, kWaitMs));
  EXPECT_TRUE(module_->IsSubclassed);
  ClickIcon("1");
  EXPECT_TRUE(testing::PumpUntil([&] { return BoxHasFocus(); }, kWaitMs));
}

TEST_F(TrayX11Test, TheBarCarriesTheProgramsIcon) {
  const std::string id = std::to_string(BarWidget()->winId());
  const std::string icon = RunCommand("xprop -id " + id + " _NET_WM_ICON | head -c 200");
  EXPECT_NE(icon.find("_NET_WM_ICON(CARDINAL) ="), std::string::npos) << icon;
}

}  // namespace
}  // namespace tarvolin
