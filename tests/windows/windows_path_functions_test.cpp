// The path functions on the real C: drive, over the Win32 directory search.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interpreter/path_functions.h"
#include "platform/windows/windows_filesystem.h"
#include "support/temp_folder.h"

namespace tarvolin {
namespace {

// Counts the directory searches, and what they asked for.
class CountingFileSystem : public platform::WindowsFileSystem {
 public:
  using WindowsFileSystem::WindowsFileSystem;
  std::string FirstMatchingEntry(const std::string& pattern, unsigned attributes) override {
    queries.push_back(pattern);
    return WindowsFileSystem::FirstMatchingEntry(pattern, attributes);
  }
  std::vector<std::string> queries;
};

class WindowsPathFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The cut after the folder looks for dots anywhere in the path, so the
    // cases need a temporary folder whose path holds none.
    if (drive_.Path().find('.') != std::string::npos) {
      GTEST_SKIP() << "the temporary folder's path holds a dot: " << drive_.Path();
    }
    drive_.Write("Games/run.exe", "x");
    drive_.Write("my.dir/readme", "text");
    drive_.MakeFolder("a.b/c.d");
    drive_.Write("plainfile", "no extension");
  }

  // A path in the temporary folder.
  std::string In(const std::string& relative) const { return drive_.Path() + "\\" + relative; }

  testing::TempFolder drive_;
  CountingFileSystem files_{"C:\\"};
};

TEST_F(WindowsPathFunctionsTest, FolderOfTargetQueriesTheFolderOnceAndAnswersWithIt) {
  struct Case {
    std::string input;
    std::string query;
    std::string result;
  };
  const std::vector<Case> cases = {
      {In("Games\\run.exe"), In("Games\\"), In("Games\\")},
      {In("Games\\missing.exe"), In("Games\\"), In("Games\\")},
      {In("Nowhere\\x.txt"), In("Nowhere\\"), ""},
      {In("Games"), In("Games"), In("Games")},
      {In("Nowhere"), In("Nowhere"), ""},
      {In("my.dir\\readme"), In("my.dir\\"), In("my.dir\\")},
      {In("a.b\\c.d\\e.txt"), In("a.b\\c.d\\"), In("a.b\\c.d\\")},
      {In("a.b\\x.y\\e.txt"), In("a.b\\x.y\\"), ""},
      {In("plainfile"), In("plainfile"), In("plainfile")},
      // The drive root and the system's own folders.
      {"c", "c:\\", "c:\\"},
      {"C:", "C:\\", "C:\\"},
      {"C:\\windows\\notepad.exe", "C:\\windows\\", "C:\\windows\\"},
      {"c:\\windows\\missing.txt", "c:\\windows\\", "c:\\windows\\"},
      {"c:\\nowhere-at-all\\x.txt", "c:\\nowhere-at-all\\", ""},
      // A drive that does not exist holds nothing.
      {"q:\\x.txt", "q:\\", ""},
  };
  for (const Case& c : cases) {
    files_.queries.clear();
    EXPECT_EQ(FolderOfTarget(files_, c.input), c.result) << c.input;
    EXPECT_EQ(files_.queries, std::vector<std::string>{c.query}) << c.input;
  }
}

TEST_F(WindowsPathFunctionsTest, IsValidTargetAcceptsExistingFoldersAndSmallLetterAddresses) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {In("Games\\run.exe"), true},
      {In("Games\\notyet.exe"), true},
      {In("Nowhere\\x.txt"), false},
      {"C:", true},
      {"c", false},
      {"C:\\windows\\notepad.exe", true},
      {"q:\\x.exe", false},
      {"run.exe", false},
      {"\\\\server\\share\\x.exe", false},
      {"http://example.org/x", true},
      {"HTTP://example.org", false},
      {"www.example.org", true},
      {"", false},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(IsValidTarget(files_, input), expected) << input;
  }
}

}  // namespace
}  // namespace tarvolin
