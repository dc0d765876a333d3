// The quickcommand table: its editing operations, and loading and saving
// files.cfg in a real temporary program folder.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <csignal>
#include <filesystem>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"
#include "quickcommands/quickcommand_table.h"
#include "support/temp_folder.h"

namespace tarvolin {

// Failure output that stays readable with binary and megabyte values.
void PrintTo(const QuickcommandEntry& entry, std::ostream* out) {
  *out << ::testing::PrintToString(entry.Target.substr(0, 40)) << "/"
       << ::testing::PrintToString(entry.Name.substr(0, 40));
}

namespace {

using testing::TempFolder;
using Entries = std::vector<QuickcommandEntry>;

const Entries kPlaceholder = {QuickcommandEntry{}};

QuickcommandTable TableOf(const Entries& entries) {
  QuickcommandTable table;
  table.Assign(entries);
  return table;
}

std::set<std::string> Listing(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// Compares file contents by size and first difference; the usual string
// diff takes far too long on megabyte files.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) {
    return ::testing::AssertionSuccess();
  }
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
    ++at;
  }
  return ::testing::AssertionFailure()
         << "sizes " << actual.size() << " and " << expected.size() << ", from byte " << at << " "
         << ::testing::PrintToString(actual.substr(at, 16)) << " instead of "
         << ::testing::PrintToString(expected.substr(at, 16));
}

// Lines each followed by CR LF, as the program writes files.cfg.
std::string CrLfLines(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += line + "\r\n";
  }
  return bytes;
}

TEST(QuickcommandTableTest, Remove) {
  QuickcommandTable abc;
  abc.Append("ta", "a");
  abc.Append("tb", "b");
  abc.Append("tc", "c");
  const Entries all = abc.Entries();
  ASSERT_EQ(all, (Entries{{"ta", "a"}, {"tb", "b"}, {"tc", "c"}}));
  struct Case {
    const char* what;
    Entries before;
    int index;
    Entries after;
  };
  const Case cases[] = {
      {"first", all, 0, {{"tb", "b"}, {"tc", "c"}}},
      {"middle", all, 1, {{"ta", "a"}, {"tc", "c"}}},
      {"last", all, 2, {{"ta", "a"}, {"tb", "b"}}},
      {"last remaining entry is blanked", {{"ta", "a"}}, 0, kPlaceholder},
      {"placeholder stays", kPlaceholder, 0, kPlaceholder},
      {"negative index", all, -1, all},
      {"index past the end", all, 3, all},
      {"empty table", {}, 0, {}},
  };
  for (const Case& c : cases) {
    QuickcommandTable table = TableOf(c.before);
    table.Remove(c.index);
    EXPECT_EQ(table.Entries(), c.after) << c.what;
  }
}

TEST(QuickcommandFileTest, LoadsTwoLinesPerRecordTargetFirst) {
  const Entries two = {{"T1", "N1"}, {"T2", "N2"}};
  struct Case {
    const char* what;
    std::string bytes;
    Entries expected;
  };
  const Case cases[] = {
      {"CR LF", "T1\r\nN1\r\nT2\r\nN2\r\n", two},
      {"LF only", "T1\nN1\nT2\nN2\n", two},
      {"CR only", "T1\rN1\rT2\rN2\r", two},
      {"mixed in one file", "T1\r\nN1\nT2\rN2\r\n", two},
      {"last line without line end", "T1\r\nN1\r\nT2\r\nN2", two},
      {"odd line count", "T1\r\nN1\r\nT2\r\n", {{"T1", "N1"}, {"T2", ""}}},
      {"odd line count, no final line end", "T1\nN1\nT2", {{"T1", "N1"}, {"T2", ""}}},
      {"two empty lines", "\r\n\r\n", kPlaceholder},
      {"one empty line", "\r\n", kPlaceholder},
      {"LF then CR is two line ends", "\n\r", kPlaceholder},
      {"CR then CR LF is two line ends", "T1\r\r\nT2\r\n", {{"T1", ""}, {"T2", ""}}},
      {"empty lines inside are values", "T1\r\n\r\n\r\nN2\r\n", {{"T1", ""}, {"", "N2"}}},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    folder.Write("files.cfg", c.bytes);
    // A loaded table of five is replaced, not merged.
    QuickcommandTable table = TableOf({{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"e", "5"}});
    LoadQuickcommands(table, folder.Path());
    EXPECT_EQ(table.Entries(), c.expected) << c.what;
  }
}

TEST(QuickcommandFileTest, NothingToReadKeepsTheTableOrGivesThePlaceholder) {
  const std::pair<const char*, std::function<void(const TempFolder&)>> cases[] = {
      {"missing file", [](const TempFolder&) {}},
      {"zero-byte file", [](const TempFolder& f) { f.Write("files.cfg", ""); }},
      {"folder in the file's place", [](const TempFolder& f) { f.MakeFolder("files.cfg"); }},
  };
  const Entries loaded = {{"C:\\a.exe", "a"}, {"D:\\b", "b"}};
  for (const auto& [what, prepare] : cases) {
    TempFolder folder;
    prepare(folder);
    QuickcommandTable empty;
    LoadQuickcommands(empty, folder.Path());
    EXPECT_EQ(empty.Entries(), kPlaceholder) << what;
    QuickcommandTable table = TableOf(loaded);
    LoadQuickcommands(table, folder.Path());
    EXPECT_EQ(table.Entries(), loaded) << what;
  }
}

TEST(QuickcommandFileTest, LoadsAndSavesRecordsBeyondTheIndexRange) {
  constexpr int kRecords = 40000;
  std::vector<std::string> lines;
  for (int i = 0; i < kRecords; ++i) {
    lines.push_back("C:\\Programs\\tool" + std::to_string(i) + ".exe");
    lines.push_back("tool" + std::to_string(i));
  }
  TempFolder folder;
  folder.Write("files.cfg", CrLfLines(lines));
  QuickcommandTable table;
  LoadQuickcommands(table, folder.Path());
  ASSERT_EQ(table.Count(), kRecords);
  for (int i : {0, 32766, 32767, kRecords - 1}) {
    EXPECT_EQ(table[i], (QuickcommandEntry{lines[2 * i], lines[2 * i + 1]})) << "record " << i;
  }
  folder.Write("files.cfg", "");
  std::string error;
  ASSERT_TRUE(SaveQuickcommands(table, true, folder.Path(), &error)) << error;
  EXPECT_TRUE(SameBytes(folder.Read("files.cfg"), CrLfLines(lines)));
  EXPECT_EQ(table.Count(), kRecords);
}

// A damaged or hand-made file: control, NUL and non-UTF-8 bytes, a 1 MB line
// and every kind of line end. The next save writes back all that was read.
TEST(QuickcommandFileTest, DamagedFileLoadsAndSavesBackWhatItRead) {
  std::string binary;
  for (int b = 0; b < 256; ++b) {
    if (b != '\r' && b != '\n') {
      binary += static_cast<char>(b);
    }
  }
  const std::vector<std::string> lines = {
      binary,
      std::string("na\0me", 5),
      std::string(1 << 20, 'x') + "end",
      "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC",
      "\xFF\xFE\x80",
      std::string("\0", 1),
      "target, no name",
  };
  const char* const ends[] = {"\r\n", "\n", "\r", "\n", "\r\n", "\r"};
  std::string bytes = lines[0];
  for (std::size_t i = 1; i < lines.size(); ++i) {
    bytes += ends[i - 1] + lines[i];
  }
  TempFolder folder;
  folder.Write("files.cfg", bytes);
  QuickcommandTable table;
  LoadQuickcommands(table, folder.Path());
  // In memory the text is UTF-8; the file holds the system's 8-bit text.
  const auto text = [&](std::size_t i) { return platform::FromSystemText(lines[i]); };
  const Entries expected = {
      {text(0), text(1)}, {text(2), text(3)}, {text(4), text(5)}, {text(6), ""}};
  ASSERT_EQ(table.Entries(), expected);

  std::string error;
  ASSERT_TRUE(SaveQuickcommands(table, true, folder.Path(), &error)) << error;
  std::vector<std::string> written = lines;
  written.push_back("");
  EXPECT_TRUE(SameBytes(folder.Read("files.cfg"), CrLfLines(written)));
  EXPECT_EQ(table.Entries(), expected);
}

TEST(QuickcommandFileTest, SaveWritesTargetThenNameEachEndedByCrLf) {
  TempFolder folder;
  const Entries entries = {{"C:\\Games\\run.exe", "play"}, {"D:\\Music", "music"}};
  QuickcommandTable table = TableOf(entries);
  std::string error;
  ASSERT_TRUE(SaveQuickcommands(table, true, folder.Path(), &error)) << error;
  EXPECT_EQ(folder.Read("files.cfg"), "C:\\Games\\run.exe\r\nplay\r\nD:\\Music\r\nmusic\r\n");
  EXPECT_EQ(table.Entries(), entries);
  EXPECT_EQ(Listing(folder.Path()), std::set<std::string>{"files.cfg"});
}

TEST(QuickcommandFileTest, SaveWithoutRowsWritesTwoEmptyLines) {
  TempFolder folder;
  folder.Write("files.cfg", "old\r\nentry\r\n");
  QuickcommandTable table = TableOf({{"C:\\a.exe", "a"}, {"D:\\b", "b"}});
  ASSERT_TRUE(SaveQuickcommands(table, false, folder.Path(), nullptr));
  EXPECT_EQ(folder.Read("files.cfg"), std::string({13, 10, 13, 10}));
  EXPECT_EQ(table.Entries(), kPlaceholder);
}

TEST(QuickcommandFileTest, SaveThenLoadGivesBackEveryValueUnchanged) {
  const Entries entries = {
      {"C:\\My Music\\Band, The.mp3", "band"},
      {"C:\\x.exe", "  leading blanks"},
      {"  C:\\y.exe\t", "trailing blanks  "},
      {"C:\\\"quoted\".exe", "\"say \"\"hi\"\"\""},
      {"C:\\first.exe", "same"},
      {"C:\\second.exe", "same"},
      {"C:\\first.exe", "same"},
#ifndef _WIN32  // no ANSI code page holds these, so a Windows file cannot
      {"D:\\M\xC3\xBCsik\\\xE6\x97\xA5\xE6\x9C\xAC", "m\xC3\xBCsik \xF0\x9F\x8E\xB5"},
      {"\x80\x81\xFE\xFF", "\xC3"},
#endif
      {std::string("C:\\nul\0inside", 13), std::string("\0\0", 2)},
      {std::string(1 << 20, 'L'), "long"},
      {"", "no target"},
      {"http://www.example.com/", ""},
  };
  TempFolder folder;
  QuickcommandTable table = TableOf(entries);
  std::string error;
  ASSERT_TRUE(SaveQuickcommands(table, true, folder.Path(), &error)) << error;
  EXPECT_EQ(table.Entries(), entries);
  std::vector<std::string> lines;
  for (const QuickcommandEntry& e : entries) {
    lines.insert(lines.end(), {e.Target, e.Name});
  }
  EXPECT_TRUE(SameBytes(folder.Read("files.cfg"), CrLfLines(lines)));
  QuickcommandTable fresh;
  LoadQuickcommands(fresh, folder.Path());
  EXPECT_EQ(fresh.Entries(), entries);
}

// A save that fails says why and changes nothing: not the table (which
// differs from the file, so a reload would show), not what stands at
// files.cfg, and no stray file is left in the folder.
void ExpectSaveChangesNothing(const std::string& folderPath, const std::string& programFolder,
                              [[maybe_unused]] bool diskFull = false) {
  const Entries edited = {{"T1", "N1"}, {"C:\\new.exe", "new"}, {std::string(8192, 'z'), "big"}};
  QuickcommandTable table = TableOf(edited);
  const std::set<std::string> before = Listing(folderPath);
#ifndef _WIN32
  rlimit old{};
  void (*oldHandler)(int) = SIG_DFL;
  if (diskFull) {
    // No file may grow beyond 1 KB while saving, as on a full disk.
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 1024;
    oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  }
#endif
  std::string error;
  const bool saved = SaveQuickcommands(table, true, programFolder, &error);
#ifndef _WIN32
  if (diskFull) {
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
  }
#endif
  EXPECT_FALSE(saved);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(table.Entries(), edited);
  EXPECT_EQ(Listing(folderPath), before);
}

TEST(QuickcommandFileTest, FailedSaveChangesNothing) {
  const std::string old = "T1\r\nN1\r\nT2\r\nN2\r\n";
#ifndef _WIN32  // Windows has no limit on a process's file size to stand for it
  {
    SCOPED_TRACE("disk full");
    TempFolder folder;
    folder.Write("files.cfg", old);
    ExpectSaveChangesNothing(folder.Path(), folder.Path(), true);
    EXPECT_EQ(folder.Read("files.cfg"), old);
  }
#endif
  {
    SCOPED_TRACE("a folder named files.cfg");
    TempFolder folder;
    folder.Write("files.cfg/inside.txt", old);
    ExpectSaveChangesNothing(folder.Path(), folder.Path());
    EXPECT_EQ(folder.Read("files.cfg/inside.txt"), old);
  }
  {
    SCOPED_TRACE("program folder missing or a plain file");
    TempFolder folder;
    folder.Write("plain", old);
    ExpectSaveChangesNothing(folder.Path(), folder / "plain");
    ExpectSaveChangesNothing(folder.Path(), folder / "missing");
    EXPECT_EQ(folder.Read("plain"), old);
    QuickcommandTable table;
    EXPECT_FALSE(SaveQuickcommands(table, false, folder / "missing", nullptr));
  }
}

#ifndef _WIN32  // a read-only attribute does not keep files out of a Windows folder
TEST(QuickcommandFileTest, SaveIntoReadOnlyFolderChangesNothing) {
  TempFolder folder;
  folder.Write("files.cfg", "T1\r\nN1\r\n");
  std::filesystem::permissions(folder.Path(), std::filesystem::perms(0555));
  if (access(folder.Path().c_str(), W_OK) == 0) {
    GTEST_SKIP() << "permissions do not bind this user";
  }
  ExpectSaveChangesNothing(folder.Path(), folder.Path());
  EXPECT_EQ(folder.Read("files.cfg"), "T1\r\nN1\r\n");
}
#endif

}  // namespace
}  // namespace tarvolin
