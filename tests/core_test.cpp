// The parts of the program without windows: history and completion, the
// number and list texts of the settings, placement and roll-out, the version
// texts, the interpreter and the quickcommand editor's changes.
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/geometry.h"
#include "core/history.h"
#include "core/interpreter.h"
#include "core/quickcommands.h"
#include "core/settings.h"
#include "core/version.h"
#include "support/temp_folder.h"
#include "sys/posix/posix_filesystem.h"

namespace tarvolin {
namespace {

using Strings = std::vector<std::string>;
using TextPairs = std::pair<const char*, const char*>;
using Table = QuickcommandTable;

CommandHistory Recorded(const Strings& lines) {
  CommandHistory history;
  for (const auto& line : lines) {
    AddToHistory(history, line);
  }
  return history;
}

TEST(History, BrowsesOlderAndNewerWithinTheList) {
  // The elements of a braced list are evaluated in order.
  CommandHistory fresh;
  EXPECT_EQ((Strings{BrowseOlder(fresh), BrowseNewer(fresh)}), (Strings{"", ""}));
  CommandHistory history = Recorded({"A", "B"});
  const Strings walk{BrowseOlder(history), BrowseOlder(history), BrowseOlder(history),
                     BrowseNewer(history), BrowseNewer(history)};
  EXPECT_EQ(walk, (Strings{"B", "A", "A", "B", ""}));

  // A recording starts browsing again from the newest entry.
  AddToHistory(history, "C");
  EXPECT_EQ(BrowseOlder(history), "C");
}

TEST(History, KeepsTheLastFourAndDoesNotGrowAfterAnEmptyRecording) {
  EXPECT_EQ(Recorded({"A", "B", "C", "D", "E"}).entries, (Strings{"E", "D", "C", "B"}));
  EXPECT_EQ(Recorded({"A", "A"}).entries, (Strings{"A", "A"}));
  EXPECT_EQ(Recorded({"A", "B", "", "C"}).entries, (Strings{"C", "", "B"}));
}

// The proposal as its text and the count of bytes kept, or "none".
std::string Completed(const Strings& recorded, const std::string& typed) {
  const auto proposal = CompleteFromHistory(Recorded(recorded), typed);
  return proposal ? proposal->text + " " + std::to_string(proposal->keptBytes) : "none";
}

TEST(History, CompletionWalksOnWithTheCompletedText) {
  EXPECT_EQ(Completed({"notepad", "note"}, "no"), "notepad 4");
  EXPECT_EQ(Completed({"notepad"}, "no"), "notepad 2");
  EXPECT_EQ(Completed({"note"}, "note"), "note 4");
  EXPECT_EQ(Completed({"notepad"}, "NO"), "none");
  EXPECT_EQ(Completed({"Notepad"}, "no"), "none");
  EXPECT_EQ(Completed({"notepad", "note"}, ""), "none");
  EXPECT_EQ(Completed({"notepad", "note"}, "calc"), "none");
  EXPECT_EQ(Completed({"notepad", "note"}, "notepads"), "none");
}

// The fuzz target holds LeadingNumber and RoundToInt16 against the C
// library; these are the cases a settings file or version file has.
TEST(SettingsText, NumbersOfTheFiles) {
  EXPECT_EQ(LeadingNumber(" 1.0"), 1.0);
  EXPECT_EQ(LeadingNumber("\t-1\n2.5"), -12.5);
  EXPECT_EQ(LeadingNumber("0.9abc"), 0.9);
  EXPECT_EQ(LeadingNumber("2e"), 2.0);
  EXPECT_EQ(LeadingNumber("abc"), 0.0);
  EXPECT_EQ(RoundToInt16(2.5), 2);
  EXPECT_EQ(RoundToInt16(3.5), 4);
  EXPECT_EQ(RoundToInt16(40000), 0);
  EXPECT_EQ(NumberText(4), " 4");
  EXPECT_EQ(NumberText(-3), "-3");
}

TEST(SettingsText, WebExtensionsSplitAndJoin) {
  const std::pair<const char*, Strings> cases[] = {// clang-format off
      {"com,org,net", {".com", ".org", ".net"}}, {"com", {".com"}},       {"COM", {".COM"}},
      {"com,,net", {".com", ".", ".net"}},       {",com", {".", ".com"}}, {",", {".,"}},
      {"com,org,", {".com", ".org,"}},     {"com, org", {".com", ". org"}}, {"", {"."}}};
  // clang-format on
  for (const auto& [text, list] : cases) {
    EXPECT_EQ(ParseWebExtensions(text), list) << text;
    EXPECT_EQ(FormatWebExtensions(list), text) << text;
  }
  EXPECT_EQ(FormatWebExtensions({}), "");
}

constexpr float kTwips = 15.0f;
constexpr Size kBar{250, 19};
constexpr Size kScreen{1024, 768};

TEST(Geometry, PlacesTheBarInItsCorner) {
  const std::pair<int, Point> cases[] = {{1, {0, 0}},     {2, {774, 0}},   {3, {0, 717}},
                                         {4, {774, 717}}, {0, {774, 717}}, {5, {774, 717}},
                                         {-1, {774, 717}}};
  for (const auto& [corner, place] : cases) {
    EXPECT_EQ(PlaceCommandBar(corner, kBar, kScreen, kTwips), place) << corner;
  }
  // A taller bar sits lower in the bottom corners.
  EXPECT_EQ(PlaceCommandBar(4, {250, 29}, kScreen, kTwips), (Point{774, 727}));
  EXPECT_EQ(OptionsCornerPosition(1, kBar, kScreen, kTwips), (Point{0, -2}));
  EXPECT_EQ(OptionsCornerPosition(2, kBar, kScreen, kTwips), (Point{774, -2}));
}

TEST(Geometry, RollsOutOfTheBar) {
  // Below a bar in a top corner.
  const RollOutPlan plan = RollOutSteps({0, 0}, kBar, 200, 200, 1, 1024, 1, kTwips);
  EXPECT_EQ(plan.left, 0);
  EXPECT_EQ(plan.start.top, 19);
  ASSERT_FALSE(plan.steps.empty());
  int previous = plan.start.height;
  for (const RollOutStep& step : plan.steps) {
    EXPECT_EQ(step.top, 19);
    EXPECT_TRUE(step.height - previous == 13 || step.height - previous == 14) << step.height;
    // Only the last step reaches the designed height.
    EXPECT_EQ(step.height * 15 >= 3000, &step == &plan.steps.back()) << step.height;
    previous = step.height;
  }
  EXPECT_LT(plan.steps.back().height * 15, 3200);
  EXPECT_EQ(RollOutSteps({0, 0}, kBar, 200, 10, 1, 1024, 1, kTwips).steps.size(), 1u);
  EXPECT_EQ(RollOutSteps({774, 0}, kBar, 200, 200, 1, 1024, 2, kTwips).left, 774);

  // Above a bar in any other corner the lower edge stays put.
  for (const int corner : {3, 4, 0, 5}) {
    const RollOutPlan up = RollOutSteps({774, 717}, kBar, 360, 200, 1, 1024, corner, kTwips);
    EXPECT_EQ(up.left, 664);
    EXPECT_EQ(up.start.top, 688) << corner;
    const int bottom = up.start.top + up.start.height;
    ASSERT_FALSE(up.steps.empty());
    for (const RollOutStep& step : up.steps) {
      EXPECT_LE(std::abs(step.top + step.height - bottom), 1) << corner;
    }
    EXPECT_GE(up.steps.back().height * 15, 3000);
  }
}

TEST(Version, TextsAndNumber) {
  EXPECT_EQ(HelpCaption({0, 8, 7}, true), "Tarvolin - Version 0.87 BETA");
  EXPECT_EQ(HelpCaption({0, 12, 5}, false), "Tarvolin - Version 0.125");
  EXPECT_EQ(LocalVersionNumber({0, 3, 3}), 0.33);
}

// A drive C over a temporary folder with two Windows folders in it.
class DriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"Games/run.exe", "Windows/notepad.exe", "Windows/system32/notepad.exe",
                             "Windows/system32/calc.com", "my.dir/readme", "a.b/c.d/e.txt"}) {
      temp_.Write(file, "x");
    }
    files_.SetDriveMap({{'c', temp_.Path()}});
  }
  testing::TempFolder temp_;
  sys::PosixFileSystem files_{"/"};
};

// One command as text: its kind, then its fields that are set.
std::string Describe(const Command& c) {
  static const char* const kKinds[] = {"nothing", "quit", "dialog", "open", "run", "start"};
  std::string text = kKinds[static_cast<int>(c.kind)];
  text +=
      c.kind == Command::Kind::kOpenDialog ? " " + std::to_string(static_cast<int>(c.dialog)) : "";
  std::string joined;
  for (std::size_t i = 0; i < c.arguments.size(); ++i) {
    joined += (i == 0 ? "" : "|") + c.arguments[i];
  }
  const std::string& arguments = joined;
  for (const std::string* field : {&c.target, &arguments, &c.folder, &c.status}) {
    text += field->empty() ? "" : " " + *field;
  }
  return text;
}

TEST_F(DriveTest, DispatchCommand) {
  SettingsState settings;
  settings.WebExtensionList = {".com", ".org", ".net"};
  // clang-format off
  const std::pair<const char*, std::string> cases[] = {
      {"QUIT", "quit"},  {"Exit", "quit"},  {"edit", "dialog 1"},  {"options", "dialog 2"},
      {"MIRELO", "dialog 3"},              {"WWW.Example.ORG/Path", "open www.example.org/path"},
      {"HTTPS://A.b", "open https://a.b"}, {"Example.COM", "open http://example.com"},
      {"example.comx", "nothing"},
      {"c:\\tools\\setup.com", "open http://c:\\tools\\setup.com"},
      {"c", "run c:\\ c:\\"},  {"c:", "run c:\\ c:\\"},  {"C:", "run c:\\ c:\\"},
      {"C:\\Games\\RUN.exe", "run c:\\games\\run.exe c:\\games\\"},
      {"c:\\nowhere\\x.txt", "nothing -::Path not found::-"},
      {"c:\\games\\missing.exe", "nothing -::File not found::-"},
      {"d:", "nothing -::Path not found::-"},  {"Notepad", "open C:\\windows\\notepad.exe"},
      {"calc", "open C:\\windows\\system32\\calc.com"},  {"notepad.exe", "nothing"},
      {"notepad readme.txt", "nothing"},  {"", "nothing"}};
  // clang-format on
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(Describe(DispatchCommand(line, settings, files_)), expected) << line;
  }
  // The line is made small before the endings are compared.
  settings.WebExtensionList = {".COM"};
  EXPECT_EQ(Describe(DispatchCommand("EXAMPLE.COM", settings, files_)), "nothing");
}

TEST_F(DriveTest, PathFunctions) {
  // clang-format off
  const TextPairs normalized[] = {{"d", "d:\\"}, {"c:", "c:\\"}, {"c:games", "c:\\games"},
      {"c:\\games", "c:\\games"}, {"C:\\Games\\run.exe", "C:\\Games\\run.exe"}};
  // clang-format on
  for (const auto& [in, out] : normalized) {
    EXPECT_EQ(NormalizeDrivePath(in), out) << in;
  }
  // clang-format off
  const TextPairs folders[] = {
      {"C:\\Games\\run.exe", "C:\\Games\\"},  {"C:\\Games\\missing.exe", "C:\\Games\\"},
      {"C:\\Nowhere\\x.txt", ""},  {"C:\\Games", "C:\\Games"},  {"C:\\Nowhere", ""},
      {"C:\\my.dir\\readme", "C:\\my.dir\\"}, {"C:\\a.b\\c.d\\e.txt", "C:\\a.b\\c.d\\"},
      {"C:\\a.b\\x.d\\e.txt", ""},  {"c", "c:\\"},  {"C:\\my.dir\\x.", "C:\\my.dir\\"},
      {"C:\\my.dir\\", "C:\\"}};
  // clang-format on
  for (const auto& [in, out] : folders) {
    EXPECT_EQ(FolderOfTarget(files_, in), out) << in;
  }
  // clang-format off
  const std::pair<const char*, bool> targets[] = {
      {"C:\\Games\\run.exe", true}, {"C:\\Nowhere\\x.txt", false}, {"C:\\Games", true},
      {"C:", true},  {"http://x", true},  {"https://x", true},  {"www.x", true},  {"c", false},
      {"HTTP://x", false},  {"HTTPS://x", false},  {"WWW.x", false},  {"ftp://x", false},
      {"run.exe", false},  {"\\\\server\\share\\x.exe", false},  {"", false}};
  // clang-format on
  for (const auto& [in, valid] : targets) {
    EXPECT_EQ(IsValidTarget(files_, in), valid) << in;
  }
}

// The system's own lines: paths from / or ~, and programs on PATH with their
// arguments, after everything the Windows forms mean.
TEST_F(DriveTest, LinuxLines) {
  const std::string bin = temp_.MakeFolder("bin");
  ::chmod(temp_.Write("bin/show", "#!/bin/sh\n").c_str(), 0755);
  ::chmod(temp_.Write("Games/run.exe", "#!/bin/sh\n").c_str(), 0755);
  temp_.Write("My Docs/a b.txt", "");
  const std::string path = std::getenv("PATH"), home = std::getenv("HOME");
  ::setenv("PATH", bin.c_str(), 1);
  ::setenv("HOME", temp_.Path().c_str(), 1);
  ::setenv("TV_GAMES", "Games", 1);
  SettingsState settings;
  settings.WebExtensionList = {".com"};
  const std::string t = temp_.Path();
  const std::pair<std::string, std::string> cases[] = {
      {"show -a \"two words\" 'x y' ''", "start " + t + "/bin/show -a|two words|x y| " + t},
      {"Show", "nothing"},  // names on PATH are not folded
      {"show x.com", "open http://show x.com"},
      {t + "/My Docs/a b.txt", "run " + t + "/My Docs/a b.txt " + t + "/My Docs"},
      {"~/my docs", "run " + t + "/my docs " + t + "/my docs"},
      {"~/Games/run.exe -v", "start " + t + "/Games/run.exe -v " + t + "/Games"},
      {"$HOME/${TV_GAMES}/%TV_GAMES%", "nothing -::File not found::-"},
      {"/nowhere-at-all/x", "nothing -::Path not found::-"},
      {"c:\\%TV_GAMES%\\run.exe", "run c:\\games\\run.exe c:\\games\\"},
      {"$UNSET_AT_ALL", "nothing"},
  };
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(Describe(DispatchCommand(line, settings, files_)), expected) << line;
  }
  EXPECT_TRUE(IsValidTarget(files_, "~/new.txt"));
  EXPECT_TRUE(IsValidTarget(files_, "show -x"));
  EXPECT_FALSE(IsValidTarget(files_, "/nowhere-at-all/x"));
  EXPECT_EQ(ExpandVariables("$UNSET_AT_ALL ${UNSET_AT_ALL} %UNSET_AT_ALL% 100% $"),
            "$UNSET_AT_ALL ${UNSET_AT_ALL} %UNSET_AT_ALL% 100% $");
  EXPECT_EQ(SplitWords("  a\t'b c'\"d\"e \"open"), (Strings{"a", "b cde", "open"}));
  ::setenv("PATH", path.c_str(), 1);
  ::setenv("HOME", home.c_str(), 1);
}

TEST_F(DriveTest, TabCandidates) {
  temp_.MakeFolder("Games/Saves");
  temp_.Write(".hidden", "");
  const std::string t = temp_.Path();
  EXPECT_EQ(TabCandidates("c:\\ga", {}, {}, files_), Strings{"c:\\Games\\"});
  EXPECT_EQ(TabCandidates("C:\\GAMES\\", {}, {}, files_),
            (Strings{"C:\\GAMES\\Saves\\", "C:\\GAMES\\run.exe"}));
  EXPECT_EQ(TabCandidates(t + "/Ga", {}, {}, files_), Strings{t + "/Games/"});
  EXPECT_EQ(TabCandidates(t + "/ga", {}, {}, files_), Strings{});
  EXPECT_EQ(TabCandidates(t + "/.h", {}, {}, files_), Strings{t + "/.hidden"});
  EXPECT_EQ(TabCandidates(t + "/", {}, {}, files_).size(), 4u);
  EXPECT_EQ(
      TabCandidates("no", {"Notes", "x", "notes", "Notes"}, {"nohup", "note", "notes"}, files_),
      (Strings{"Notes", "notes", "nohup", "note"}));
}

TEST(Quickcommands, FindAndRemove) {
  const Table table{{"t1", "word"}, {"t2", "Word"}, {"t3", "word"}};
  EXPECT_EQ(FindQuickcommand(table, "WORD", false), &table[0]);
  EXPECT_EQ(FindQuickcommand(table, "Word", true), &table[1]);
  EXPECT_EQ(FindQuickcommand(table, "word", true), &table[0]);
  EXPECT_EQ(FindQuickcommand(table, "WORD", true), nullptr);

  Table rows{{"a", "1"}, {"b", "2"}, {"c", "3"}};
  RemoveQuickcommand(rows, 1);
  EXPECT_EQ(rows, (Table{{"a", "1"}, {"c", "3"}}));
  rows.resize(1);
  RemoveQuickcommand(rows, 0);
  EXPECT_EQ(rows, (Table{{"", ""}}));
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

constexpr char kRename[] = "'C:\\Games\\run.exe'already exists.\rChange Quickcommand to: ";

TEST_F(EditorTest, RefusesAnEmptyNameAndAnInvalidTarget) {
  EXPECT_FALSE(Add("C:\\Nowhere\\x.txt", ""));
  EXPECT_EQ(shown_, Strings{"You must type a quickcommand for the file"});
  EXPECT_FALSE(Add("C:\\Nowhere\\x.txt", "x"));
  EXPECT_EQ(shown_, Strings{"'C:\\Nowhere\\x.txt'\ris not a valid command."});
  EXPECT_EQ(table_, (Table{{"C:\\Games\\run.exe", "play"}}));
  EXPECT_EQ(rows_, 1u);
}

TEST_F(EditorTest, AppendsOrFillsThePlaceholder) {
  EXPECT_TRUE(Add("www.example.org", "web"));
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(table_, (Table{{"C:\\Games\\run.exe", "play"}, {"www.example.org", "web"}}));
  EXPECT_EQ(rows_, 2u);
  // Names compare with capitals distinct: Play for a stored target asks to
  // rename it, Play for another target is a new pair.
  EXPECT_TRUE(Add("C:\\Games\\run.exe", "Play", {true}));
  EXPECT_EQ(shown_, Strings{std::string(kRename) + "Play ???"});
  EXPECT_TRUE(Add("C:\\Games\\other.exe", "play"));
  EXPECT_EQ(table_.size(), 3u);

  table_ = {{}};
  rows_ = 0;
  EXPECT_TRUE(Add("C:\\Games\\run.exe", "play"));
  EXPECT_EQ(table_, (Table{{"C:\\Games\\run.exe", "play"}}));
  EXPECT_EQ(rows_, 1u);
}

TEST_F(EditorTest, AsksBeforeChangingAStoredPair) {
  const Table before = table_;
  EXPECT_FALSE(Add("C:\\Games\\other.exe", "play", {false}));
  EXPECT_EQ(shown_, Strings{"'play'already exists.\rChange file to: C:\\Games\\other.exe ???"});
  EXPECT_EQ(table_, before);
  for (const bool answer : {true, false}) {
    EXPECT_EQ(Add("C:\\Games\\run.exe", "play", {answer}), answer);
    EXPECT_EQ(shown_, Strings{std::string(kRename) + "play ???"});
    EXPECT_EQ(table_, before);
  }
  EXPECT_TRUE(Add("C:\\Games\\other.exe", "play", {true}));
  EXPECT_EQ(table_, (Table{{"C:\\Games\\other.exe", "play"}}));
  EXPECT_EQ(rows_, 1u);
}

TEST_F(EditorTest, AsksForEveryMatchingEntryInTurn) {
  table_ = {{"a", "0"}, {"b", "1"}, {"C:\\Games\\run.exe", "two"},
            {"c", "3"}, {"d", "4"}, {"http://five", "play"}};
  rows_ = table_.size();
  EXPECT_FALSE(Add("C:\\Games\\run.exe", "play", {true, false}));
  EXPECT_EQ(shown_, (Strings{std::string(kRename) + "play ???",
                             "'play'already exists.\rChange file to: C:\\Games\\run.exe ???"}));
  EXPECT_EQ(table_[2], (QuickcommandEntry{"C:\\Games\\run.exe", "play"}));
  EXPECT_EQ(table_[5], (QuickcommandEntry{"http://five", "play"}));
  EXPECT_EQ(table_.size(), 6u);
}

}  // namespace
}  // namespace tarvolin
