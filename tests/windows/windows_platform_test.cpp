// The rest of the Windows side of the platform: text in the ANSI code page,
// the shell, the clock and the end of the process, the top-most window.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/text.h"
#include "platform/windows/top_most.h"
#include "platform/windows/windows_filesystem.h"
#include "platform/windows/windows_shell.h"
#include "platform/windows/windows_system.h"
#include "quickcommands/quickcommand_table.h"
#include "support/system_info.h"
#include "support/temp_folder.h"

namespace tarvolin::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

fs::path Utf8Path(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

class AnsiCodePage1252Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (testing::AnsiCodePage() != 1252) {
      GTEST_SKIP() << "written for code page 1252, this system uses " << testing::AnsiCodePage();
    }
  }
};

TEST_F(AnsiCodePage1252Test, TextConvertsBothWays) {
  const struct {
    std::string utf8;
    std::string system;
  } cases[] = {
      {"", ""},
      {"C:\\Games\\run.exe", "C:\\Games\\run.exe"},
      {"K\xC3\xA4se", "K\xE4se"},
      {"\xE2\x82\xAC 5", "\x80 5"},
      {"\xC3\xBF\xC3\x80", "\xFF\xC0"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToSystemText(c.utf8), c.system) << c.utf8;
    EXPECT_EQ(FromSystemText(c.system), c.utf8) << c.utf8;
  }
}

TEST_F(AnsiCodePage1252Test, EveryCharacterOfTheCodePageComesBack) {
  for (int code = 1; code < 256; ++code) {
    const std::string system(1, static_cast<char>(code));
    const std::string utf8 = FromSystemText(system);
    EXPECT_FALSE(utf8.empty()) << code;
    EXPECT_EQ(ToSystemText(utf8), system) << code;
  }
}

TEST_F(AnsiCodePage1252Test, WhatTheCodePageLacksBecomesAQuestionMark) {
  // A CJK character, a letter with a macron and a full-width backslash: no
  // look-alike may stand in, least of all a separator.
  EXPECT_EQ(ToSystemText("\xE6\x97\xA5"), "?");
  EXPECT_EQ(ToSystemText("\xC4\x81"), "?");
  EXPECT_EQ(ToSystemText("C:\xEF\xBC\xBCx"), "C:?x");
  // Bytes that are no UTF-8 are not passed through as they are.
  const std::string broken = ToSystemText("a\xFF\xC3z");
  EXPECT_EQ(broken.front(), 'a');
  EXPECT_EQ(broken.back(), 'z');
  EXPECT_EQ(broken.find('\xFF'), std::string::npos);
}

TEST_F(AnsiCodePage1252Test, QuickcommandFileHoldsTheAnsiCodePage) {
  TempFolder folder;
  QuickcommandTable table;
  table.Assign({{"D:\\M\xC3\xBCsik\\\xE2\x82\xAC", "m\xC3\xBCnze"}, {"C:\\\xE6\x97\xA5.exe", "x"}});
  std::string error;
  ASSERT_TRUE(SaveQuickcommands(table, true, folder.Path(), &error)) << error;
  EXPECT_EQ(folder.Read("files.cfg"), "D:\\M\xFCsik\\\x80\r\nm\xFCnze\r\nC:\\?.exe\r\nx\r\n");

  QuickcommandTable loaded;
  LoadQuickcommands(loaded, folder.Path());
  const std::vector<QuickcommandEntry> expected = {
      {"D:\\M\xC3\xBCsik\\\xE2\x82\xAC", "m\xC3\xBCnze"}, {"C:\\?.exe", "x"}};
  EXPECT_EQ(loaded.Entries(), expected);
}

// The shell starts a program in this process's current folder, with no
// arguments; the path goes through the ANSI code page.
TEST(WindowsShellTest, StartsAProgramInTheCurrentFolder) {
  const fs::path marker =
      fs::path(Utf8Path(WindowsFileSystem::ExecutableFolder())) / "start_marker.exe";
  ASSERT_TRUE(fs::exists(marker)) << marker.string();
  TempFolder temp;
  const bool ansi = testing::AnsiCodePage() == 1252;
  // "Mörkö" and "Arbeit ä" where the code page has them.
  const std::string programFolder = temp.Path() + (ansi ? "\\M\xC3\xB6rk\xC3\xB6" : "\\prog");
  const std::string workFolder = temp.Path() + (ansi ? "\\Arbeit \xC3\xA4" : "\\work");
  fs::create_directory(Utf8Path(programFolder));
  fs::create_directory(Utf8Path(workFolder));
  fs::copy_file(marker, Utf8Path(programFolder + "\\start_marker.exe"));

  const fs::path before = fs::current_path();
  WindowsFileSystem files("C:\\");
  ASSERT_TRUE(files.SetCurrentFolder(workFolder));
  WindowsShell shell;
  shell.Open(programFolder + "\\start_marker.exe");
  EXPECT_EQ(files.CurrentFolder(), workFolder);
  fs::current_path(before);

  // The program is not waited for; it shows up within a bounded time.
  const fs::path written = Utf8Path(programFolder + "\\start_marker.txt");
  for (int i = 0; i < 600 && !fs::exists(written); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(fs::exists(written));
  std::ifstream in(written, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(FromSystemText(text), workFolder + "\n0\n");
}

TEST(WindowsSystemTest, SecondsSinceMidnightIsTheLocalTimeOfDay) {
  WindowsSystem system;
  auto cLibrary = [] {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    return local->tm_hour * 3600.0 + local->tm_min * 60.0 + local->tm_sec;
  };
  bool fraction = false;
  for (int i = 0; i < 20; ++i) {
    const double before = cLibrary();
    const double seconds = system.SecondsSinceMidnight();
    const double after = cLibrary();
    if (after < before) {
      continue;  // midnight passed in between
    }
    EXPECT_GE(seconds, before);
    EXPECT_LT(seconds, after + 1.0);
    fraction = fraction || seconds != std::floor(seconds);
    std::this_thread::sleep_for(std::chrono::milliseconds(7));
  }
  EXPECT_TRUE(fraction) << "the milliseconds are part of the time";
}

TEST(WindowsSystemDeathTest, EndProcessEndsAtOnceWithCodeZero) {
  EXPECT_EXIT(
      {
        WindowsSystem system;
        system.EndProcess();
        std::exit(3);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(MakeTopMostTest, PutsTheWindowAboveOthersKeepingItsRectangle) {
  const HWND window = ::CreateWindowExA(0, "STATIC", "bar", WS_POPUP, 40, 50, 250, 19, nullptr,
                                        nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr) << "no window: the window system is not available (error "
                             << ::GetLastError() << ")";
  RECT before{};
  ::GetWindowRect(window, &before);
  ASSERT_EQ(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

  MakeTopMost(window);

  EXPECT_NE(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  RECT after{};
  ::GetWindowRect(window, &after);
  EXPECT_EQ(after.left, 40);
  EXPECT_EQ(after.top, 50);
  EXPECT_EQ(after.right - after.left, 250);
  EXPECT_EQ(after.bottom - after.top, 19);
  EXPECT_EQ(after.left, before.left);
  ::DestroyWindow(window);
}

}  // namespace
}  // namespace tarvolin::platform
