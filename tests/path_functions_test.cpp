#include <gtest/gtest.h>

#include <vector>

#include "interpreter/path_functions.h"
#include "platform/posix/posix_filesystem.h"
#include "support/temp_folder.h"

namespace tarvolin {
namespace {

// Counts the directory searches, and what they asked for, on the real file
// system underneath.
class CountingFileSystem : public platform::PosixFileSystem {
 public:
  using PosixFileSystem::PosixFileSystem;
  std::string FirstMatchingEntry(const std::string& pattern, unsigned attributes) override {
    queries.push_back(pattern);
    return PosixFileSystem::FirstMatchingEntry(pattern, attributes);
  }
  std::vector<std::string> queries;
};

class PathFunctionsTest : public ::testing::Test {
 protected:
  PathFunctionsTest() : files_(drive_.Path()) {
    drive_.Write("Games/run.exe", "#!/bin/sh\n");
    drive_.MakeFolder("my.dir");
    drive_.Write("my.dir/readme", "text");
    drive_.MakeFolder("a.b/c.d");
    drive_.Write("plainfile", "no extension");
    files_.SetDriveMap({{'c', drive_.Path()}});
  }

  testing::TempFolder drive_;
  CountingFileSystem files_;
};

TEST(NormalizeDrivePath, PutsABackslashAfterTheDrive) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"d", "d:\\"},
      {"c:", "c:\\"},
      {"c:games", "c:\\games"},
      {"c:\\games", "c:\\games"},
      {"C:\\Games\\run.exe", "C:\\Games\\run.exe"},
      {"c:/games", "c:\\/games"},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(NormalizeDrivePath(input), expected) << input;
  }
}

TEST_F(PathFunctionsTest, FolderOfTargetQueriesTheFolderOnceAndAnswersWithIt) {
  struct Case {
    std::string input;
    std::string query;
    std::string result;
  };
  const std::vector<Case> cases = {
      {"C:\\Games\\run.exe", "C:\\Games\\", "C:\\Games\\"},
      {"C:\\Games\\missing.exe", "C:\\Games\\", "C:\\Games\\"},
      {"C:\\Nowhere\\x.txt", "C:\\Nowhere\\", ""},
      {"C:\\Games", "C:\\Games", "C:\\Games"},
      {"C:\\Nowhere", "C:\\Nowhere", ""},
      {"c", "c:\\", "c:\\"},
      {"C:\\my.dir\\readme", "C:\\my.dir\\", "C:\\my.dir\\"},
      {"C:\\a.b\\c.d\\e.txt", "C:\\a.b\\c.d\\", "C:\\a.b\\c.d\\"},
      {"C:\\a.b\\x.y\\e.txt", "C:\\a.b\\x.y\\", ""},
      // The dot in the last place marks no file name: the path is tested
      // whole, and nothing of that name exists.
      {"C:\\Games.", "C:\\Games.", ""},
      // A file without extension is returned whole: it exists.
      {"C:\\plainfile", "C:\\plainfile", "C:\\plainfile"},
      // A drive that is not mapped holds nothing.
      {"q:\\x.txt", "q:\\", ""},
      // c:file.txt becomes c:\file.txt and is cut after the backslash.
      {"c:file.txt", "c:\\", "c:\\"},
  };
  for (const Case& c : cases) {
    files_.queries.clear();
    EXPECT_EQ(FolderOfTarget(files_, c.input), c.result) << c.input;
    EXPECT_EQ(files_.queries, std::vector<std::string>{c.query}) << c.input;
  }
}

TEST_F(PathFunctionsTest, IsValidTargetAcceptsExistingFoldersAndSmallLetterAddresses) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"C:\\Games\\run.exe", true},
      {"C:\\Games\\notyet.exe", true},
      {"C:\\Nowhere\\x.txt", false},
      {"http://example.org/x", true},
      {"https://example.org", true},
      {"www.example.org", true},
      {"HTTP://example.org", false},
      {"HTTPS://example.org", false},
      {"WWW.example.org", false},
      {"run.exe", false},
      {"\\\\server\\share\\x.exe", false},
      {"c", false},
      {"C:", true},
      {"", false},
      {"ftp://example.org", false},
      {"mailto:someone@example.org", false},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(IsValidTarget(files_, input), expected) << input;
  }
}

TEST_F(PathFunctionsTest, OnlyDrivePathsTouchTheFileSystem) {
  IsValidTarget(files_, "www.example.org");
  IsValidTarget(files_, "run.exe");
  EXPECT_TRUE(files_.queries.empty());
  IsValidTarget(files_, "C:\\Games\\run.exe");
  EXPECT_EQ(files_.queries, std::vector<std::string>{"C:\\Games\\"});
}

TEST_F(PathFunctionsTest, AnEmptyDriveRootIsNotAValidTarget) {
  testing::TempFolder empty;
  files_.SetDriveMap({{'c', empty.Path()}});
  EXPECT_FALSE(IsValidTarget(files_, "C:"));
  EXPECT_EQ(FolderOfTarget(files_, "c"), "");
}

}  // namespace
}  // namespace tarvolin
