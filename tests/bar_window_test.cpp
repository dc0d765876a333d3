// The command bar on a real X display with a window manager: no frame, on
// top of other windows, no task-bar entry, in its corner, keys reach its box.
#include <gtest/gtest.h>

#include <QWidget>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "bar/form1.h"
#include "platform/qt/qt_window.h"
#include "support/qt/program_fixture.h"
#include "support/qt/test_app.h"
#include "support/run_command.h"

namespace tarvolin {
namespace {

using testing::RunCommand;

class BarWindowTest : public testing::ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    folder_.Write("files.cfg", "\r\n\r\n");
  }

  QWidget* BarWidget() {
    return dynamic_cast<platform::QtWindow&>(program_->form1().Window()).Widget();
  }

  std::string WindowId() { return std::to_string(BarWidget()->winId()); }
};

TEST_F(BarWindowTest, TheBarIsAFramelessTopMostStripWithoutATaskBarEntry) {
  folder_.Write("tv.ini", "[Tarvolin]\r\nloca=4\r\n");
  Start();
  ASSERT_TRUE(testing::PumpUntil(
      [&] {
        return RunCommand("xprop -id " + WindowId() + " _NET_WM_STATE").find("SKIP_TASKBAR") !=
               std::string::npos;
      },
      5000));
  const std::string states = RunCommand("xprop -id " + WindowId() + " _NET_WM_STATE");
  EXPECT_NE(states.find("_NET_WM_STATE_ABOVE"), std::string::npos) << states;
  EXPECT_NE(states.find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos) << states;
  EXPECT_NE(states.find("_NET_WM_STATE_SKIP_PAGER"), std::string::npos) << states;

  // No frame: the window manager put nothing around it, and it sits where the
  // bottom-right corner puts it: top at 768 - 51 pixels, right edge on the
  // screen's.
  const std::string info = RunCommand("xwininfo -id " + WindowId());
  EXPECT_NE(info.find("Absolute upper-left X:  774"), std::string::npos) << info;
  EXPECT_NE(info.find("Absolute upper-left Y:  717"), std::string::npos) << info;
  EXPECT_NE(info.find("Width: 250"), std::string::npos) << info;
  EXPECT_NE(info.find("Height: 19"), std::string::npos) << info;
  const std::string extents = RunCommand("xprop -id " + WindowId() + " _NET_FRAME_EXTENTS");
  EXPECT_NE(extents.find("= 0, 0, 0, 0"), std::string::npos) << extents;
}

TEST_F(BarWindowTest, TheBarStaysAboveAnActivatedOrdinaryWindow) {
  folder_.Write("tv.ini", "[Tarvolin]\r\nloca=1\r\n");
  Start();
  QWidget other;
  other.setWindowTitle("other window");
  other.setGeometry(0, 0, 600, 400);
  other.show();
  other.raise();
  other.activateWindow();
  const std::string bar = WindowId();
  // The stacking list runs from bottom to top: the bar must come after the
  // other window.
  auto barIsOnTop = [&] {
    const std::string stacking = RunCommand("xprop -root _NET_CLIENT_LIST_STACKING");
    std::ostringstream otherHex;
    otherHex << "0x" << std::hex << other.winId();
    std::ostringstream barHex;
    barHex << "0x" << std::hex << BarWidget()->winId();
    const auto o = stacking.find(otherHex.str());
    const auto b = stacking.find(barHex.str());
    return o != std::string::npos && b != std::string::npos && b > o;
  };
  EXPECT_TRUE(testing::PumpUntil(barIsOnTop, 5000))
      << RunCommand("xprop -root _NET_CLIENT_LIST_STACKING") << " bar " << bar;
}

TEST_F(BarWindowTest, TypedKeysReachTheBoxWhenTheBarStarts) {
  folder_.Write("tv.ini", "[Tarvolin]\r\nloca=4\r\n");
  Program& program = Start();
  ASSERT_TRUE(testing::PumpUntil([&] { return BarWidget()->isActiveWindow(); }, 5000));
  RunCommand("xdotool type --delay 20 notepad");
  EXPECT_TRUE(testing::PumpUntil([&] { return program.form1().Text1().Text() == "notepad"; }, 5000))
      << program.form1().Text1().Text();
}

}  // namespace
}  // namespace tarvolin
