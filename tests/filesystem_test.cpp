// The file system without drive letters: a temporary folder mapped as a
// drive, names found without regard to case, directory search by pattern
// and attributes.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/posix/posix_filesystem.h"
#include "support/temp_folder.h"

namespace tarvolin::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

constexpr unsigned kFoldersAndFiles = kAttrDirectory;
constexpr unsigned kFilesOnly = kAttrNormal;
constexpr unsigned kReadOnlyAndFiles = kAttrReadOnly;

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    startFolder_ = fs::current_path();
    temp_.Write("Games/run.exe", "x");
    temp_.Write("my.dir/readme", "");
    temp_.Write("a.b/c.d/e.txt", "e");
    temp_.Write(".secret", "");
    temp_.MakeFolder(".hidden");
    temp_.Write("Foo", "upper");
    temp_.Write("foo", "lower");
    temp_.Write("ro.txt", "");
    ::chmod((temp_ / "ro.txt").c_str(), 0444);
    // A second drive whose root starts with a hidden file, then a folder,
    // then an ordinary file.
    temp_.Write("root/.a", "");
    temp_.MakeFolder("root/B");
    temp_.Write("root/c", "");
    temp_.MakeFolder("empty");
    files_.SetDriveMap({{'c', temp_.Path()}, {'d', temp_ / "root"}, {'e', temp_ / "empty"}});
  }
  void TearDown() override { fs::current_path(startFolder_); }

  std::string Real(const std::string& relative) const {
    return fs::canonical(temp_ / relative).string();
  }

  TempFolder temp_;
  PosixFileSystem files_{"/"};
  fs::path startFolder_;
};

TEST_F(FileSystemTest, FirstMatchingEntry) {
  struct Case {
    const char* pattern;
    unsigned attributes;
    const char* expected;
  };
  const std::vector<Case> cases = {
      // Names in any case yield the spelling on disk.
      {"C:\\GAMES\\RUN.EXE", kFoldersAndFiles, "run.exe"},
      {"c:/games/run.exe", kFilesOnly, "run.exe"},
      {"c:games\\run.exe", kFilesOnly, "run.exe"},
      {"c:\\a.b\\c.d\\E.TXT", kFilesOnly, "e.txt"},
      {"c:\\Games\\missing.exe", kFoldersAndFiles, ""},
      {"c:\\Nowhere\\x.txt", kFoldersAndFiles, ""},
      // An exact name wins over one that differs only in case.
      {"c:\\foo", kFilesOnly, "foo"},
      {"c:\\Foo", kFilesOnly, "Foo"},
      {"c:\\FOO", kFilesOnly, "Foo"},
      // A folder's contents start with its own "." entry.
      {"c:\\games\\", kFoldersAndFiles, "."},
      {"c:\\a.b\\c.d\\", kFoldersAndFiles, "."},
      {"c:\\games\\", kFilesOnly, "run.exe"},
      {"c:\\Nowhere\\", kFoldersAndFiles, ""},
      {"c:\\games\\run.exe\\", kFoldersAndFiles, ""},
      // Wildcards.
      {"c:\\games\\*.exe", kFilesOnly, "run.exe"},
      {"c:\\games\\R?N.*", kFilesOnly, "run.exe"},
      {"c:\\games\\r?.exe", kFilesOnly, ""},
      {"c:\\games\\*.*", kFoldersAndFiles, "."},
      {"c:\\games\\*.*", kFilesOnly, "run.exe"},
      {"c:\\my.dir\\*.*", kFilesOnly, "readme"},
      {"c:\\g*", kFoldersAndFiles, "Games"},
      {"c:\\g*", kFilesOnly, ""},
      {"c:\\*.txt", kFilesOnly, "ro.txt"},
      // Folders need the folder bit, hidden entries the hidden bit, a hidden
      // folder both; read-only files match every set.
      {"c:\\games", kFoldersAndFiles, "Games"},
      {"c:\\games", kFilesOnly, ""},
      {"c:\\.secret", kFilesOnly, ""},
      {"c:\\.secret", kAttrHidden, ".secret"},
      {"c:\\.hidden", kFoldersAndFiles, ""},
      {"c:\\.hidden", kAttrHidden, ""},
      {"c:\\.hidden", kAttrHidden | kAttrDirectory, ".hidden"},
      {"c:\\ro.txt", kFilesOnly, "ro.txt"},
      {"c:\\ro.txt", kReadOnlyAndFiles, "ro.txt"},
      // A drive root has no "." entry; hidden entries are passed over.
      {"d:\\", kFoldersAndFiles, "B"},
      {"d:", kFoldersAndFiles, "B"},
      {"d:\\", kFilesOnly, "c"},
      {"d:\\", kAttrHidden, ".a"},
      {"e:\\", kFoldersAndFiles, ""},
      // ".." is taken by its text and never leaves the drive.
      {"c:\\games\\..\\a.b\\c.d\\e.txt", kFilesOnly, "e.txt"},
      {"c:\\nowhere\\..\\games\\run.exe", kFilesOnly, "run.exe"},
      {"d:\\..\\..\\games\\run.exe", kFilesOnly, ""},
      {"d:\\..\\c", kFilesOnly, "c"},
      // Unmapped drives and names no Windows path can hold.
      {"q:\\", kFoldersAndFiles, ""},
      {"c:\\g*\\run.exe", kFoldersAndFiles, ""},
      {"c:\\games\\ru:n.exe", kFoldersAndFiles, ""},
      {"", kFoldersAndFiles, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(files_.FirstMatchingEntry(c.pattern, c.attributes), c.expected)
        << c.pattern << " with attributes " << c.attributes;
  }
}

TEST_F(FileSystemTest, UnreadableFolderYieldsNothing) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "permissions do not bind the super-user";
  }
  temp_.Write("locked/inside.txt", "");
  ::chmod((temp_ / "locked").c_str(), 0);
  EXPECT_EQ(files_.FirstMatchingEntry("c:\\locked\\*.txt", kFilesOnly), "");
  EXPECT_EQ(files_.FirstMatchingEntry("c:\\locked\\inside.txt", kFilesOnly), "");
}

TEST_F(FileSystemTest, NativePath) {
  const std::string root = temp_.Path();
  struct Case {
    std::string path;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"C:\\GAMES\\RUN.EXE", root + "/Games/run.exe"},
      {"c:\\games\\new.txt", root + "/Games/new.txt"},
      {"c:\\Nowhere\\Sub\\x", root + "/Nowhere/Sub/x"},
      {"c:\\games\\", root + "/Games/"},
      {"c:\\", root + "/"},
      {"c:", root},
      {"c:\\a.b\\.\\c.d\\..\\C.D\\E.txt", root + "/a.b/c.d/e.txt"},
      {"c:\\..\\..\\foo", root + "/foo"},
      {"q:\\x", ""},
      {"", ""},
      // The system's own paths are kept when they exist.
      {root + "/Games/run.exe", root + "/Games/run.exe"},
      {root + "/games/RUN.exe", root + "/Games/run.exe"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(files_.NativePath(c.path), c.expected) << c.path;
  }
}

TEST_F(FileSystemTest, DefaultDriveMapIsTheSystemRoot) {
  PosixFileSystem plain("/");
  EXPECT_EQ(plain.DriveMap(), (std::map<char, std::string>{{'c', "/"}}));
  EXPECT_EQ(plain.NativePath("C:\\"), "/");
  EXPECT_EQ(plain.NativePath("c:\\nowhere-at-all\\x"), "/nowhere-at-all/x");
  EXPECT_EQ(plain.NativePath("d:\\x"), "");
  EXPECT_EQ(plain.FirstMatchingEntry(temp_ / "GAMES/run.exe", kFilesOnly), "run.exe");
}

TEST_F(FileSystemTest, CurrentFolderFollowsDriveAndRelativePaths) {
  ASSERT_TRUE(files_.SetCurrentFolder("C:\\GAMES\\"));
  EXPECT_EQ(files_.CurrentFolder(), Real("Games"));

  // Relative names are found from the current folder, also without regard
  // to case.
  ASSERT_TRUE(files_.SetCurrentFolder("c:\\a.b"));
  EXPECT_EQ(files_.FirstMatchingEntry("C.D\\E.TXT", kFilesOnly), "e.txt");
  EXPECT_EQ(files_.FirstMatchingEntry("c.d\\", kFoldersAndFiles), ".");
  EXPECT_EQ(files_.NativePath("C.D\\e.TXT"), "c.d/e.txt");
  ASSERT_TRUE(files_.SetCurrentFolder("C.D"));
  EXPECT_EQ(files_.CurrentFolder(), Real("a.b/c.d"));

  ASSERT_TRUE(files_.SetCurrentFolder(temp_ / "my.dir"));
  EXPECT_EQ(files_.CurrentFolder(), Real("my.dir"));

  // Failures leave the current folder as it was.
  EXPECT_FALSE(files_.SetCurrentFolder("c:\\nowhere"));
  EXPECT_FALSE(files_.SetCurrentFolder("c:\\games\\run.exe"));
  EXPECT_FALSE(files_.SetCurrentFolder("q:\\"));
  EXPECT_FALSE(files_.SetCurrentFolder(""));
  EXPECT_EQ(files_.CurrentFolder(), Real("my.dir"));
}

TEST_F(FileSystemTest, LoadDriveMapTakesSingleLettersOfTheDrivesSection) {
  const std::string ini =
      temp_.Write("tv.ini", "[Tarvolin]\r\nCorner=2\r\n[drives]\r\nC=" + temp_ / "root" +
                                "/\r\nd=" + temp_.Path() + "\r\nxy=/nope\r\ne=\r\nf=relative\r\n");
  files_.LoadDriveMap(ini);
  EXPECT_EQ(files_.DriveMap(),
            (std::map<char, std::string>{{'c', temp_ / "root"}, {'d', temp_.Path()}}));
  EXPECT_EQ(files_.FirstMatchingEntry("c:\\", kFoldersAndFiles), "B");
  EXPECT_EQ(files_.FirstMatchingEntry("d:\\games\\run.exe", kFilesOnly), "run.exe");
  EXPECT_EQ(files_.NativePath("e:\\x"), "");
}

TEST_F(FileSystemTest, LoadDriveMapKeepsTheMapWithoutDrivesSection) {
  const auto before = files_.DriveMap();
  files_.LoadDriveMap(temp_.Write("tv.ini", "[Tarvolin]\r\nCorner=2\r\n"));
  EXPECT_EQ(files_.DriveMap(), before);
  files_.LoadDriveMap(temp_ / "missing.ini");
  EXPECT_EQ(files_.DriveMap(), before);
}

TEST(ExecutableFolderTest, HoldsTheRunningProgram) {
  const std::string folder = PosixFileSystem::ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '/');
  EXPECT_TRUE(fs::equivalent(folder + "/filesystem_test", "/proc/self/exe"));
}

}  // namespace
}  // namespace tarvolin::platform
