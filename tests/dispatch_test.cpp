// What a typed line does, with real launches on a temporary drive C.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "bar/form1.h"
#include "support/qt/bar_fixture.h"
#include "support/qt/test_app.h"

namespace tarvolin {
namespace {

using testing::ProcessEnded;

constexpr char kUnknown[] = "Unknown command (F1 for help)";
constexpr char kPathNotFound[] = "-::Path not found::-";
constexpr char kFileNotFound[] = "-::File not found::-";

class DispatchTest : public testing::BarFixture {
 protected:
  DispatchTest() {
    AddProgram("Games/run.exe", "run");
    AddProgram("windows/notepad.exe", "notepad-windows");
    AddProgram("windows/system32/notepad.exe", "notepad-system32");
    AddProgram("windows/system32/calc.com", "calc");
    AddProgram("sentinel/done.exe", "sentinel");
    drive_.Write("plainfile", "a file without extension");
  }

  // Starts a last program and waits for it; whatever the earlier lines
  // started has shown by then.
  std::vector<std::string> MarkersAfterSentinel() {
    Enter("c:\\sentinel\\done.exe");
    WaitForMarker("sentinel");
    testing::Pump(300);  // programs started before it may still be starting
    return Markers();
  }

  std::vector<std::string> OpenedAfterSentinel() {
    Enter("www.sentinel.example");
    const std::string sentinel = "http://www.sentinel.example";
    std::vector<std::string> lines;
    testing::PumpUntil(
        [&] {
          lines = Opened(0);
          return std::find(lines.begin(), lines.end(), sentinel) != lines.end();
        },
        10000);
    // Openers started before the sentinel may still be on their way.
    testing::Pump(300);
    lines = Opened(0);
    const auto at = std::find(lines.begin(), lines.end(), sentinel);
    EXPECT_NE(at, lines.end());
    lines.erase(at);
    return lines;
  }

  std::vector<std::string> History() { return program_->bar.CommandHistory; }
};

TEST_F(DispatchTest, ADrivePathStartsInItsOwnFolderAndTheBarComesBack) {
  Start();
  Enter("C:\\GAMES\\Run.EXE");
  EXPECT_EQ(WaitForMarker("run"), drive_ / "Games");
  EXPECT_EQ(BoxText(), "");
  EXPECT_EQ(History(), std::vector<std::string>{"C:\\GAMES\\Run.EXE"});
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(programFolder_));
}

TEST_F(DispatchTest, QuickcommandsComeFirstAndRecordTheTypedWord) {
  Start("loca=4\r\n", {{"C:\\Games\\run.exe", "play"}, {"C:\\Games\\run.exe", "quit"}});
  Enter("Play");
  EXPECT_EQ(WaitForMarker("run"), drive_ / "Games");
  EXPECT_EQ(History(), std::vector<std::string>{"Play"});

  // A quickcommand named quit whose target starts does not end the program.
  std::filesystem::remove(drive_ / "markers/run");
  Enter("quit");
  EXPECT_EQ(system_.endCount, 0);
  EXPECT_EQ(WaitForMarker("run"), drive_ / "Games");
  EXPECT_EQ(BoxText(), "");
}

TEST_F(DispatchTest, AQuickcommandThatCannotRunLetsTheWordThrough) {
  Start("loca=4\r\n", {{"C:\\Nowhere\\x.exe", "quit"}, {"C:\\Nowhere\\y.exe", "lost"}});
  // Its target leaves its status text, then the word itself is dispatched.
  Enter("lost");
  EXPECT_EQ(BoxText(), kPathNotFound);
  EXPECT_THROW(Enter("QUIT"), ProcessEnded);
  EXPECT_EQ(system_.endCount, 1);
}

TEST_F(DispatchTest, QuickcommandNamesFollowTheCaseSetting) {
  Start("loca=4\r\nCaseSensitive=0\r\n", {{"www.example.org", "Word"}});
  Enter("word");
  EXPECT_EQ(Opened(1), std::vector<std::string>{"http://www.example.org"});

  program_->settings.CaseSensitive = true;
  Enter("word");
  EXPECT_EQ(BoxText(), kUnknown);
  Enter("Word");
  EXPECT_EQ(Opened(2).size(), 2u);
}

TEST_F(DispatchTest, WebAddressesReachTheOpenerInSmallLetters) {
  Start("loca=4\r\nWebExtensions=com,org,net\r\n");
  // Each opener runs by itself: wait for one before starting the next, so
  // the record keeps their order.
  std::size_t count = 0;
  for (const char* line : {"WWW.Example.ORG/Some/Path", "HTTP://Example.org/A",
                           "hTTps://x.example/B", "Example.COM"}) {
    Enter(line);
    Opened(++count);
  }
  EXPECT_EQ(Opened(4), (std::vector<std::string>{
                           "http://www.example.org/some/path",
                           "http://example.org/a",
                           "https://x.example/b",
                           "http://example.com",
                       }));
  EXPECT_EQ(History(),
            (std::vector<std::string>{"Example.COM", "hTTps://x.example/B", "HTTP://Example.org/A",
                                      "WWW.Example.ORG/Some/Path"}));
}

TEST_F(DispatchTest, EndingsMatchOnlyTheLastCharactersExactly) {
  Start("loca=4\r\nWebExtensions=com,COM,com\r\n");
  Enter("example.comx");
  EXPECT_EQ(BoxText(), kUnknown);
  // The same ending twice opens the address once.
  Enter("example.com");
  EXPECT_EQ(OpenedAfterSentinel(), std::vector<std::string>{"http://example.com"});
}

TEST_F(DispatchTest, AnEndingWrittenInCapitalsNeverMatches) {
  Start("loca=4\r\nWebExtensions=COM\r\n");
  Enter("example.com");
  EXPECT_EQ(BoxText(), kUnknown);
  EXPECT_TRUE(OpenedAfterSentinel().empty());
}

TEST_F(DispatchTest, EndingsAreTestedBeforeDrivePaths) {
  AddProgram("tools/setup.com", "setup");
  Start("loca=4\r\nWebExtensions=com\r\n");
  Enter("c:\\tools\\setup.com");
  EXPECT_EQ(OpenedAfterSentinel(), std::vector<std::string>{"http://c:\\tools\\setup.com"});
  EXPECT_EQ(MarkersAfterSentinel(), std::vector<std::string>{"sentinel"});
}

TEST_F(DispatchTest, ADriveLetterOpensTheDriveRoot) {
  Start();
  for (const char* line : {"c", "c:", "C:"}) {
    Enter(line);
    EXPECT_EQ(BoxText(), "") << line;
  }
  const std::vector<std::string> opened = Opened(3);
  ASSERT_EQ(opened.size(), 3u);
  for (const std::string& folder : opened) {
    EXPECT_EQ(std::filesystem::canonical(folder), std::filesystem::canonical(drive_.Path()));
  }
}

TEST_F(DispatchTest, AMissingDrivePathSaysWhichPartIsMissing) {
  drive_.MakeFolder("windows");
  Start();
  Enter("c:\\nowhere\\x.txt");
  EXPECT_EQ(BoxText(), kPathNotFound);
  EXPECT_EQ(program_->form1().Text1().SelLength(), 20);
  Enter("c:\\windows\\missing.txt");
  EXPECT_EQ(BoxText(), kFileNotFound);
  Enter("q:\\anything.txt");
  EXPECT_EQ(BoxText(), kPathNotFound);
  EXPECT_EQ(History(), std::vector<std::string>{""});
  EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(DispatchTest, AFolderThatCannotBeEnteredIsReportedAndNothingStarts) {
  Start();
  // A file without extension is its own "folder", which cannot be entered.
  Enter("c:\\plainfile");
  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].text, "Path not found");
  EXPECT_EQ(ui_.boxes[0].title, "Tarvolin");
  EXPECT_FALSE(ui_.boxes[0].yesNo);
  // Recorded before the attempt, so the box stays empty.
  EXPECT_EQ(BoxText(), "");
  EXPECT_EQ(History(), std::vector<std::string>{"c:\\plainfile"});
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(programFolder_));
  EXPECT_TRUE(OpenedAfterSentinel().empty());
}

TEST_F(DispatchTest, ALaunchThatFailsOutrightIsReported) {
  struct FailingShell : platform::Shell {
    void Open(const std::string&) override { throw std::runtime_error("cannot start"); }
  } failing;
  platform_ = std::make_unique<platform::Platform>(
      platform::Platform{ui_, files_, profile_, failing, system_});
  Start();
  Enter("c:\\games\\run.exe");
  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].text, "File not found");
  EXPECT_EQ(ui_.boxes[0].title, "Tarvolin");
  EXPECT_EQ(BoxText(), "");
  // The folder stays the target's.
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(drive_ / "Games"));
}

TEST_F(DispatchTest, ABareNameStartsOnlyTheFirstWindowsCandidate) {
  Start();
  Enter("Notepad");
  EXPECT_EQ(WaitForMarker("notepad-windows"), programFolder_);
  EXPECT_EQ(History(), std::vector<std::string>{"Notepad"});
  Enter("calc");
  EXPECT_EQ(WaitForMarker("calc"), programFolder_);
  EXPECT_EQ(MarkersAfterSentinel(),
            (std::vector<std::string>{"calc", "notepad-windows", "sentinel"}));
  EXPECT_EQ(History(), (std::vector<std::string>{"c:\\sentinel\\done.exe", "calc", "Notepad"}));
}

TEST_F(DispatchTest, ANameWithExtensionOrArgumentIsUnknown) {
  Start();
  for (const char* line : {"notepad.exe", "notepad readme.txt", "c:notepad"}) {
    Enter(line);
    EXPECT_EQ(BoxText(), line == std::string("c:notepad") ? kPathNotFound : kUnknown) << line;
  }
  EXPECT_EQ(MarkersAfterSentinel(), std::vector<std::string>{"sentinel"});
}

TEST_F(DispatchTest, BuiltInWordsInAnyCase) {
  Start();
  Enter("Edit");
  Enter("OPTIONS");
  Enter("mirelo");
  EXPECT_EQ(OpenDialogs(),
            (std::vector<Dialog>{Dialog::kEditor, Dialog::kOptions, Dialog::kHidden}));
  EXPECT_EQ(History(), (std::vector<std::string>{"mirelo", "OPTIONS", "Edit"}));
  EXPECT_EQ(BoxText(), "");
  EXPECT_THROW(Enter("eXiT"), ProcessEnded);
  // Ending records nothing.
  EXPECT_EQ(History().front(), "mirelo");
}

TEST_F(DispatchTest, AnEmptyTableAndAnEmptyEndingListDoNothing) {
  Start("loca=4\r\nWebExtensions=\r\n");
  ASSERT_EQ(program_->quickcommands.Count(), 1);
  Enter("example.com");
  EXPECT_EQ(BoxText(), kUnknown);
  EXPECT_TRUE(OpenedAfterSentinel().empty());
}

TEST_F(DispatchTest, OddLinesGetAClearStatusAndStartNothingTheyDidNotName) {
  Start();
  const std::vector<std::string> lines = {
      std::string(10000, 'a'),
      "\x01\x02\x1b[31m",
      "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC",
      "c:\\games\\r?n.exe\\..\\*",
      "c:\\..\\..\\..\\..\\etc\\passwd",
      "z:\\games\\run.exe",
      "c:\\games\\run.exe;c:\\sentinel\\done.exe",
  };
  for (const std::string& line : lines) {
    Enter(line);
    const std::string box = BoxText();
    EXPECT_TRUE(box == kUnknown || box == kPathNotFound || box == kFileNotFound)
        << line.substr(0, 40) << " -> " << box;
  }
  // Wildcards may find an entry, but only what the line names literally is
  // ever started: nothing here.
  Enter("c:\\games\\*.exe");
  Enter("c:\\games\\r?n.exe");
  EXPECT_EQ(MarkersAfterSentinel(), std::vector<std::string>{"sentinel"});
  EXPECT_TRUE(OpenedAfterSentinel().empty());
}

}  // namespace
}  // namespace tarvolin
