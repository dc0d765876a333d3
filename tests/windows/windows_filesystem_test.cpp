// The file system through the Win32 calls: directory search by pattern and
// attributes, and the current and program folders, on the real C: drive.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/windows/windows_filesystem.h"
#include "support/system_info.h"
#include "support/temp_folder.h"

namespace tarvolin::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

constexpr unsigned kFoldersAndFiles = kAttrDirectory;
constexpr unsigned kFilesOnly = kAttrNormal;
constexpr unsigned kReadOnlyAndFiles = kAttrReadOnly;

fs::path Utf8Path(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

class WindowsFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    startFolder_ = fs::current_path();
    temp_.Write("Games/run.exe", "x");
    temp_.Write("my.dir/readme", "");
    temp_.Write("a.b/c.d/e.txt", "e");
    temp_.MakeFolder("empty");
    Mark(temp_.Write("secret", ""), FILE_ATTRIBUTE_HIDDEN);
    Mark(temp_.MakeFolder("hiddendir"), FILE_ATTRIBUTE_HIDDEN);
    Mark(temp_.Write("sysfile", ""), FILE_ATTRIBUTE_SYSTEM);
    Mark(temp_.Write("ro.txt", ""), FILE_ATTRIBUTE_READONLY);
  }
  void TearDown() override {
    fs::current_path(startFolder_);
    for (const char* name : {"secret", "hiddendir", "sysfile", "ro.txt"}) {
      ::SetFileAttributesA(In(name).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
  }

  static void Mark(const std::string& path, DWORD attributes) {
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), attributes)) << path;
  }

  // A path inside the temporary folder, with backslashes.
  std::string In(const std::string& relative) const { return temp_.Path() + "\\" + relative; }

  TempFolder temp_;
  WindowsFileSystem files_{"C:\\"};
  fs::path startFolder_;
};

TEST_F(WindowsFileSystemTest, FirstMatchingEntry) {
  struct Case {
    std::string pattern;
    unsigned attributes;
    const char* expected;
  };
  const std::vector<Case> cases = {
      // Names in any case yield the spelling on disk.
      {In("GAMES\\RUN.EXE"), kFoldersAndFiles, "run.exe"},
      {In("Games/run.exe"), kFilesOnly, "run.exe"},
      {In("a.b\\c.d\\E.TXT"), kFilesOnly, "e.txt"},
      {In("Games\\missing.exe"), kFoldersAndFiles, ""},
      {In("Nowhere\\x.txt"), kFoldersAndFiles, ""},
      // A pattern ending in a separator lists the folder, "." first.
      {In("games\\"), kFoldersAndFiles, "."},
      {In("games/"), kFoldersAndFiles, "."},
      {In("a.b\\c.d\\"), kFoldersAndFiles, "."},
      {In("games\\"), kFilesOnly, "run.exe"},
      {In("empty\\"), kFilesOnly, ""},
      {In("Nowhere\\"), kFoldersAndFiles, ""},
      {In("games\\run.exe\\"), kFoldersAndFiles, ""},
      // Wildcards in the last name only; "*.*" takes names without a dot.
      {In("games\\*.exe"), kFilesOnly, "run.exe"},
      {In("games\\R?N.*"), kFilesOnly, "run.exe"},
      {In("games\\r?.exe"), kFilesOnly, ""},
      {In("games\\*.*"), kFoldersAndFiles, "."},
      {In("my.dir\\*.*"), kFilesOnly, "readme"},
      {In("g*\\run.exe"), kFoldersAndFiles, ""},
      // Folders need the folder bit, hidden and system entries their own
      // bit, a hidden folder both; read-only files match every set.
      {In("games"), kFoldersAndFiles, "Games"},
      {In("games"), kFilesOnly, ""},
      {In("secret"), kFilesOnly, ""},
      {In("secret"), kAttrHidden, "secret"},
      {In("sysfile"), kFoldersAndFiles, ""},
      {In("sysfile"), kAttrSystem, "sysfile"},
      {In("hiddendir"), kFoldersAndFiles, ""},
      {In("hiddendir"), kAttrHidden, ""},
      {In("hiddendir"), kAttrHidden | kAttrDirectory, "hiddendir"},
      {In("ro.txt"), kFilesOnly, "ro.txt"},
      {In("ro.txt"), kReadOnlyAndFiles, "ro.txt"},
      // The system's own folders.
      {"C:\\windows\\notepad.exe", kFilesOnly, "notepad.exe"},
      {"c:\\WINDOWS\\system32\\", kFoldersAndFiles, "."},
      {"q:\\", kFoldersAndFiles, ""},
      {"", kFoldersAndFiles, ""},
      {In("games\\run.exe") + std::string(1, '\0'), kFilesOnly, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(files_.FirstMatchingEntry(c.pattern, c.attributes), c.expected)
        << c.pattern << " with attributes " << c.attributes;
  }
}

TEST_F(WindowsFileSystemTest, ADriveRootHasNoDotEntry) {
  const std::string first = files_.FirstMatchingEntry("c:\\", kFoldersAndFiles);
  EXPECT_FALSE(first.empty());
  EXPECT_NE(first, ".");
  EXPECT_TRUE(fs::exists("c:\\" + first)) << first;
}

TEST_F(WindowsFileSystemTest, NamesComeBackInUtf8) {
  if (testing::AnsiCodePage() != 1252) {
    GTEST_SKIP() << "written for code page 1252, this system uses " << testing::AnsiCodePage();
  }
  // "Käse.txt", made through the wide-character calls.
  ASSERT_TRUE(::CloseHandle(::CreateFileW((fs::path(temp_.Path()) / L"K\u00e4se.txt").c_str(),
                                          GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr)));
  EXPECT_EQ(files_.FirstMatchingEntry(In("k*.txt"), kFilesOnly), "K\xC3\xA4se.txt");
  EXPECT_EQ(files_.FirstMatchingEntry(In("K\xC3\xA4SE.TXT"), kFilesOnly), "K\xC3\xA4se.txt");
}

TEST_F(WindowsFileSystemTest, CurrentFolderFollowsAbsoluteAndRelativePaths) {
  ASSERT_TRUE(files_.SetCurrentFolder(In("Games\\")));
  EXPECT_EQ(files_.CurrentFolder(), In("Games"));

  ASSERT_TRUE(files_.SetCurrentFolder(In("a.b")));
  EXPECT_EQ(files_.FirstMatchingEntry("c.d\\e.txt", kFilesOnly), "e.txt");
  EXPECT_EQ(files_.FirstMatchingEntry("c.d\\", kFoldersAndFiles), ".");
  ASSERT_TRUE(files_.SetCurrentFolder("c.d"));
  EXPECT_EQ(files_.CurrentFolder(), In("a.b\\c.d"));

  // Failures leave the current folder as it was.
  EXPECT_FALSE(files_.SetCurrentFolder(In("nowhere")));
  EXPECT_FALSE(files_.SetCurrentFolder(In("Games\\run.exe")));
  EXPECT_FALSE(files_.SetCurrentFolder("q:\\"));
  EXPECT_FALSE(files_.SetCurrentFolder(""));
  EXPECT_FALSE(files_.SetCurrentFolder(In("Games") + std::string(1, '\0') + "x"));
  EXPECT_EQ(files_.CurrentFolder(), In("a.b\\c.d"));
}

TEST_F(WindowsFileSystemTest, CurrentFolderWithAnAnsiName) {
  if (testing::AnsiCodePage() != 1252) {
    GTEST_SKIP() << "written for code page 1252, this system uses " << testing::AnsiCodePage();
  }
  const std::string folder = In("Ordner \xC3\xA4");
  ASSERT_TRUE(fs::create_directory(Utf8Path(folder)));
  ASSERT_TRUE(files_.SetCurrentFolder(folder));
  EXPECT_EQ(files_.CurrentFolder(), folder);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), Utf8Path(folder)));
}

TEST(WindowsProgramFolderTest, IsTheFolderOfTheRunningExecutable) {
  const std::string folder = WindowsFileSystem::ExecutableFolder();
  ASSERT_GE(folder.size(), 3u);
  EXPECT_NE(folder.back(), '\\');
  EXPECT_EQ(folder[1], ':');
  EXPECT_TRUE(fs::exists(Utf8Path(folder + "\\windows_filesystem_test.exe"))) << folder;

  const WindowsFileSystem files(folder);
  EXPECT_EQ(files.ProgramFolder(), folder);
  EXPECT_EQ(files.NativePath("C:\\Games\\run.exe"), "C:\\Games\\run.exe");
  EXPECT_EQ(FileInFolder(folder, "tv.ini"), folder + "\\tv.ini");
}

}  // namespace
}  // namespace tarvolin::platform
