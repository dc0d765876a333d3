// files.cfg and tv.ini on disk: the quickcommand file's line ends and odd
// shapes, saving and reading back, and the settings through the INI store.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/quickcommands.h"
#include "core/settings.h"
#include "support/temp_folder.h"
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"

namespace tarvolin {
namespace {

using testing::TempFolder;
using Table = QuickcommandTable;

const Table kFive{{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}, {"5", "e"}};
const Table kPlaceholder{{"", ""}};

TEST(LoadQuickcommands, ReadsRecordsWhateverTheLineEnds) {
  const Table two{{"T1", "N1"}, {"T2", "N2"}};
  // clang-format off
  const std::pair<const char*, Table> cases[] = {
      {"T1\r\nN1\r\nT2\r\nN2\r\n", two},     {"T1\nN1\nT2\nN2\n", two},
      {"T1\rN1\rT2\rN2\r", two},             {"T1\r\nN1\nT2\rN2", two},
      {"\r\n\r\n", kPlaceholder},            {"\n\r", kPlaceholder},
      {"T1\r\nN1\r\nT2\r\n", {{"T1", "N1"}, {"T2", ""}}},  {"T1", {{"T1", ""}}},
      {"T1\n\rN1\r\n", {{"T1", ""}, {"N1", ""}}},
      {"T1\r\n\r\nT2\r\nN2", {{"T1", ""}, {"T2", "N2"}}}};
  // clang-format on
  TempFolder temp;
  for (const auto& [bytes, expected] : cases) {
    Table table = kFive;
    LoadQuickcommands(table, temp.Write("files.cfg", bytes));
    EXPECT_EQ(table, expected) << ::testing::PrintToString(std::string(bytes));
  }
}

TEST(LoadQuickcommands, KeepsTheTableWhenThereIsNothingToRead) {
  TempFolder temp;
  Table table = kFive;
  LoadQuickcommands(table, temp.Write("files.cfg", ""));
  EXPECT_EQ(table, kFive);
  LoadQuickcommands(table, temp / "missing.cfg");
  EXPECT_EQ(table, kFive);
  // A table that was never filled gets the one entry the program relies on.
  for (const std::string& path : {temp / "missing.cfg", temp / "files.cfg"}) {
    Table empty;
    LoadQuickcommands(empty, path);
    EXPECT_EQ(empty, kPlaceholder) << path;
  }
}

TEST(LoadQuickcommands, ReadsFortyThousandRecords) {
  TempFolder temp;
  std::string bytes;
  for (int i = 0; i < 40000; ++i) {
    bytes += "C:\\t" + std::to_string(i) + "\r\nn" + std::to_string(i) + "\r\n";
  }
  Table table;
  LoadQuickcommands(table, temp.Write("files.cfg", bytes));
  ASSERT_EQ(table.size(), 40000u);
  EXPECT_EQ(table.back(), (QuickcommandEntry{"C:\\t39999", "n39999"}));
}

TEST(SaveQuickcommands, WritesEveryValueSoThatItReadsBackUnchanged) {
  TempFolder temp;
  const std::string path = temp / "files.cfg";
  const Table entries{{"C:\\My Music\\Band, The.mp3", "  name"},
                      {"\"quoted\", too ", "play"},
                      {"C:\\Müsik\\Café.mp3", "café"},
                      {"www.example.org", "play"}};
  Table table = entries;
  std::string error;
  ASSERT_TRUE(SaveQuickcommands(table, true, path, &error)) << error;
  EXPECT_EQ(temp.Read("files.cfg"),
            "C:\\My Music\\Band, The.mp3\r\n  name\r\n\"quoted\", too \r\nplay\r\n"
            "C:\\Müsik\\Café.mp3\r\ncafé\r\nwww.example.org\r\nplay\r\n");
  EXPECT_EQ(table, entries);
  Table fresh;
  LoadQuickcommands(fresh, path);
  EXPECT_EQ(fresh, entries);

  // Without rows the file holds two empty lines, whatever the table held.
  ASSERT_TRUE(SaveQuickcommands(table, false, path, &error)) << error;
  EXPECT_EQ(temp.Read("files.cfg"), "\r\n\r\n");
  EXPECT_EQ(table, kPlaceholder);
}

TEST(SaveQuickcommands, AFailedWriteChangesNothing) {
  // A folder in the file's place cannot be replaced, even by root.
  TempFolder temp;
  temp.Write("files.cfg/keep", "old");
  Table table = kFive;
  std::string error;
  EXPECT_FALSE(SaveQuickcommands(table, true, temp / "files.cfg", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(table, kFive);
  EXPECT_EQ(temp.Read("files.cfg/keep"), "old");
  // Nothing is left behind beside it.
  const std::filesystem::directory_iterator listing(temp.Path());
  EXPECT_EQ(std::distance(begin(listing), end(listing)), 1);
}

// The settings as one text: corner, the two switches, the endings.
std::string Summary(const SettingsState& s) {
  std::string text = std::to_string(s.CornerCode) + (s.CaseSensitive ? " case" : " -") +
                     (s.AutoUpdate ? " auto" : " -");
  for (const std::string& ending : s.WebExtensionList) {
    text += " " + ending;
  }
  return text;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  bool Load() { return LoadSettings(settings_, profile_, files_, ini_); }

  TempFolder temp_;
  std::string ini_ = temp_ / "tv.ini";
  sys::PosixFileSystem files_{temp_.Path()};
  sys::IniStore profile_;
  SettingsState settings_;
};

TEST_F(SettingsFileTest, MissingFileIsNotRead) {
  settings_ = {3, true, true, {".x"}};
  EXPECT_FALSE(Load());
  temp_.MakeFolder("tv.ini");
  EXPECT_FALSE(Load());
  EXPECT_EQ(Summary(settings_), "3 case auto .x");
}

TEST_F(SettingsFileTest, ReadsFromAFolderWithWildcardCharactersInItsName) {
  // Folder names here may hold ? and *, which a file search takes as wildcards.
  ini_ = temp_.Write("what?/tv.ini", "[Tarvolin]\r\nloca=2\r\n");
  ASSERT_TRUE(Load());
  EXPECT_EQ(settings_.CornerCode, 2);
}

TEST_F(SettingsFileTest, FirstRunWritesTheDefaultsThatTheNextStartReads) {
  ASSERT_TRUE(WriteFirstRunSettings(settings_, profile_, ini_));
  EXPECT_EQ(temp_.Read("tv.ini"),
            "[Tarvolin]\r\nloca= 4\r\nAutoUpdate= 1\r\nCaseSensitive= 0\r\n"
            "WebExtensions=com,org,net\r\n");
  EXPECT_EQ(Summary(settings_), "4 - auto .com .net .org");
  SettingsState next;
  ASSERT_TRUE(LoadSettings(next, profile_, files_, ini_));
  EXPECT_EQ(Summary(next), "4 - auto .com .org .net");
}

TEST_F(SettingsFileTest, ReadsNumbersAndFlags) {
  // clang-format off
  const std::pair<std::string, const char*> cases[] = {{"", "0 - -"},
      {"loca=2.5\nCaseSensitive=-1\nAutoUpdate=2", "2 case auto"},
      {"loca=3.5\nCaseSensitive= 1\nAutoUpdate=0.5", "4 case auto"},
      {"loca=abc\nCaseSensitive=yes\nAutoUpdate=0", "0 - -"},
      {"loca=\nCaseSensitive=\nWebExtensions=", "0 - -"},
      {"loca= 3\nAutoUpdate=1\nWebExtensions=COM", "3 - auto .COM"},
      {"loca=99999\nCaseSensitive=0", "0 - -"}};
  // clang-format on
  for (const auto& [keys, expected] : cases) {
    temp_.Write("tv.ini", keys.empty() ? "" : "[Tarvolin]\r\n" + keys + "\r\n");
    settings_ = {};
    ASSERT_TRUE(Load());
    EXPECT_EQ(Summary(settings_), expected) << keys;
  }
}

TEST_F(SettingsFileTest, OptionsChangeOnlyTheirFourValues) {
  temp_.Write("tv.ini",
              "[Tarvolin]\r\nWebExtensions=com\r\nUpdateServer=http://example.org/\r\nloca= 4\r\n"
              "AutoUpdate= 1\r\nCaseSensitive= 0\r\n[Drives]\r\nc=/\r\n");
  ASSERT_TRUE(WriteOptions({2, true, false, {".com", ".org"}}, "com,org,", profile_, ini_));
  EXPECT_EQ(temp_.Read("tv.ini"),
            "[Tarvolin]\r\nWebExtensions=com,org,\r\nUpdateServer=http://example.org/\r\n"
            "loca= 2\r\nAutoUpdate= 0\r\nCaseSensitive= 1\r\n[Drives]\r\nc=/\r\n");
  ASSERT_TRUE(Load());
  EXPECT_EQ(Summary(settings_), "2 case - .com .org,");
}

// Saves keep what they should: the old file's permission bits, the other
// processes' temporary files, and all or none of the options' keys.
TEST(Saves, KeepPermissionsAndOtherProcessesFilesAndWriteAllKeysOrNone) {
  TempFolder temp;
  const std::string cfg = temp.Write("files.cfg", "\r\n\r\n");
  const std::string ini = temp.Write("tv.ini", "[Tarvolin]\r\nloca=4\r\n");
  ::chmod(cfg.c_str(), 0600);
  ::chmod(ini.c_str(), 0640);
  // One temporary file of a process that has ended, one of this one's parent.
  temp.Write("files.cfg.tmp-999999999~", "left");
  const std::string alive = "files.cfg.tmp-" + std::to_string(::getppid()) + "~";
  temp.Write(alive, "busy");
  Table table{{"www.x.org", "x"}};
  std::string error;
  ASSERT_TRUE(SaveQuickcommands(table, true, cfg, &error)) << error;
  sys::IniStore profile;
  SettingsState settings;
  settings.CornerCode = 2;
  ASSERT_TRUE(WriteOptions(settings, "com", profile, ini));
  struct stat st {};
  ASSERT_EQ(::stat(cfg.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  ASSERT_EQ(::stat(ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_FALSE(temp.Exists("files.cfg.tmp-999999999~"));
  EXPECT_EQ(temp.Read(alive), "busy");

  const std::string before = temp.Read("tv.ini");
  EXPECT_FALSE(profile.WriteAll("Tarvolin", {{"loca", "1"}, {"WebExtensions", "a\nb"}}, ini));
  EXPECT_EQ(temp.Read("tv.ini"), before);
}

}  // namespace
}  // namespace tarvolin
