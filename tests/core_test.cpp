// The parts of the program without windows: the command language, history
// and completion, placement, the quickcommand editor's changes, and
// files.cfg and tv.ini on disk.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/geometry.h"
#include "core/history.h"
#include "core/interpreter.h"
#include "core/quickcommands.h"
#include "core/settings.h"
#include "support/temp_folder.h"
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"

namespace tarvolin {
namespace {

using Strings = std::vector<std::string>;
using Table = QuickcommandTable;
using testing::TempFolder;

CommandHistory Recorded(const Strings& lines) {
  CommandHistory history;
  for (const auto& line : lines) {
    AddToHistory(history, line);
  }
  return history;
}

TEST(History, KeepsFourBrowsesWithinTheListAndCompletes) {
  EXPECT_EQ(Recorded({"A", "B", "C", "D", "E"}).entries, (Strings{"E", "D", "C", "B"}));
  EXPECT_EQ(Recorded({"A", "B", "", "C"}).entries, (Strings{"C", "", "B"}));
  CommandHistory history = Recorded({"A", "B"});
  // The elements of a braced list are evaluated in order.
  const Strings walk{BrowseOlder(history), BrowseOlder(history), BrowseOlder(history),
                     BrowseNewer(history), BrowseNewer(history)};
  EXPECT_EQ(walk, (Strings{"B", "A", "A", "B", ""}));
  AddToHistory(history, "C");
  EXPECT_EQ(BrowseOlder(history), "C");

  // Each entry that begins with the line as completed so far takes over.
  const CommandHistory notes = Recorded({"notepad", "note"});
  const auto proposal = CompleteFromHistory(notes, "no");
  ASSERT_TRUE(proposal);
  EXPECT_EQ(proposal->text + " " + std::to_string(proposal->keptBytes), "notepad 4");
  for (const char* typed : {"NO", "", "notepads"}) {
    EXPECT_FALSE(CompleteFromHistory(notes, typed)) << typed;
  }
}

TEST(Geometry, PlacesTheBarAndRollsDialogsOutOfIt) {
  const std::pair<int, Point> corners[] = {
      {1, {0, 0}}, {2, {774, 0}}, {3, {0, 717}}, {4, {774, 717}}, {0, {774, 717}}};
  for (const auto& [corner, place] : corners) {
    EXPECT_EQ(PlaceCommandBar(corner, {250, 19}, {1024, 768}, 15.0f), place) << corner;
  }
  // Below a bar in a top corner, 200 twips a step; only the last step
  // reaches the designed height. (x11_test unrolls one above the bar.)
  const RollOutPlan plan = RollOutSteps({0, 0}, {250, 19}, 200, 200, 1, 1024, 1, 15.0f);
  ASSERT_FALSE(plan.steps.empty());
  int previous = plan.start.height;
  for (const RollOutStep& step : plan.steps) {
    EXPECT_EQ(step.top, 19);
    EXPECT_TRUE(step.height - previous == 13 || step.height - previous == 14) << step.height;
    EXPECT_EQ(step.height * 15 >= 3000, &step == &plan.steps.back()) << step.height;
    previous = step.height;
  }
}

// A drive C over a temporary folder with two Windows folders in it.
class DriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file :
         {"Games/run.exe", "Windows/notepad.exe", "Windows/system32/calc.com", "a.b/c.d/e.txt"}) {
      temp_.Write(file, "x");
    }
    files_.SetDriveMap({{'c', temp_.Path()}});
    settings_.WebExtensionList = {".com", ".org", ".net"};
  }
  // The command for a line as text: its kind, then its fields that are set.
  std::string Run(const std::string& line) {
    static const char* const kKinds[] = {"nothing", "quit", "dialog", "open", "run", "start"};
    const Command c = DispatchCommand(line, settings_, files_);
    std::string text = kKinds[static_cast<int>(c.kind)], arguments;
    if (c.kind == Command::Kind::kOpenDialog) {
      text += " " + std::to_string(static_cast<int>(c.dialog));
    }
    for (const std::string& argument : c.arguments) {
      arguments += (arguments.empty() ? "" : "|") + argument;
    }
    for (const std::string& field : {c.target, arguments, c.folder, c.status}) {
      text += field.empty() ? "" : " " + field;
    }
    return text;
  }
  TempFolder temp_;
  sys::PosixFileSystem files_{"/"};
  SettingsState settings_;
};

TEST_F(DriveTest, DispatchesWordsAddressesDrivePathsAndWindowsPrograms) {
  const std::pair<const char*, std::string> cases[] = {
      {"QUIT", "quit"},
      {"Exit", "quit"},
      {"edit", "dialog 1"},
      {"options", "dialog 2"},
      {"MIRELO", "dialog 3"},
      {"WWW.Example.ORG/Path", "open www.example.org/path"},
      {"HTTPS://A.b", "open https://a.b"},
      {"Example.COM", "open http://example.com"},
      {"example.comx", "nothing"},
      {"c:\\tools\\setup.com", "open http://c:\\tools\\setup.com"},
      {"c", "run c:\\ c:\\"},
      {"C:\\Games\\RUN.exe", "run c:\\games\\run.exe c:\\games\\"},
      {"c:\\a.b\\c.d\\E.txt", "run c:\\a.b\\c.d\\e.txt c:\\a.b\\c.d\\"},
      {"c:\\nowhere\\x.txt", "nothing -::Path not found::-"},
      {"c:\\games\\missing.exe", "nothing -::File not found::-"},
      {"d:", "nothing -::Path not found::-"},
      {"Notepad", "open C:\\windows\\notepad.exe"},
      {"calc", "open C:\\windows\\system32\\calc.com"},
      {"notepad.exe", "nothing"},
      {"", "nothing"}};
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(Run(line), expected) << line;
  }
}

// The system's own lines: paths from / or ~, and programs on PATH with their
// arguments, after everything the Windows forms mean; what the editor takes
// as a target; what Tab offers for a path.
TEST_F(DriveTest, LinuxLinesTargetsAndTabCandidates) {
  const std::string t = temp_.Path();
  ::chmod(temp_.Write("bin/show", "#!/bin/sh\n").c_str(), 0755);
  ::chmod(temp_.Write("Games/run.exe", "#!/bin/sh\n").c_str(), 0755);
  temp_.Write("My Docs/a b.txt", "");
  const std::string path = std::getenv("PATH"), home = std::getenv("HOME");
  ::setenv("PATH", (t + "/bin").c_str(), 1);
  ::setenv("HOME", t.c_str(), 1);
  ::setenv("TV_GAMES", "Games", 1);
  const std::pair<std::string, std::string> cases[] = {
      {"show -a \"two words\" 'x y' ''", "start " + t + "/bin/show -a|two words|x y| " + t},
      {"Show", "nothing"},  // names on PATH are not folded
      {"show x.com", "open http://show x.com"},
      {t + "/My Docs/a b.txt", "run " + t + "/My Docs/a b.txt " + t + "/My Docs"},
      {"~/Games/run.exe -v", "start " + t + "/Games/run.exe -v " + t + "/Games"},
      {"$HOME/${TV_GAMES}/%TV_GAMES%", "nothing -::File not found::-"},
      {"/nowhere-at-all/x", "nothing -::Path not found::-"},
      {"c:\\%TV_GAMES%\\run.exe", "run c:\\games\\run.exe c:\\games\\"},
      {"$UNSET_AT_ALL", "nothing"}};
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(Run(line), expected) << line;
  }
  const std::pair<const char*, bool> targets[] = {{"C:\\Games\\missing.exe", true},
                                                  {"C:\\Nowhere\\x.txt", false},
                                                  {"C:", true},
                                                  {"https://x", true},
                                                  {"www.x", true},
                                                  {"WWW.x", false},
                                                  {"run.exe", false},
                                                  {"~/new.txt", true},
                                                  {"show -x", true},
                                                  {"/nowhere-at-all/x", false},
                                                  {"", false}};
  for (const auto& [in, valid] : targets) {
    EXPECT_EQ(IsValidTarget(files_, in), valid) << in;
  }
  ::setenv("PATH", path.c_str(), 1);
  ::setenv("HOME", home.c_str(), 1);

  temp_.Write(".hidden", "");
  EXPECT_EQ(TabCandidates("C:\\GAMES\\", {}, {}, files_), Strings{"C:\\GAMES\\run.exe"});
  EXPECT_EQ(TabCandidates(t + "/Ga", {}, {}, files_), Strings{t + "/Games/"});
  EXPECT_EQ(TabCandidates(t + "/ga", {}, {}, files_), Strings{});
  EXPECT_EQ(TabCandidates(t + "/.h", {}, {}, files_), Strings{t + "/.hidden"});
  EXPECT_EQ(TabCandidates(t + "/", {}, {}, files_).size(), 5u);
}

// The editor's Add with every message and question recorded, and the
// questions answered from a list (No once it is used up).
class EditorTest : public DriveTest {
 protected:
  bool Add(const std::string& target, const std::string& name, std::vector<bool> answers = {}) {
    shown_.clear();
    std::size_t asked = 0;
    const EditorPrompts prompts{[&](const std::string& text) { shown_.push_back(text); },
                                [&](const std::string& text) {
                                  shown_.push_back(text);
                                  return asked < answers.size() && answers[asked++];
                                }};
    return AddQuickcommand(table_, rows_, target, name, files_, prompts);
  }
  Table table_{{"C:\\Games\\run.exe", "play"}};
  std::size_t rows_ = 1;
  Strings shown_;
};

constexpr char kRename[] = "'C:\\Games\\run.exe'already exists.\rChange Quickcommand to: play ???";
constexpr char kRetarget[] = "'play'already exists.\rChange file to: C:\\Games\\run.exe ???";

TEST_F(EditorTest, RefusesAddsAndAsksForEveryStoredNameOrTargetInTurn) {
  EXPECT_FALSE(Add("C:\\Nowhere\\x.txt", ""));
  EXPECT_EQ(shown_, Strings{"You must type a quickcommand for the file"});
  EXPECT_FALSE(Add("C:\\Nowhere\\x.txt", "x"));
  EXPECT_EQ(shown_, Strings{"'C:\\Nowhere\\x.txt'\ris not a valid command."});
  EXPECT_TRUE(Add("www.example.org", "web"));
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(table_, (Table{{"C:\\Games\\run.exe", "play"}, {"www.example.org", "web"}}));
  EXPECT_EQ(rows_, 2u);

  table_ = {{"a", "0"}, {"C:\\Games\\run.exe", "Play"}, {"http://five", "play"}};
  rows_ = table_.size();
  EXPECT_FALSE(Add("C:\\Games\\run.exe", "play", {true, false}));
  EXPECT_EQ(shown_, (Strings{kRename, kRetarget}));
  EXPECT_EQ(table_, (Table{{"a", "0"}, {"C:\\Games\\run.exe", "play"}, {"http://five", "play"}}));
  EXPECT_TRUE(Add("C:\\Games\\run.exe", "play", {true, true}));
  EXPECT_EQ(table_[2], (QuickcommandEntry{"C:\\Games\\run.exe", "play"}));

  // Once the last row was removed the table holds only the placeholder.
  RemoveQuickcommand(table_, 0);
  EXPECT_EQ(table_.size(), 2u);
  table_ = {{}};
  rows_ = 0;
  EXPECT_TRUE(Add("C:\\Games\\run.exe", "play"));
  EXPECT_EQ(table_, (Table{{"C:\\Games\\run.exe", "play"}}));
  EXPECT_EQ(rows_, 1u);
  RemoveQuickcommand(table_, 0);
  EXPECT_EQ(table_, Table{{}});
  EXPECT_EQ(FindQuickcommand({{"t1", "word"}, {"t2", "Word"}}, "Word", true)->Target, "t2");
}

const Table kFive{{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}, {"5", "e"}};

TEST(QuickcommandFile, ReadsRecordsWhateverTheLineEndsAndKeepsTheTableWithoutAFile) {
  const Table two{{"T1", "N1"}, {"T2", "N2"}};
  const std::pair<const char*, Table> cases[] = {{"T1\r\nN1\r\nT2\r\nN2\r\n", two},
                                                 {"T1\nN1\nT2\nN2\n", two},
                                                 {"T1\rN1\rT2\rN2\r", two},
                                                 {"T1\r\nN1\nT2\rN2", two},
                                                 {"\r\n\r\n", Table{{}}},
                                                 {"T1\r\nN1\r\nT2\r\n", {{"T1", "N1"}, {"T2", ""}}},
                                                 {"T1\n\rN1\r\n", {{"T1", ""}, {"N1", ""}}}};
  TempFolder temp;
  for (const auto& [bytes, expected] : cases) {
    Table table = kFive;
    LoadQuickcommands(table, temp.Write("files.cfg", bytes));
    EXPECT_EQ(table, expected) << ::testing::PrintToString(std::string(bytes));
  }
  // An empty or missing file keeps what the table holds, or gives the one
  // entry the program relies on.
  for (const std::string& path : {temp.Write("files.cfg", ""), temp / "missing.cfg"}) {
    Table table = kFive, empty;
    LoadQuickcommands(table, path);
    LoadQuickcommands(empty, path);
    EXPECT_EQ(table, kFive) << path;
    EXPECT_EQ(empty, Table{{}}) << path;
  }
  std::string bytes;
  for (int i = 0; i < 40000; ++i) {
    bytes += "t" + std::to_string(i) + "\r\nn\r\n";
  }
  Table table;
  LoadQuickcommands(table, temp.Write("files.cfg", bytes));
  ASSERT_EQ(table.size(), 40000u);
  EXPECT_EQ(table.back(), (QuickcommandEntry{"t39999", "n"}));
}

// Saves keep what they should: the values, the old file's permission bits and
// other processes' temporary files; a failed save changes nothing.
TEST(QuickcommandFile, SavesWhatReadsBackAndAFailedSaveChangesNothing) {
  TempFolder temp;
  const std::string path = temp.Write("files.cfg", "");
  ::chmod(path.c_str(), 0600);
  temp.Write("files.cfg.tmp-999999999~", "left");  // of a process that has ended
  const std::string alive = "files.cfg.tmp-" + std::to_string(::getppid()) + "~";
  temp.Write(alive, "busy");
  const Table entries{{"C:\\My Music\\Band, The.mp3", "  name"}, {"C:\\Müsik\\Café.mp3", "café"}};
  Table table = entries;
  std::string error;
  ASSERT_TRUE(SaveQuickcommands(table, true, path, &error)) << error;
  EXPECT_EQ(temp.Read("files.cfg"),
            "C:\\My Music\\Band, The.mp3\r\n  name\r\nC:\\Müsik\\Café.mp3\r\ncafé\r\n");
  Table fresh;
  LoadQuickcommands(fresh, path);
  EXPECT_EQ(fresh, entries);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_FALSE(temp.Exists("files.cfg.tmp-999999999~"));
  EXPECT_EQ(temp.Read(alive), "busy");
  // Without rows the file holds two empty lines, whatever the table held.
  ASSERT_TRUE(SaveQuickcommands(table, false, path, &error)) << error;
  EXPECT_EQ(temp.Read("files.cfg"), "\r\n\r\n");
  EXPECT_EQ(table, Table{{}});

  // A folder in the file's place cannot be replaced, even by root.
  TempFolder other;
  other.Write("files.cfg/keep", "old");
  table = kFive;
  EXPECT_FALSE(SaveQuickcommands(table, true, other / "files.cfg", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(table, kFive);
  EXPECT_EQ(other.Read("files.cfg/keep"), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(other.Path()), {}), 1);
}

class SettingsFileTest : public ::testing::Test {
 protected:
  // The settings read as one text: corner, the two switches, the endings.
  std::string Load() {
    settings_ = {};
    if (!LoadSettings(settings_, profile_, files_, ini_)) {
      return "missing";
    }
    std::string text = std::to_string(settings_.CornerCode) +
                       (settings_.CaseSensitive ? " case" : " -") +
                       (settings_.AutoUpdate ? " auto" : " -");
    for (const std::string& ending : settings_.WebExtensionList) {
      text += " " + ending;
    }
    return text;
  }

  TempFolder temp_;
  std::string ini_ = temp_ / "tv.ini";
  sys::PosixFileSystem files_{temp_.Path()};
  sys::IniStore profile_;
  SettingsState settings_;
};

TEST_F(SettingsFileTest, FirstRunWritesTheDefaultsThatTheNextStartReads) {
  EXPECT_EQ(Load(), "missing");
  temp_.MakeFolder("tv.ini");
  EXPECT_EQ(Load(), "missing");
  std::filesystem::remove(ini_);
  ASSERT_TRUE(WriteFirstRunSettings(settings_, profile_, ini_));
  EXPECT_EQ(temp_.Read("tv.ini"),
            "[Tarvolin]\r\nloca= 4\r\nAutoUpdate= 1\r\nCaseSensitive= 0\r\n"
            "WebExtensions=com,org,net\r\n");
  EXPECT_EQ(Load(), "4 - auto .com .org .net");
}

TEST_F(SettingsFileTest, ReadsNumbersAndFlags) {
  const std::pair<std::string, const char*> cases[] = {
      {"", "0 - -"},
      {"loca=2.5\nCaseSensitive=-1\nAutoUpdate=2", "2 case auto"},
      {"loca=3.5\nCaseSensitive= 1\nAutoUpdate=0.5", "4 case auto"},
      {"loca=abc\nCaseSensitive=yes\nAutoUpdate=0", "0 - -"},
      {"loca= 3\nAutoUpdate=1\nWebExtensions=COM,,net", "3 - auto .COM . .net"},
      {"loca=99999\nCaseSensitive=0\nWebExtensions=", "0 - -"}};
  for (const auto& [keys, expected] : cases) {
    temp_.Write("tv.ini", keys.empty() ? "" : "[Tarvolin]\r\n" + keys + "\r\n");
    EXPECT_EQ(Load(), expected) << keys;
  }
  // Folder names may hold ? and *, which a file search takes as wildcards.
  ini_ = temp_.Write("what?/tv.ini", "[Tarvolin]\r\nloca=2\r\n");
  EXPECT_EQ(Load(), "2 - -");
}

// The options write their four keys, all or none, and keep every other line
// and the file's permission bits.
TEST_F(SettingsFileTest, OptionsChangeOnlyTheirFourValues) {
  ::chmod(temp_
              .Write("tv.ini",
                     "[Tarvolin]\r\nWebExtensions=com\r\nUpdateServer=http://x/\r\n"
                     "loca= 4\r\nAutoUpdate= 1\r\nCaseSensitive= 0\r\n[Drives]\r\n")
              .c_str(),
          0640);
  ASSERT_TRUE(WriteOptions({2, true, false, {".com", ".org"}}, "com,org,", profile_, ini_));
  EXPECT_EQ(temp_.Read("tv.ini"),
            "[Tarvolin]\r\nWebExtensions=com,org,\r\nUpdateServer=http://x/\r\nloca= 2\r\n"
            "AutoUpdate= 0\r\nCaseSensitive= 1\r\n[Drives]\r\n");
  EXPECT_EQ(Load(), "2 case - .com .org,");
  EXPECT_EQ(FormatWebExtensions(settings_.WebExtensionList), "com,org,");
  struct stat st {};
  ASSERT_EQ(::stat(ini_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_FALSE(profile_.WriteAll("Tarvolin", {{"loca", "1"}, {"WebExtensions", "a\nb"}}, ini_));
  EXPECT_NE(temp_.Read("tv.ini").find("loca= 2\r\n"), std::string::npos);
}

}  // namespace
}  // namespace tarvolin
