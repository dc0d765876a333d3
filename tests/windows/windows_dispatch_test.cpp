// What a typed line does on Windows: the bar starts on the Windows side of
// the platform (directory search, current folder, profile functions) with a
// toolkit without windows, on the real C: drive; launches go to a recorder,
// so nothing is opened.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bar/form1.h"
#include "bar/program.h"
#include "platform/windows/windows_filesystem.h"
#include "platform/windows/windows_profile.h"
#include "support/fake_system.h"
#include "support/fake_toolkit.h"
#include "support/recording_shell.h"
#include "support/temp_folder.h"

namespace tarvolin {
namespace {

namespace fs = std::filesystem;
using testing::ProcessEnded;
using Strings = std::vector<std::string>;

constexpr char kUnknown[] = "Unknown command (F1 for help)";
constexpr char kPathNotFound[] = "-::Path not found::-";
constexpr char kFileNotFound[] = "-::File not found::-";

class WindowsDispatchTest : public ::testing::Test {
 protected:
  WindowsDispatchTest()
      : programFolder_(temp_.Path() + "\\prog"), files_(programFolder_), shell_(&recorder_) {
    temp_.MakeFolder("prog");
    temp_.Write("plainfile", "a file without extension");
  }
  ~WindowsDispatchTest() override {
    program_.reset();
    fs::current_path(startFolder_);
  }

  void Start(const std::string& settingsLines = "loca=4\r\nWebExtensions=com,org,net\r\n",
             const std::vector<QuickcommandEntry>& quickcommands = {}) {
    temp_.Write("prog/tv.ini", "[Tarvolin]\r\n" + settingsLines);
    std::string records;
    for (const QuickcommandEntry& entry : quickcommands) {
      records += entry.Target + "\r\n" + entry.Name + "\r\n";
    }
    temp_.Write("prog/files.cfg", quickcommands.empty() ? "\r\n\r\n" : records);
    platform_ = std::make_unique<platform::Platform>(
        platform::Platform{ui_, files_, profile_, *shell_, system_});
    program_ = std::make_unique<Program>(*platform_);
    program_->Start();
  }

  // Enter with the line in the box, through the key handler itself.
  void Enter(const std::string& line) {
    program_->form1().Text1().SetText(line);
    program_->form1().Text1_KeyDown(platform::kKeyReturn, 0);
  }
  std::string BoxText() { return program_->form1().Text1().Text(); }
  Strings History() { return program_->bar.CommandHistory; }

  Strings Opened() const {
    Strings targets;
    for (const auto& call : recorder_.calls) {
      targets.push_back(call.target);
    }
    return targets;
  }

  // The folder a launch was made in is the one named (any case, with or
  // without its last backslash).
  static bool SameFolder(const std::string& folder, const std::string& expected) {
    std::error_code ec;
    return fs::equivalent(folder, expected, ec);
  }

  fs::path startFolder_ = fs::current_path();
  testing::TempFolder temp_;
  std::string programFolder_;
  testing::FakeToolkit ui_;
  platform::WindowsFileSystem files_;
  platform::WindowsProfileStore profile_;
  testing::RecordingShell recorder_;
  platform::Shell* shell_;
  testing::FakeSystem system_;
  std::unique_ptr<platform::Platform> platform_;
  std::unique_ptr<Program> program_;
};

TEST_F(WindowsDispatchTest, StartUpReadsTheSettingsThroughTheProfileFunctions) {
  Start("loca=2\r\nCaseSensitive=1\r\nWebExtensions=de,at\r\n");
  EXPECT_EQ(program_->settings.CornerCode, 2);
  EXPECT_TRUE(program_->settings.CaseSensitive);
  EXPECT_EQ(program_->settings.WebExtensionList, (Strings{".de", ".at"}));
  EXPECT_TRUE(SameFolder(files_.CurrentFolder(), programFolder_));
  EXPECT_EQ(program_->form1().Text1().Text(), "");
}

TEST_F(WindowsDispatchTest, ABareNameStartsOnlyTheFirstWindowsCandidate) {
  Start();
  // notepad.exe stands in both C:\windows and C:\windows\system32.
  Enter("Notepad");
  EXPECT_EQ(BoxText(), "");
  // cmd.exe only in system32, chcp.com only as a .com there.
  Enter("cmd");
  Enter("chcp");
  EXPECT_EQ(Opened(), (Strings{"C:\\windows\\notepad.exe", "C:\\windows\\system32\\cmd.exe",
                               "C:\\windows\\system32\\chcp.com"}));
  for (const auto& call : recorder_.calls) {
    EXPECT_TRUE(SameFolder(call.folder, programFolder_)) << call.folder;
  }
  EXPECT_EQ(History(), (Strings{"chcp", "cmd", "Notepad"}));
}

TEST_F(WindowsDispatchTest, ANameWithExtensionOrArgumentIsUnknown) {
  Start();
  for (const char* line : {"notepad.exe", "notepad readme.txt", "no-such-program"}) {
    Enter(line);
    EXPECT_EQ(BoxText(), kUnknown) << line;
  }
  EXPECT_TRUE(recorder_.calls.empty());
}

TEST_F(WindowsDispatchTest, ADrivePathStartsInItsOwnFolderAndTheFolderComesBack) {
  Start();
  Enter("C:\\WINDOWS\\Notepad.EXE");
  ASSERT_EQ(Opened(), Strings{"c:\\windows\\notepad.exe"});
  EXPECT_TRUE(SameFolder(recorder_.calls[0].folder, "C:\\windows")) << recorder_.calls[0].folder;
  EXPECT_TRUE(SameFolder(files_.CurrentFolder(), programFolder_));
  EXPECT_EQ(BoxText(), "");
  EXPECT_EQ(History(), Strings{"C:\\WINDOWS\\Notepad.EXE"});
}

TEST_F(WindowsDispatchTest, ADriveLetterOpensTheDriveRoot) {
  Start();
  for (const char* line : {"c", "c:", "C:"}) {
    Enter(line);
    EXPECT_EQ(BoxText(), "") << line;
  }
  ASSERT_EQ(Opened(), (Strings{"c:\\", "c:\\", "c:\\"}));
  EXPECT_TRUE(SameFolder(recorder_.calls[0].folder, "C:\\"));
}

TEST_F(WindowsDispatchTest, AMissingDrivePathSaysWhichPartIsMissing) {
  Start();
  Enter("c:\\nowhere-at-all\\x.txt");
  EXPECT_EQ(BoxText(), kPathNotFound);
  EXPECT_EQ(program_->form1().Text1().SelLength(), 20);
  Enter("c:\\windows\\missing.txt");
  EXPECT_EQ(BoxText(), kFileNotFound);
  Enter("q:\\anything.txt");
  EXPECT_EQ(BoxText(), kPathNotFound);
  EXPECT_TRUE(recorder_.calls.empty());
  EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(WindowsDispatchTest, AFileWithoutExtensionCannotBeEnteredAndNothingStarts) {
  Start();
  Enter(temp_.Path() + "\\plainfile");
  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].text, "Path not found");
  EXPECT_EQ(ui_.boxes[0].title, "Tarvolin");
  EXPECT_FALSE(ui_.boxes[0].yesNo);
  EXPECT_EQ(BoxText(), "");
  EXPECT_TRUE(recorder_.calls.empty());
  EXPECT_TRUE(SameFolder(files_.CurrentFolder(), programFolder_));
}

TEST_F(WindowsDispatchTest, ALaunchThatFailsOutrightIsReportedInTheTargetsFolder) {
  struct FailingShell : platform::Shell {
    void Open(const std::string&) override { throw std::runtime_error("cannot start"); }
  } failing;
  shell_ = &failing;
  Start();
  Enter("c:\\windows\\notepad.exe");
  ASSERT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(ui_.boxes[0].text, "File not found");
  EXPECT_EQ(BoxText(), "");
  EXPECT_TRUE(SameFolder(files_.CurrentFolder(), "C:\\windows"));
  program_.reset();
}

TEST_F(WindowsDispatchTest, WebAddressesGoToTheShellInSmallLetters) {
  Start();
  Enter("WWW.Example.ORG/Path");
  Enter("HTTPS://x.example/B");
  Enter("Example.COM");
  EXPECT_EQ(Opened(),
            (Strings{"www.example.org/path", "https://x.example/b", "http://example.com"}));
}

TEST_F(WindowsDispatchTest, QuickcommandsDispatchTheirTargetAndRecordTheWord) {
  Start("loca=4\r\n", {{"C:\\Windows\\Notepad.exe", "np"}, {"c:\\nowhere-at-all\\x.exe", "quit"}});
  Enter("NP");
  EXPECT_EQ(Opened(), Strings{"c:\\windows\\notepad.exe"});
  EXPECT_EQ(History(), Strings{"NP"});
  // A target that cannot run lets the word itself through.
  EXPECT_THROW(Enter("quit"), ProcessEnded);
  EXPECT_EQ(system_.endCount, 1);
}

}  // namespace
}  // namespace tarvolin
