// The system side, one suite for both systems: natively on Linux (our INI
// store, the drive map, the shell) and, cross-built, under Wine on Windows
// (the same cases against the Win32 calls themselves).
//
// Wine rewrites a whole profile file from what it parsed: blank lines are
// dropped and a new key goes after the section's comment lines. Those cases
// are skipped for the system's functions under Wine.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "support/system_info.h"
#include "support/temp_folder.h"
#include "sys/environment.h"
#include "sys/posix/ini_store.h"
#ifdef _WIN32
#include "sys/windows/windows_filesystem.h"
#include "sys/windows/windows_profile.h"
#include "sys/windows/windows_shell.h"
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "sys/posix/posix_filesystem.h"
#include "sys/posix/posix_shell.h"
#endif

namespace tarvolin::sys {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// Waits (bounded) for a file that a started program writes last.
bool WaitForFile(const std::string& path) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fs::exists(path) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return fs::exists(path);
}

// --- The profile store ---------------------------------------------------

enum class Store { kOurs, kSystem };

std::vector<Store> Stores() {
#ifdef _WIN32
  return {Store::kOurs, Store::kSystem};
#else
  return {Store::kOurs};
#endif
}

std::unique_ptr<ProfileStore> MakeStore(Store store) {
#ifdef _WIN32
  if (store == Store::kSystem) {
    return std::make_unique<WindowsProfileStore>();
  }
#endif
  (void)store;
  return std::make_unique<IniStore>();
}

struct ProfileCase {
  const char* before;  // the file, or null for none
  const char* section;
  const char* key;
  const char* value;  // null: a read, which must give `after`
  const char* after;
  bool wineDeparts = false;
};

const ProfileCase kProfileCases[] = {
    // Reading.
    {"[A]\r\nk=v\r\n", "A", "k", nullptr, "v"},
    {"[tarVOLIN]\r\nWebExtensions=com\r\n", "Tarvolin", "webextensions", nullptr, "com"},
    {" \t[ A\t]  \r\n\t k \t=  v w \t\r\n", "A", "k", nullptr, "v w"},
    {"[A]\r\nk=\"a b\"\r\n", "A", "k", nullptr, "a b"},
    {"[A]\r\nk= 'a b' \r\n", "A", "k", nullptr, "a b"},
    {"[A]\r\nk=\"a'\r\n", "A", "k", nullptr, "\"a'"},
    {"[A]\r\nk=1 ; note\r\n", "A", "k", nullptr, "1 ; note"},
    {"[A]\r\nk=a=b\r\n", "A", "k", nullptr, "a=b"},
    {"[A]\r\nk\r\nk=2\r\n", "A", "k", nullptr, "2", true},
    {"[A]\r\nk=1\r\nk=2\r\n[A]\r\nk=3\r\n", "A", "k", nullptr, "1"},
    {"[a]b]\r\nk=v\r\n", "a]b", "k", nullptr, "v"},
    {"k=1\r\n[A]\r\n[B]\r\nk=2\r\n", "A", "k", nullptr, ""},
    {"[B]\rk=1\n[A]\r\n\r\rk=2", "A", "k", nullptr, "2"},
    {nullptr, "A", "k", nullptr, ""},
    // Writing: only what changes.
    {nullptr, "Tarvolin", "loca", "4", "[Tarvolin]\r\nloca=4\r\n"},
    {"[A]\r\na=1\r\n[B]\r\nb=2\r\n", "A", "c", "3", "[A]\r\na=1\r\nc=3\r\n[B]\r\nb=2\r\n"},
    {"[A]\r\na=1\r\n", "B", "b", "2", "[A]\r\na=1\r\n[B]\r\nb=2\r\n"},
    {"[tarvolin]\r\nLOCA=4\r\nx=1\r\n", "Tarvolin", "loca", "2", "[tarvolin]\r\nLOCA=2\r\nx=1\r\n"},
    {"[A]\r\nk=\"old\"\r\n", "A", "k", "", "[A]\r\nk=\r\n"},
    {"; head\r\n[A]\r\na=1\r\n[B]\r\n; note\r\nb=2\r\n", "A", "a", "5",
     "; head\r\n[A]\r\na=5\r\n[B]\r\n; note\r\nb=2\r\n"},
    {"[A]\r\na=1\r\n; note\r\n\r\n[B]\r\nb=2\r\n", "A", "c", "3",
     "[A]\r\na=1\r\nc=3\r\n; note\r\n\r\n[B]\r\nb=2\r\n", true},
};

class ProfileTest : public ::testing::TestWithParam<std::tuple<Store, ProfileCase>> {};

TEST_P(ProfileTest, ReadsAndWritesAsTheWindowsFunctions) {
  const auto& [store, c] = GetParam();
  if (store == Store::kSystem && c.wineDeparts && testing::RunningUnderWine()) {
    GTEST_SKIP() << "Wine rewrites the file its own way";
  }
  TempFolder folder;
  if (c.before != nullptr) {
    folder.Write("t.ini", c.before);
  }
  const auto profile = MakeStore(store);
  if (c.value == nullptr) {
    EXPECT_EQ(profile->Read(c.section, c.key, folder / "t.ini"), c.after);
  } else {
    EXPECT_TRUE(profile->Write(c.section, c.key, c.value, folder / "t.ini"));
    EXPECT_EQ(folder.Read("t.ini"), c.after);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileTest,
                         ::testing::Combine(::testing::ValuesIn(Stores()),
                                            ::testing::ValuesIn(kProfileCases)),
                         [](const auto& p) {
                           return std::string(std::get<0>(p.param) == Store::kOurs ? "Ours"
                                                                                   : "Win32") +
                                  std::to_string(p.index);
                         });

class ProfileStoreTest : public ::testing::TestWithParam<Store> {
 protected:
  TempFolder folder_;
  std::unique_ptr<ProfileStore> profile_ = MakeStore(GetParam());
};

TEST_P(ProfileStoreTest, ValuesReadBackAsWrittenCutTo254Bytes) {
  const std::string file = folder_ / "tv.ini";
  for (const std::string value : {"com,org,net", "", "a=b", "x ; y", "[s]", "-3", "tab\tin"}) {
    ASSERT_TRUE(profile_->Write("Tarvolin", "WebExtensions", value, file)) << value;
    EXPECT_EQ(profile_->Read("Tarvolin", "WebExtensions", file), value);
  }
  // A quoted value with blanks around it reads back quoted.
  if (GetParam() == Store::kOurs) {
    ASSERT_TRUE(profile_->Write("Tarvolin", "WebExtensions", " \"a\" ", file));
    EXPECT_EQ(profile_->Read("Tarvolin", "WebExtensions", file), "\"a\"");
  }
  const std::string longValue(300, 'x');
  ASSERT_TRUE(profile_->Write("Tarvolin", "WebExtensions", longValue, file));
  EXPECT_EQ(profile_->Read("Tarvolin", "WebExtensions", file), longValue.substr(0, 254));
  EXPECT_NE(folder_.Read("tv.ini").find(longValue), std::string::npos);
}

TEST_P(ProfileStoreTest, WriteIntoAMissingFolderFailsAndCreatesNothing) {
  EXPECT_FALSE(profile_->Write("A", "k", "v", folder_ / "missing/tv.ini"));
  EXPECT_FALSE(folder_.Exists("missing"));
}

INSTANTIATE_TEST_SUITE_P(Stores, ProfileStoreTest, ::testing::ValuesIn(Stores()));

// --- The file system -------------------------------------------------------

// A temporary folder reached by a drive path: on Windows its own path, on
// Linux a drive letter mapped to it.
class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.Write("Games/run.exe", "x");
    temp_.Write("my.dir/readme", "");
#ifndef _WIN32
    files_.SetDriveMap({{ 'c', temp_.Path() }});
#endif
  }
  void TearDown() override {
    fs::current_path(start_);
  }

#ifdef _WIN32
  std::string Drive(const std::string& rest) const {
    return temp_.Path() + rest;
  }
  WindowsFileSystem files_{"C:\\"};
#else
  std::string Drive(const std::string& rest) const {
    return "c:" + rest;
  }
  PosixFileSystem files_{"/"};
#endif
  TempFolder temp_;
  fs::path start_ = fs::current_path();
};

// tv.ini and files.cfg stay beside a program the user may write to, and go
// to the user's own configuration folder, made on the spot, otherwise.
TEST_F(FileSystemTest, SettingsLiveBesideAWritableProgramElseWithTheUser) {
  EXPECT_EQ(SettingsFolder(temp_.Path()), temp_.Path());
  EXPECT_FALSE(temp_.Exists(".tarvolin-write-test"));
#ifdef _WIN32
  ::_putenv_s("APPDATA", (temp_ / "config").c_str());
  const std::string expected = temp_ / "config/Tarvolin";
#else
  ::setenv("XDG_CONFIG_HOME", (temp_ / "config").c_str(), 1);
  const std::string expected = temp_ / "config/tarvolin";
  // Where packages put programs, nothing is written, not even by root.
  EXPECT_EQ(SettingsFolder("/usr/lib/tarvolin"), expected);
#endif
  EXPECT_EQ(SettingsFolder(temp_ / "no/such/folder"), expected);
  EXPECT_TRUE(fs::is_directory(expected));
}

TEST_F(FileSystemTest, FirstMatchingEntryFindsNamesInAnyCase) {
  struct Case {
    const char* rest;
    unsigned attributes;
    const char* expected;
  };
  const Case cases[] = {
      {"\\GAMES\\RUN.EXE", kAttrDirectory, "run.exe"},
      {"\\games\\missing.exe", kAttrDirectory, ""},
      {"\\Nowhere\\x.txt", kAttrDirectory, ""},
      {"\\games\\", kAttrDirectory, "."},  // a folder's contents start with "."
      {"\\games\\", kAttrNormal, "run.exe"},
      {"\\Nowhere\\", kAttrDirectory, ""},
      {"\\games\\*.exe", kAttrNormal, "run.exe"},
      {"\\games\\R?N.*", kAttrNormal, "run.exe"},
      {"\\games\\r?.exe", kAttrNormal, ""},
      {"\\my.dir\\*.*", kAttrNormal, "readme"},
      {"\\g*", kAttrDirectory, "Games"},
      {"\\g*", kAttrNormal, ""},  // folders only with the folder bit
      {"\\games", kAttrNormal, ""},
      {"\\games\\ru:n.exe", kAttrDirectory, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(files_.FirstMatchingEntry(Drive(c.rest), c.attributes), c.expected) << c.rest;
  }
}

TEST_F(FileSystemTest, CurrentFolderChangesOnlyToFolders) {
  ASSERT_TRUE(files_.SetCurrentFolder(Drive("\\GAMES\\")));
  EXPECT_TRUE(fs::equivalent(fs::current_path(), temp_ / "Games"));
  EXPECT_FALSE(files_.SetCurrentFolder(Drive("\\nowhere")));
  EXPECT_FALSE(files_.SetCurrentFolder(Drive("\\games\\run.exe")));
  EXPECT_FALSE(files_.SetCurrentFolder(""));
  EXPECT_TRUE(fs::equivalent(fs::current_path(), temp_ / "Games"));
}

#ifndef _WIN32
// What only the drive map has: roots, hidden names, "..", unmapped letters,
// and the way between drive paths and the system's own.
TEST_F(FileSystemTest, DriveMapStandsForTheDriveLetters) {
  temp_.Write("root/.a", "");
  temp_.MakeFolder("root/B");
  temp_.Write("root/c", "");
  temp_.Write(".secret", "");
  files_.LoadDriveMap(
      temp_.Write("tv.ini", "[Tarvolin]\r\nloca=2\r\n[drives]\r\nC=" + temp_.Path() +
                                "\r\nd=" + temp_ / "root" + "/\r\nxy=/nope\r\nf=relative\r\n"));
  EXPECT_EQ(files_.FirstMatchingEntry("d:\\", kAttrDirectory), "B");  // a root has no "."
  EXPECT_EQ(files_.FirstMatchingEntry("d:", kAttrNormal), "c");
  EXPECT_EQ(files_.FirstMatchingEntry("d:\\", kAttrHidden), ".a");
  EXPECT_EQ(files_.FirstMatchingEntry("c:\\.secret", kAttrNormal), "");
  EXPECT_EQ(files_.FirstMatchingEntry("d:\\..\\..\\games\\run.exe", kAttrNormal), "");
  EXPECT_EQ(files_.FirstMatchingEntry("c:\\nowhere\\..\\games\\run.exe", kAttrNormal), "run.exe");
  EXPECT_EQ(files_.FirstMatchingEntry("f:\\", kAttrDirectory), "");
  EXPECT_EQ(files_.NativePath("C:\\GAMES\\new.txt"), temp_ / "Games/new.txt");
  EXPECT_EQ(files_.NativePath("q:\\x"), "");
  EXPECT_EQ(files_.DrivePathOf(temp_ / "root/B/x.txt"), "D:\\B\\x.txt");
  EXPECT_EQ(files_.DrivePathOf("/elsewhere/x"), "/elsewhere/x");
  EXPECT_EQ(PosixFileSystem("/").NativePath("C:\\"), "/");
}

// --- The shell ---------------------------------------------------------------

class ShellTest : public FileSystemTest {
 protected:
  void SetUp() override {
    FileSystemTest::SetUp();
    // The opener writes its arguments, one a line, then renames the file.
    Script("opener.sh", "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + temp_ / "o.tmp" +
                            "'\nmv '" + temp_ / "o.tmp" + "' '" + temp_ / "opened" + "'\n");
  }
  void TearDown() override {
    // Every child was reaped: the started programs belong to init, and the
    // openers, once ended, to the shell's check.
    EXPECT_TRUE(Failures(shell_).empty());
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    FileSystemTest::TearDown();
  }
  void Script(const std::string& relative, const std::string& body) {
    ::chmod(temp_.Write(relative, "#!/bin/sh\n" + body).c_str(), 0755);
  }
  std::string Opened() {
    WaitForFile(temp_ / "opened");
    const std::string arguments = temp_.Read("opened");
    fs::remove(temp_ / "opened");
    return arguments;
  }
  // What the shell tells of its openers within a second.
  static std::vector<std::string> Failures(PosixShell& shell) {
    std::vector<std::string> failures;
    for (int i = 0; i < 100 && failures.empty(); ++i) {
      failures = shell.FailedOpenings();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return failures;
  }
  PosixShell shell_{files_, temp_ / "opener.sh"};
};

TEST_F(ShellTest, ProgramsStartDetachedInTheCurrentFolder) {
  Script("Games/a b;touch PWNED.sh", "{ echo \"$#\"; pwd; } > m.tmp\nmv m.tmp marker\n");
  ASSERT_TRUE(files_.SetCurrentFolder("c:\\games\\"));
  shell_.Open("c:\\games\\a b;touch pwned.sh");
  ASSERT_TRUE(WaitForFile(temp_ / "Games/marker"));
  EXPECT_EQ(temp_.Read("Games/marker"), "0\n" + fs::canonical(temp_ / "Games").string() + "\n");
  EXPECT_FALSE(temp_.Exists("Games/PWNED"));
}

TEST_F(ShellTest, EverythingElseGoesToTheOpenerAsOneArgument) {
  temp_.Write("Docs/read me;$(touch X).txt", "");
  temp_.Write("Docs/tool.sh", "#!/bin/sh\n");  // not executable: a document
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"c:\\docs\\read me;$(touch x).txt", temp_ / "Docs/read me;$(touch X).txt\n"},
      {"c:\\docs\\tool.sh", temp_ / "Docs/tool.sh\n"},
      {"c:\\DOCS", temp_ / "Docs\n"},
      {"www.x.org", "http://www.x.org\n"},
      {"http://x.org/?a=1&b=$(touch X)", "http://x.org/?a=1&b=$(touch X)\n"},
  };
  for (const auto& [target, arguments] : cases) {
    shell_.Open(target);
    EXPECT_EQ(Opened(), arguments) << target;
  }
  EXPECT_FALSE(temp_.Exists("Docs/X"));
}

TEST_F(ShellTest, StartGivesArgumentsAndFolderAndSaysWhyNothingStarted) {
  Script("bin/args", "{ printf '%s|' \"$@\"; pwd; } > m.tmp\nmv m.tmp marker\n");
  EXPECT_EQ(shell_.Start(temp_ / "bin/args", {"-a", "two words", ""}, temp_ / "my.dir"), "");
  ASSERT_TRUE(WaitForFile(temp_ / "my.dir/marker"));
  EXPECT_EQ(temp_.Read("my.dir/marker"),
            "-a|two words||" + fs::canonical(temp_ / "my.dir").string() + "\n");
  // A document with the execute bit, as on vfat or NTFS, is not a program.
  ::chmod(temp_.Write("Docs/notes.txt", "to do\n").c_str(), 0755);
  EXPECT_EQ(shell_.Open("c:\\docs\\notes.txt"), "");
  EXPECT_EQ(Opened(), temp_ / "Docs/notes.txt\n");
  ::chmod(temp_
              .Write("Docs/broken",
                     "\x7f"
                     "ELF but not really")
              .c_str(),
          0755);
  EXPECT_NE(shell_.Start(temp_ / "Docs/broken", {}, temp_.Path()), "");
  EXPECT_NE(PosixShell(files_, "no-such-opener-at-all").Open("www.x.org"), "");
  // An opener that fails after it started is told, once.
  Script("failing.sh", "exit 4\n");
  PosixShell failing(files_, temp_ / "failing.sh");
  EXPECT_EQ(failing.Open("www.x.org"), "");
  const std::vector<std::string> failures = Failures(failing);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("http://www.x.org (exit status 4)"), std::string::npos) << failures[0];
  EXPECT_TRUE(failing.FailedOpenings().empty());
}

// Names are found without regard to case as Windows does it: every letter,
// not only A to Z.
TEST_F(FileSystemTest, CaseOfEveryLetterIsIgnored) {
  temp_.Write("\xC3\x84rger/\xC3\x9C.txt", "");
  EXPECT_EQ(files_.FirstMatchingEntry("c:\\\xC3\xA4RGER\\\xC3\xBC.TXT", kAttrNormal),
            "\xC3\x9C.txt");
  EXPECT_EQ(files_.FirstMatchingEntry("c:\\\xC3\xA4rger\\?.txt", kAttrNormal), "\xC3\x9C.txt");
}
#else
// The shell starts a program in this process's current folder, with no
// arguments.
TEST_F(FileSystemTest, ShellStartsAProgramInTheCurrentFolder) {
  const std::string program = temp_ / "Games\\start_marker.exe";
  fs::copy_file(WindowsFileSystem::ExecutableFolder() + "\\start_marker.exe", program);
  ASSERT_TRUE(files_.SetCurrentFolder(Drive("\\my.dir")));
  WindowsShell().Open(program);
  ASSERT_TRUE(WaitForFile(temp_ / "Games\\start_marker.txt"));
  EXPECT_EQ(temp_.Read("Games\\start_marker.txt"), temp_ / "my.dir" + "\n0\n");
}
#endif

}  // namespace
}  // namespace tarvolin::sys
