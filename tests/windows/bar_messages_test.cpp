// The bar's window takes messages from any process of the session: its
// private ones (WM_APP and after), posted with any values, never harm it.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>

#include "conformance/driver.h"
#include "support/temp_folder.h"
#include "win32/bar_window.h"

namespace tarvolin::conformance {
namespace {

TEST(Win32Bar, PrivateMessagesWithAnyValuesDoNoHarm) {
  testing::TempFolder temp;
  temp.Write("prog/files.cfg", "");
  temp.Write("prog/tv.ini", "[Tarvolin]\r\nloca=4\r\nAutoUpdate=0\r\nHotkey=none\r\n");
  testing::RecordingShell shell;
  const double clock = 100;
  const auto bar = MakeDriver({temp / "prog", &clock, &shell, {}});
  bar->Start();
  const HWND window = ::FindWindowW(win32::kBarClass, nullptr);
  ASSERT_NE(window, nullptr);
  std::mt19937 random(7);
  for (int i = 0; i < 3000; ++i) {
    const UINT message = WM_APP + random() % 8;
    const WPARAM small = random() % 16;
    const WPARAM wide = (static_cast<WPARAM>(random()) << 32) | random();
    ::PostMessageW(window, message, i % 2 == 0 ? small : wide,
                   static_cast<LPARAM>(random() % 2 == 0 ? random() % 0x210 : random()));
    if (i % 100 == 0) {
      bar->Tick();
    }
  }
  bar->Tick();
  bar->Paste("still here");
  EXPECT_EQ(bar->Text(), "still here");
}

}  // namespace
}  // namespace tarvolin::conformance
