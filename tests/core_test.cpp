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

#include "core/command_line.h"
#include "core/geometry.h"
#include "core/history.h"
#include "core/interpreter.h"
#include "core/key_names.h"
#include "core/quickcommands.h"
#include "core/settings.h"
#include "core/usage.h"
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

// One vocabulary for the hotkey on every system: what one accepts, all do,
// and the desktops that bind it get the same key.
TEST(KeyNames, OneVocabularyForEverySystemAndDesktop) {
  const auto bound = [](const char* text) {
    const auto combination = ParseKeyCombination(text);
    return combination ? GnomeAccelerator(*combination) + " " + PortalTrigger(*combination)
                       : std::string("refused");
  };
  EXPECT_EQ(bound("Ctrl+Alt+Space"), "<Control><Alt>space CTRL+ALT+space");
  EXPECT_EQ(bound(" super + r"), "<Super>r LOGO+r");
  EXPECT_EQ(bound("shift+win+F24"), "<Shift><Super>F24 SHIFT+LOGO+F24");
  EXPECT_EQ(bound("Control+Esc"), "<Control>Escape CTRL+Escape");
  EXPECT_EQ(bound("Alt+pagedown"), "<Alt>Page_Down ALT+Page_Down");
  EXPECT_EQ(bound("META+Up"), "<Super>Up LOGO+Up");
  EXPECT_EQ(bound(kDefaultHotkey), "<Control><Alt>space CTRL+ALT+space");
  for (const char* wrong : {"", "Ctrl+Alt", "Ctrl+A+B", "A+Ctrl", "Hyper+X", "F0", "F25", "F07",
                            "Ctrl++", "Ctrl+Alt+Spacebar"}) {
    EXPECT_EQ(bound(wrong), "refused") << wrong;
  }
  EXPECT_EQ(NotAKeyCombination("Hyper+X"), "\"Hyper+X\" is not a key combination");
}

// One command line on both systems: the same words mean the same, and what
// only Linux has is refused on Windows with a reason, not ignored.
TEST(CommandLine, SameWordsOnBothSystems) {
  using Action = CommandLine::Action;
  for (const Platform platform : {Platform::kLinux, Platform::kWindows}) {
    EXPECT_EQ(ParseCommandLine({}, platform).request, "show");
    EXPECT_EQ(ParseCommandLine({"--toggle"}, platform).request, "toggle");
    EXPECT_EQ(ParseCommandLine({"--toggle", "--show"}, platform).request, "show");
    for (const char* help : {"--help", "-h", "/?"}) {
      EXPECT_EQ(ParseCommandLine({"--toggle", help}, platform).action, Action::kHelp);
    }
    const CommandLine unknown = ParseCommandLine({"--frobnicate"}, platform);
    EXPECT_EQ(unknown.action, Action::kRefuse);
    EXPECT_EQ(unknown.error, "tarvolin: unknown option '--frobnicate'\nTry 'tarvolin --help'.\n");
    EXPECT_EQ(ParseCommandLine({"stray"}, platform).action, Action::kRefuse);
  }
  const CommandLine bind = ParseCommandLine({"--bind-key=Super+R"}, Platform::kLinux);
  EXPECT_EQ(bind.action, Action::kBindKey);
  EXPECT_EQ(bind.key, "Super+R");
  EXPECT_EQ(ParseCommandLine({"--bind-key"}, Platform::kLinux).key, kDefaultHotkey);
  const CommandLine onWindows = ParseCommandLine({"--bind-key"}, Platform::kWindows);
  EXPECT_EQ(onWindows.action, Action::kRefuse);
  EXPECT_NE(onWindows.error.find("for Linux desktops"), std::string::npos);
  // Qt's options go to Qt on Linux, with their values; Windows has no Qt.
  EXPECT_EQ(
      ParseCommandLine({"-platform", "offscreen", "--display=:3", "--toggle"}, Platform::kLinux)
          .passed,
      (Strings{"-platform", "offscreen", "--display=:3"}));
  EXPECT_EQ(ParseCommandLine({"-platform", "offscreen"}, Platform::kWindows).action,
            Action::kRefuse);
  EXPECT_EQ(UsageText(Platform::kWindows).find("--bind-key"), std::string::npos);
}

// Browsing with the keys is gui_test's; here the list and the completion.
TEST(History, KeepsFourAndCompletesFromThem) {
  EXPECT_EQ(Recorded({"A", "B", "C", "D", "E"}).entries, (Strings{"E", "D", "C", "B"}));
  EXPECT_EQ(Recorded({"A", "B", "", "C"}).entries, (Strings{"C", "", "B"}));
  // Each entry that begins with the line as completed so far takes over.
  const CommandHistory notes = Recorded({"notepad", "note"});
  const auto proposal = CompleteFromHistory(notes, "no");
  ASSERT_TRUE(proposal);
  EXPECT_EQ(proposal->text + " " + std::to_string(proposal->keptBytes), "notepad 4");
  for (const char* typed : {"NO", "", "notepads"}) {
    EXPECT_FALSE(CompleteFromHistory(notes, typed)) << typed;
  }
}

// Where the bar stands (gui_test unrolls a dialog out of it under a window
// manager).
TEST(Geometry, PlacesTheBarInItsCorner) {
  const std::pair<int, Point> corners[] = {
      {1, {0, 0}}, {2, {774, 0}}, {3, {0, 717}}, {4, {774, 717}}, {0, {774, 717}}};
  for (const auto& [corner, place] : corners) {
    EXPECT_EQ(PlaceCommandBar(corner, {250, 19}, {1024, 768}, 15.0f), place) << corner;
  }
}

// A dialog unrolls above a bottom bar with its lower edge fixed: 150 twips
// plus the bar's height above the bar for a short title bar, at the bar's
// top for one so tall that the strip would cover the bar.
TEST(Geometry, UnrollsAboveABottomBarWithoutCoveringIt) {
  for (const int strip : {21, 38}) {
    const RollOutPlan plan =
        RollOutSteps({774, 717}, {250, 19}, 244, 261 + strip - 1, strip, 1024, 4, 15.0f);
    const int bottom = strip == 21 ? 717 - 19 - 10 + 21 : 717;
    EXPECT_EQ(plan.left, 774);
    EXPECT_EQ(plan.start.top + plan.start.height, bottom) << strip;
    ASSERT_FALSE(plan.steps.empty());
    for (const RollOutStep& step : plan.steps) {
      EXPECT_NEAR(step.top + step.height, bottom, 1) << strip;
    }
    EXPECT_GE(plan.steps.back().height, 261 + strip - 1);
    EXPECT_LT(plan.steps.back().height, 261 + strip - 1 + 14);
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
    settings_.WebExtensionList = {".com", ".org", ".net", ".DE"};
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
  // clang-format off
  const std::pair<const char*, std::string> cases[] = {
      {"QUIT", "quit"}, {"Exit", "quit"}, {"Help", "dialog 0"}, {"edit", "dialog 1"},
      {"options", "dialog 2"},
      {"MIRELO", "dialog 3"}, {"WWW.Example.ORG/Path", "open www.example.org/Path"},
      {"HTTPS://Example.org/X?q=A#Top", "open https://example.org/X?q=A#Top"},
      {"Example.DE", "open http://example.de"},
      {"HTTPS://A.b", "open https://a.b"}, {"Example.COM", "open http://example.com"},
      {"example.comx", "nothing"}, {"c:\\tools\\setup.com", "open http://c:\\tools\\setup.com"},
      {"c", "run c:\\ c:\\"}, {"C:\\Games\\RUN.exe", "run c:\\games\\run.exe c:\\games\\"},
      {"c:\\a.b\\c.d\\E.txt", "run c:\\a.b\\c.d\\e.txt c:\\a.b\\c.d\\"},
      {"c:\\a.b\\x.d\\e.txt", "nothing -::Path not found::-"},
      {"c:\\games\\missing.exe", "nothing -::File not found::-"},
      {"d:", "nothing -::Path not found::-"}, {"Notepad", "open C:\\windows\\notepad.exe"},
      {"calc", "open C:\\windows\\system32\\calc.com"}, {"notepad.exe", "nothing"}, {"", "nothing"}};
  // clang-format on
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(Run(line), expected) << line;
  }
}

// The system's own lines: paths from / or ~, and programs on PATH with their
// arguments, after everything the Windows forms mean; what the editor takes
// as a target.
TEST_F(DriveTest, LinuxLinesAndTargets) {
  const std::string t = temp_.Path();
  ::chmod(temp_.Write("bin/show", "#!/bin/sh\n").c_str(), 0755);
  ::chmod(temp_.Write("Games/run.exe", "#!/bin/sh\n").c_str(), 0755);
  temp_.Write("My Docs/a b.txt", "");
  const sys::FixedEnvironment environment(
      {{"PATH", t + "/bin"}, {"HOME", t}, {"TV_GAMES", "Games"}});
  files_.UseEnvironment(environment);
  const std::pair<std::string, std::string> cases[] = {
      {"show -a \"two words\" 'x y' ''", "start " + t + "/bin/show -a|two words|x y| " + t},
      {"Show", "nothing"},  // names on PATH are not folded
      {"show x.com", "open http://show x.com"},
      // ~ starts a word's home folder, outside quotes, as in a shell.
      {"show ~ ~/Games x~ '~/q' \"~\"",
       "start " + t + "/bin/show " + t + "|" + t + "/Games|x~|~/q|~ " + t},
      {"show ~/\"My Docs\"", "start " + t + "/bin/show " + t + "/My Docs " + t},
      // Single quotes keep what they hold from expansion; double quotes do not.
      {"show '$HOME %TV_GAMES%' \"$TV_GAMES\"",
       "start " + t + "/bin/show $HOME %TV_GAMES%|Games " + t},
      // A program without a dot on a drive path lives in its folder.
      {"c:\\bin\\show", "run c:\\bin\\show c:\\bin\\"},
      {t + "/My Docs/a b.txt", "run " + t + "/My Docs/a b.txt " + t + "/My Docs"},
      {"~/Games/run.exe -v", "start " + t + "/Games/run.exe -v " + t + "/Games"},
      {"$HOME/${TV_GAMES}/%TV_GAMES%", "nothing -::File not found::-"},
      {"/nowhere-at-all/x", "nothing -::Path not found::-"},
      {"c:\\%TV_GAMES%\\run.exe", "run c:\\games\\run.exe c:\\games\\"},
      {"$UNSET_AT_ALL", "nothing"}};
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(Run(line), expected) << line;
  }
  // clang-format off
  const std::pair<const char*, bool> targets[] = {
      {"C:\\Games\\missing.exe", true}, {"C:\\Nowhere\\x.txt", false}, {"C:", true},
      {"https://x", true}, {"www.x", true}, {"WWW.x", false}, {"run.exe", false},
      {"~/new.txt", true}, {"show -x", true}, {"/nowhere-at-all/x", false}, {"", false}};
  // clang-format on
  for (const auto& [in, valid] : targets) {
    EXPECT_EQ(IsValidTarget(files_, in), valid) << in;
  }
}

const Table kFive{{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}, {"5", "e"}};

// Damaged or missing files lose nothing: an empty or missing files.cfg keeps
// what the table holds (or gives the one entry the program relies on).
TEST(QuickcommandFile, ReadsRecordsWhateverTheLineEndsAndKeepsTheTableWithoutAFile) {
  const Table two{{"T1", "N1"}, {"T2", "N2"}};
  // clang-format off
  const std::pair<const char*, Table> cases[] = {
      {"T1\r\nN1\r\nT2\r\nN2\r\n", two}, {"T1\nN1\nT2\nN2\n", two}, {"T1\rN1\rT2\rN2\r", two},
      {"T1\r\nN1\nT2\rN2", two}, {"\r\n\r\n", Table{{}}},
      {"T1\r\nN1\r\nT2\r\n", {{"T1", "N1"}, {"T2", ""}}}, {"T1\n\rN1\r\n", {{"T1", ""}, {"N1", ""}}}};
  // clang-format on
  TempFolder temp;
  for (const auto& [bytes, expected] : cases) {
    Table table = kFive;
    LoadQuickcommands(table, temp.Write("files.cfg", bytes));
    EXPECT_EQ(table, expected) << ::testing::PrintToString(std::string(bytes));
  }
  // A name finds its first entry, with capitals distinct only when asked so.
  EXPECT_EQ(FindQuickcommand(two, "n2", false)->Target, "T2");
  EXPECT_EQ(FindQuickcommand(two, "n2", true), nullptr);
  for (const std::string& path : {temp.Write("files.cfg", ""), temp / "missing.cfg"}) {
    Table table = kFive, empty;
    LoadQuickcommands(table, path);
    LoadQuickcommands(empty, path);
    EXPECT_EQ(table, kFive) << path;
    EXPECT_EQ(empty, Table{{}}) << path;
  }
}

// Saves keep the values and the old file's permission bits; a failed save
// changes nothing.
TEST(QuickcommandFile, SavesWhatReadsBackAndAFailedSaveChangesNothing) {
  TempFolder temp;
  const std::string path = temp.Write("files.cfg", "");
  ::chmod(path.c_str(), 0600);
  Table table{{"C:\\My Music\\Band, The.mp3", "  name"}, {"C:\\Müsik\\Café.mp3", "café"}};
  for (int i = 0; i < 40000; ++i) {  // far more than a user makes
    table.push_back({"t" + std::to_string(i), "n"});
  }
  const Table entries = table;
  std::string error;
  ASSERT_TRUE(SaveQuickcommands(table, true, path, &error)) << error;
  const std::string head =
      "C:\\My Music\\Band, The.mp3\r\n  name\r\nC:\\Müsik\\Café.mp3\r\ncafé\r\n";
  EXPECT_EQ(temp.Read("files.cfg").substr(0, head.size()), head);
  Table fresh;
  LoadQuickcommands(fresh, path);
  EXPECT_EQ(fresh, entries);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  // A text with a line break splits on reading: the table takes what the
  // file says, not what was meant.
  table = {{"www.a.org\nwww.b.org", "a"}};
  ASSERT_TRUE(SaveQuickcommands(table, true, path, &error)) << error;
  EXPECT_EQ(table, (Table{{"www.a.org", "www.b.org"}, {"a", ""}}));
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

// tv.ini: missing, written by the first run, read with its numbers and
// flags, and changed by the options in their four keys only.
TEST(SettingsFile, FirstRunReadingAndTheOptions) {
  TempFolder temp;
  std::string ini = temp / "tv.ini";
  sys::PosixFileSystem files(temp.Path());
  sys::IniStore profile;
  SettingsState settings;
  const auto load = [&] {
    settings = {};
    std::string text = LoadSettings(settings, profile, files, ini) ? "" : "missing";
    text += std::to_string(settings.CornerCode) + (settings.CaseSensitive ? " case" : " -") +
            (settings.AutoUpdate ? " auto" : " -");
    for (const std::string& ending : settings.WebExtensionList) {
      text += " " + ending;
    }
    return text;
  };
  std::filesystem::create_directory(ini);  // not a file: as if missing
  EXPECT_EQ(load(), "missing0 - -");
  std::filesystem::remove(ini);
  EXPECT_EQ(load(), "missing0 - -");
  ASSERT_TRUE(WriteFirstRunSettings(settings, profile, ini));
  EXPECT_EQ(temp.Read("tv.ini"),
            "[Tarvolin]\r\nloca= 4\r\nAutoUpdate= 1\r\nCaseSensitive= 0\r\n"
            "WebExtensions=com,org,net\r\n");
  EXPECT_EQ(load(), "4 - auto .com .org .net");

  // clang-format off
  const std::pair<std::string, const char*> cases[] = {
      {"", "0 - -"}, {"loca=2.5\nCaseSensitive=-1\nAutoUpdate=2", "2 case auto"},
      {"loca=3.5\nCaseSensitive= 1\nAutoUpdate=0.5", "4 case auto"},
      {"loca=abc\nCaseSensitive=yes\nAutoUpdate=0", "0 - -"},
      {"loca= 3\nWebExtensions=COM,,net", "3 - - .COM . .net"},
      {"loca=99999\nWebExtensions=", "0 - -"}};
  // clang-format on
  for (const auto& [keys, expected] : cases) {
    temp.Write("tv.ini", keys.empty() ? "" : "[Tarvolin]\r\n" + keys + "\r\n");
    EXPECT_EQ(load(), expected) << keys;
  }

  temp.Write("tv.ini",
             "[Tarvolin]\r\nWebExtensions=com\r\nUpdateServer=http://x/\r\nloca= 4\r\n"
             "AutoUpdate= 1\r\nCaseSensitive= 0\r\n[Drives]\r\n");
  ASSERT_TRUE(WriteOptions({2, true, false, {".com", ".org"}}, "com,org,", profile, ini));
  EXPECT_EQ(temp.Read("tv.ini"),
            "[Tarvolin]\r\nWebExtensions=com,org,\r\nUpdateServer=http://x/\r\nloca= 2\r\n"
            "AutoUpdate= 0\r\nCaseSensitive= 1\r\n[Drives]\r\n");
  EXPECT_EQ(load(), "2 case - .com .org,");
  EXPECT_EQ(FormatWebExtensions(settings.WebExtensionList), "com,org,");

  // Folder names may hold ? and *, which a file search takes as wildcards.
  ini = temp.Write("what?/tv.ini", "[Tarvolin]\r\nloca=2\r\n");
  EXPECT_EQ(load(), "2 - -");
}

// Saves replace the file whole: its permission bits stay, another running
// process's temporary file is left alone, one of a process that ended is
// cleared away, and a write that cannot take every key changes nothing and
// says why. A file bigger than one read block reads back byte for byte.
TEST(Saves, KeepPermissionsAndOtherProcessesFilesAndWriteAllKeysOrNone) {
  TempFolder temp;
  const std::string cfg = temp.Write("files.cfg", "\r\n\r\n");
  const std::string ini = temp.Write("tv.ini", "[Tarvolin]\r\nloca=4\r\n");
  ::chmod(cfg.c_str(), 0600);
  ::chmod(ini.c_str(), 0640);
  temp.Write("files.cfg.tmp-999999999~", "left");
  const std::string alive = "files.cfg.tmp-" + std::to_string(::getppid()) + "~";
  temp.Write(alive, "busy");
  Table table;
  for (int i = 0; i < 5000; ++i) {
    table.push_back({"c:\\games\\program" + std::to_string(i) + ".exe", "w" + std::to_string(i)});
  }
  const Table saved = table;
  std::string error;
  ASSERT_TRUE(SaveQuickcommands(table, true, cfg, &error)) << error;
  EXPECT_EQ(table, saved);
  EXPECT_GT(std::filesystem::file_size(cfg), 65536u);
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
  EXPECT_FALSE(
      profile.WriteAll("Tarvolin", {{"loca", "1"}, {"WebExtensions", "a\nb"}}, ini, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(temp.Read("tv.ini"), before);
}

// The usage table keeps the names that weigh most within its bound (a run
// long ago weighs less than a recent one), and reads its own file back.
TEST(Usage, KeepsTheHeaviestNamesWithinItsBound) {
  UsageTable table;
  for (int i = 0; i < 400; ++i) {
    table.Record("n" + std::to_string(i % 350));
  }
  table.Record("two\nlines");
  EXPECT_EQ(table.Size(), UsageTable::kMaxNames);
  EXPECT_GT(table.Weight("n49"), table.Weight("n349"));
  EXPECT_GT(table.Weight("n349"), table.Weight("n100"));
  EXPECT_GT(table.Weight("n0"), table.Weight("n100"));
  EXPECT_EQ(table.Weight("n60"), 0);
  const UsageTable again = UsageTable::Parse(table.Format());
  EXPECT_EQ(again.Size(), table.Size());
  EXPECT_NEAR(again.Weight("n0"), table.Weight("n0"), 1e-5);
}

}  // namespace
}  // namespace tarvolin
