// The bar's rules without any window: a view that records what it is told
// and answers message boxes from a list, a clock the test sets, a shell that
// records what it was asked to start, and real files in a temporary folder
// mapped as drive C.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bar/rules.h"
#include "support/recording_shell.h"
#include "support/recording_view.h"
#include "support/temp_folder.h"
#include "sys/environment.h"
#include "sys/posix/ini_store.h"
#include "sys/posix/posix_filesystem.h"
#include "sys/text.h"

namespace tarvolin::bar {
namespace {

using Strings = std::vector<std::string>;
using testing::Calls;
using testing::RecordingShell;

// Applications by name (letters A to Z folded); what was launched, where,
// and whether in a terminal.
struct FakeApplications : sys::Applications {
  std::string Find(const std::string& name) override {
    const std::string folded = Fold(name);
    return folded == "text editor" ? "editor.desktop"
           : folded == "paint"     ? "paint.desktop"
           : folded ==
                   "\xC3\xA9"
                   "diteur"
               ? "mousepad.desktop"
               : "";
  }
  // Two applications share the name Éditeur.
  std::vector<Choice> FindAll(const std::string& name) override {
    if (Fold(name) ==
        "\xC3\xA9"
        "diteur") {
      return {{"mousepad.desktop", "org.xfce.mousepad", "accessories-text-editor",
               "\xC3\x89"
               "diteur"},
              {"vim.desktop", "vim", ""}};
    }
    const std::string id = Find(name);
    return id.empty() ? std::vector<Choice>() : std::vector<Choice>{{id, "", ""}};
  }
  std::vector<std::string> Names() override {
    return {"Paint", "Text Editor",
            "\xC3\x89"
            "diteur"};
  }
  // As a system folds: É to é too.
  std::string Fold(const std::string& name) override {
    std::string folded = sys::LowerAscii(name);
    for (std::size_t at; (at = folded.find("\xC3\x89")) != std::string::npos;) {
      folded.replace(at, 2, "\xC3\xA9");
    }
    return folded;
  }
  std::string Launch(const std::string& id, const std::string& folder, bool inTerminal) override {
    launched.emplace_back(id + (inTerminal ? " in a terminal" : ""), folder);
    return {};
  }
  Calls launched;
};

using FakeView = testing::RecordingView;

class BarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.Write("c/Games/run.exe", "");
    files_.SetDriveMap({{'c', temp_ / "c"}});
    // A program on PATH, in the test's own environment.
    ::chmod(temp_.Write("bin/tvshow", "#!/bin/sh\n").c_str(), 0755);
    files_.UseEnvironment(environment_);
  }

  // Starts the rules with these quickcommands and, unless `settings` is
  // null, a tv.ini with these further lines.
  void Start(const std::string& quickcommands = "", const char* settings = "") {
    temp_.Write("prog/files.cfg", quickcommands);
    if (settings != nullptr) {
      temp_.Write("prog/tv.ini",
                  "[Tarvolin]\r\nloca=4\r\nCaseSensitive=0\r\nAutoUpdate=0\r\n"
                  "WebExtensions=com,org\r\n" +
                      std::string(settings));
    }
    rules_ =
        std::make_unique<BarRules>(System{files_, profile_, shell_, "", work_, "", nullptr,
                                          [this] { return now_; }, [this] { return programs_; },
                                          [this](std::function<void()> job) {
                                            if (holdAside_) {
                                              aside_.push_back(std::move(job));
                                            } else {
                                              job();
                                            }
                                          },
                                          launcherReaches_, &applications_, bar::Calculate},
                                   view_);
    view_.rules = rules_.get();
    rules_->Start();
  }
  void Press(Key key) { rules_->OnKey(key); }
  void Run(const std::string& line) {
    view_.Type(line);
    Press(Key::kEnter);
  }
  // The box shows this text, all of it selected.
  void ExpectStatus(const std::string& text) {
    EXPECT_EQ(view_.text, text);
    EXPECT_EQ(view_.selectionStart, 0);
    EXPECT_EQ(view_.selectionLength, FakeView::Units(text)) << text;
  }
  Calls Opened() { return std::exchange(shell_.calls, {}); }
  Strings Asked() { return std::exchange(view_.asked, {}); }

  testing::TempFolder temp_;
  sys::PosixFileSystem files_{temp_ / "prog"};
  sys::IniStore profile_;
  RecordingShell shell_;
  FakeApplications applications_;
  FakeView view_;
  std::string work_ = temp_ / "work";
  sys::FixedEnvironment environment_{{{"PATH", temp_ / "bin"}, {"HOME", temp_ / "home"}}};
  double now_ = 100;
  Strings programs_;
  std::unique_ptr<BarRules> rules_;
  // Jobs the rules run away from the GUI thread: run at once, or held.
  bool holdAside_ = false;
  bool launcherReaches_ = true;
  std::vector<std::function<void()>> aside_;
};

// A line that means nothing else may name an application: a quickcommand
// and a program on PATH of that name win. Tab offers the names after the
// programs, quoted when they hold a blank, and a quoted name runs.
// Shift+Enter starts a program, or an application, in a terminal; with no
// terminal the line stays and the user is told.
TEST_F(BarTest, ApplicationsByNameLastAndTerminalPrograms) {
  Start("www.paint.org\r\npaint\r\n");
  const std::string program = temp_ / "bin/tvshow";
  Run("text EDITOR");
  Run("Paint");
  Run("tvshow");
  EXPECT_EQ(applications_.launched, (Calls{{"editor.desktop", work_}}));
  EXPECT_EQ(Opened(), (Calls{{"www.paint.org", work_}, {program, temp_ / "home"}}));
  view_.Type("Te");
  Press(Key::kTab);
  EXPECT_EQ(view_.text, "\"Text Editor\"");
  Press(Key::kEnter);

  view_.Type("tvshow -c 'exit 0'");
  Press(Key::kShiftEnter);
  view_.Type("text editor");
  Press(Key::kShiftEnter);
  EXPECT_EQ(Opened(), (Calls{{"terminal " + program + "|-c|exit 0", temp_ / "home"}}));
  EXPECT_EQ(applications_.launched, (Calls{{"editor.desktop", work_},
                                           {"editor.desktop", work_},
                                           {"editor.desktop in a terminal", work_}}));
  shell_.failure = "no terminal";
  view_.Type("tvshow");
  Press(Key::kShiftEnter);
  EXPECT_EQ(Asked(), (Strings{"bar: no terminal -> "}));
  ExpectStatus("tvshow");
  // The editor takes an application's name as a target.
  Press(Key::kF2);
  EXPECT_TRUE(rules_->Editor()->Add("Paint", "draw"));
  EXPECT_TRUE(Asked().empty());
}

// Enter: a quickcommand before the line itself; the line trimmed; what
// failed to start told and left in the box; a line too long refused whole.
TEST_F(BarTest, EnterRunsTheQuickcommandFirstThenTheLineOrSaysWhyNot) {
  Start("www.y.org\r\nwww.x.org\r\nc:\\games\\run.exe\r\nplay\r\nc:\\nowhere\\y\r\nquit\r\n");
  EXPECT_EQ(view_.Log(), (Strings{"show in front"}));
  EXPECT_EQ(view_.place, (Point{774, 717}));
  view_.Type("");
  Press(Key::kEnter);
  EXPECT_EQ(view_.text, "");
  Run("  frobnicate  ");
  ExpectStatus("Unknown command (F1 for help)");
  Run("Unknown command (F1 for help)");
  ExpectStatus("Unknown command (F1 for help)");
  // A quickcommand named like a web address runs its own target only.
  Run("WWW.X.ORG");
  Run("PLAY");
  Run("C:\\GAMES\\Run.exe");
  EXPECT_EQ(view_.text, "");
  EXPECT_EQ(Opened(), (Calls{{"www.y.org", work_},
                             {"c:\\games\\run.exe", "c:\\games\\"},
                             {"c:\\games\\run.exe", "c:\\games\\"}}));
  EXPECT_EQ(rules_->History().entries, (Strings{"C:\\GAMES\\Run.exe", "PLAY", "WWW.X.ORG"}));
  Run("c:\\games\\missing.exe");
  ExpectStatus("-::File not found::-");
  // A program without a dot in its name starts in its folder.
  temp_.Write("c/bin/xeyes", "");
  Run("c:\\bin\\xeyes");
  EXPECT_EQ(Opened(), (Calls{{"c:\\bin\\xeyes", "c:\\bin\\"}}));
  EXPECT_EQ(rules_->History().entries.front(), "c:\\bin\\xeyes");

  // What fails to start is told, and the line stays.
  shell_.failure = "c:\\games\\run.exe: Exec format error";
  Run("c:\\games\\run.exe");
  ExpectStatus("c:\\games\\run.exe");
  EXPECT_EQ(Asked(), (Strings{"bar: c:\\games\\run.exe: Exec format error -> "}));
  EXPECT_EQ(rules_->History().entries.front(), "c:\\bin\\xeyes");
  shell_.failure.clear();
  Opened();

  // The longest line runs; one character more is refused whole, never cut.
  // Characters count, not bytes.
  std::string longest = "www.x.org/";
  while (FakeView::Units(longest) < kMaxLineLength) {
    longest += "\xC3\xA4";
  }
  Run(longest);
  EXPECT_EQ(view_.text, "");
  Run(longest + "x");
  ExpectStatus("-::Line too long::-");
  EXPECT_EQ(Opened().size(), 1u);

  // After F1 an unknown word stays, selected, without a status text; the
  // submit after that shows the status again.
  Press(Key::kF1);
  EXPECT_EQ(view_.Log(), (Strings{"roll out help 4"}));
  Run("frobnicate");
  ExpectStatus("frobnicate");
  Press(Key::kEnter);
  ExpectStatus("Unknown command (F1 for help)");
  // F10 ends the program, and so does a quickcommand named quit whose
  // target cannot run.
  Press(Key::kF10);
  Run("quit");
  EXPECT_EQ(view_.Log(), (Strings{"end", "end"}));

  // A search word (a target with %s) takes the rest of the line, encoded in
  // a web address, as typed elsewhere; alone, nothing. A line naming a
  // quickcommand whole wins, and one without %s takes no rest.
  Press(Key::kF2);
  ASSERT_TRUE(rules_->Editor()->Add("https://duckduckgo.com/?q=%s&ia=%s", "g"));
  ASSERT_TRUE(rules_->Editor()->Add("tvshow -k %s", "m"));
  ASSERT_TRUE(rules_->Editor()->Add("www.z.org", "g z"));
  rules_->OnDialogClosed(Dialog::kEditor);
  for (const char* line : {"G tarvolin  bar/\xC3\xA9", "g", "m ls -l", "g z", "play x"}) {
    Run(line);
  }
  EXPECT_EQ(
      Opened(),
      (Calls{{"https://duckduckgo.com/?q=tarvolin%20%20bar%2F%C3%A9&ia=tarvolin%20%20bar%2F%C3%A9",
              work_},
             {"https://duckduckgo.com/?q=&ia=", work_},
             {temp_ / "bin/tvshow|-k|ls|-l", temp_ / "home"},
             {"www.z.org", work_}}));
  ExpectStatus("Unknown command (F1 for help)");
  // "=" calculates: the result, or why there is none, selected in the box;
  // nothing runs, and the line is remembered.
  const std::pair<const char*, const char*> sums[] = {
      {"=2+3*4", "14"},
      {"= sqrt(2)/3", "0.471404520791032"},
      {"=2^10", "1024"},
      {"=(1.5+2)*3", "10.5"},
      {"=0x1f + 0XA", "41"},
      {"=1/0", "Not a finite number"},
      {"=1,5", "Use a point for decimals: 1.5"},
      {"=max(1,5)", "5"},
      {"=2+", "Unexpected end of expression at position 3"}};
  for (const auto& [line, shown] : sums) {
    Run(line);
    ExpectStatus(shown);
  }
  EXPECT_TRUE(Opened().empty());
  EXPECT_EQ(rules_->History().entries.front(), "=2+");
}

// Down goes to older lines and stops at the oldest, Up to newer ones and
// then to an empty box; each shows its line selected. A pause after an edit
// completes the line from them, unless text is selected.
TEST_F(BarTest, HistoryKeysAndCompletionAfterAPause) {
  Start();
  Run("www.a.org");
  Run("notepad.com");
  const std::pair<Key, const char*> keys[] = {{Key::kDown, "notepad.com"},
                                              {Key::kDown, "www.a.org"},
                                              {Key::kDown, "www.a.org"},
                                              {Key::kUp, "notepad.com"},
                                              {Key::kUp, ""}};
  for (const auto& [key, shown] : keys) {
    Press(key);
    ExpectStatus(shown);
  }
  view_.Type("no");
  now_ += 0.75;
  EXPECT_TRUE(rules_->OnTick());
  EXPECT_EQ(view_.text, "no");
  now_ += 0.01;
  rules_->OnTick();
  EXPECT_EQ(view_.text, "notepad.com");
  EXPECT_EQ(view_.Selected(), "tepad.com");
  // Selected text is never completed; past midnight the clock starts again
  // and no pause is counted until the next edit.
  view_.Type("www");
  view_.Select(0, 3);
  now_ += 5;
  rules_->OnTick();
  EXPECT_EQ(view_.text, "www");
  view_.Type("www");
  now_ = 0.5;
  rules_->OnTick();
  EXPECT_EQ(view_.text, "www");
  // With nothing left to do the tick may stop; an opener still to be
  // watched keeps it going, and an opening that failed later is told.
  now_ = 10;
  view_.Type("");
  now_ = 11;
  EXPECT_FALSE(rules_->OnTick());
  shell_.watching = true;
  shell_.failed = {"The desktop's opener could not open http://www.a.org."};
  EXPECT_TRUE(rules_->OnTick());
  EXPECT_EQ(Asked(), (Strings{"bar: The desktop's opener could not open http://www.a.org. -> "}));
}

// Tab puts a candidate in place of the word before the caret, the next Tab
// the next one: quickcommands first, then programs, then entries of a
// folder. A caret right before a word completes nothing.
TEST_F(BarTest, TabCompletesTheWordBeforeTheCaret) {
  Start("www.x.org\r\nplay\r\nwww.y.org\r\nplan\r\n");
  programs_ = {"cdrecord", "plasma"};
  view_.Type("\xC3\xA4 pl x", 4);
  for (const char* shown :
       {"\xC3\xA4 play x", "\xC3\xA4 plan x", "\xC3\xA4 plasma x", "\xC3\xA4 play x"}) {
    Press(Key::kTab);
    EXPECT_EQ(view_.text, shown);
    EXPECT_EQ(view_.caret, FakeView::Units(view_.text) - 2);
  }
  // After the names it begins: a name with a word it begins, then one with
  // its letters in order; case folded as the system folds it.
  const std::pair<const char*, const char*> looser[] = {{"EDIT", "\"Text Editor\""},
                                                        {"pnt", "Paint"},
                                                        {"\xC3\xA9"
                                                         "dit",
                                                         "\xC3\x89"
                                                         "diteur"}};
  for (const auto& [typed, shown] : looser) {
    view_.Type(typed);
    Press(Key::kTab);
    EXPECT_EQ(view_.text, shown);
  }
  // A program installed while the bar runs is offered at the next Tab.
  programs_.push_back("tvnew");
  view_.Type("tvn");
  Press(Key::kTab);
  EXPECT_EQ(view_.text, "tvn");
  ::chmod(temp_.Write("bin/tvnew", "").c_str(), 0755);
  Press(Key::kTab);
  EXPECT_EQ(view_.text, "tvnew");
  view_.Type("ab cd", 0);
  Press(Key::kTab);
  EXPECT_EQ(view_.text, "ab cd");
  view_.Type("ab cd");
  Press(Key::kTab);
  EXPECT_EQ(view_.text, "ab cdrecord");
  view_.Type("c:\\ga");
  Press(Key::kTab);
  EXPECT_EQ(view_.text, "c:\\Games\\");
  // A name with a blank goes in quoted: the line reads it back as one word,
  // and a Tab inside the quotes goes on from there.
  temp_.Write("c/Two words/a b.txt", "");
  view_.Type("run c:\\tw");
  Press(Key::kTab);
  EXPECT_EQ(view_.text, "run c:\\\"Two words\\\"");
  view_.Type("run \"c:\\Two words\\a");
  Press(Key::kTab);
  EXPECT_EQ(view_.text, "run \"c:\\Two words\\a b.txt\"");
  EXPECT_EQ(SplitWords(view_.text), (Strings{"run", "c:\\Two words\\a b.txt"}));
  // The folder typed stays outside the quotes, where the line still reads
  // ~ as the home folder, and a name holding both quotes and what looks
  // like a variable reaches the program as it is on disk.
  temp_.Write("home/notes/todo list.txt", "");
  view_.Type("tvshow ~/notes/to");
  Press(Key::kTab);
  EXPECT_EQ(view_.text, "tvshow ~/notes/\"todo list.txt\"");
  Press(Key::kEnter);
  temp_.Write("home/notes/it's \"q\" $HOME%PATH%.txt", "");
  view_.Type("tvshow ~/notes/it");
  Press(Key::kTab);
  Press(Key::kEnter);
  EXPECT_EQ(Opened(),
            (Calls{{temp_ / "bin/tvshow|" + temp_ / "home/notes/todo list.txt", temp_ / "home"},
                   {temp_ / "bin/tvshow|" + temp_ / "home/notes/it's \"q\" $HOME%PATH%.txt",
                    temp_ / "home"}}));
}

// The list: what each candidate is, the marked row kept in sight, below a
// bar at the top. Candidates that match alike come in the order of use,
// learnt into usage.cfg, which a second bar reads and a broken one cannot
// upset. A name two applications share opens the list of both; Enter
// starts the one marked.
TEST_F(BarTest, TheListRanksByUseAndOffersAChoiceAmongEqualNames) {
  temp_.Write("prog/tv.ini", "[Tarvolin]\r\nloca=1\r\nAutoUpdate=0\r\n");
  std::string table;
  for (int i = 0; i < 10; ++i) {
    table += "www.q" + std::to_string(i) + ".org" + (i == 9 ? "/?q=%s" : "") + "\r\nq" +
             std::to_string(i) + "\r\n";
  }
  Start(table, nullptr);
  programs_ = {"q9prog"};
  Run("q9 x");
  view_.Type("q");
  Press(Key::kTab);
  Press(Key::kShiftTab);
  Press(Key::kShiftTab);
  ASSERT_TRUE(view_.list);
  const Strings inSight{"q3", "q4", "q5", "q6", "q7", "q8", "q9prog", "q9 x"};
  Strings rows;
  Strings kinds;
  for (const ListRow& row : view_.list->rows) {
    rows.push_back(row.text);
    kinds.push_back(row.kind);
  }
  EXPECT_EQ(view_.text, "q9prog");
  EXPECT_EQ(rows, inSight);
  EXPECT_EQ(kinds.back(), "history");
  EXPECT_EQ(kinds[6], "program");
  EXPECT_EQ(kinds.front(), "quickcommand");
  EXPECT_EQ(view_.list->current, 6);
  EXPECT_EQ(view_.list->place.y, 19);
  EXPECT_EQ(view_.list->size.height, 8 * 19 + 2);
  // q9 ran (as the first word of its line): it leads its kind of match.
  view_.Type("q");
  Press(Key::kTab);
  EXPECT_EQ(view_.text, "q9");
  Press(Key::kEscape);
  EXPECT_FALSE(view_.list);
  Run("q4");
  Run("q4");
  Start(table, nullptr);
  view_.Type("q");
  Press(Key::kTab);
  EXPECT_EQ(view_.text, "q4");
  Press(Key::kTab);
  EXPECT_EQ(view_.text, "q9");
  Press(Key::kEscape);
  temp_.Write("prog/usage.cfg", "runs\tx\n1e999\t1\tq2\n\t\t\n-1\t2\tq3\nnonsense\n");
  view_.Type("q");
  Press(Key::kTab);
  EXPECT_EQ(view_.text, "q0");
  // A quickcommand added in the editor is offered at the next Tab.
  Press(Key::kF2);
  ASSERT_TRUE(rules_->Editor()->Add("www.qq.org", "qquick"));
  rules_->OnDialogClosed(Dialog::kEditor);
  view_.Type("qqu");
  Press(Key::kTab);
  EXPECT_EQ(view_.text, "qquick");
  EXPECT_FALSE(view_.list);

  Run("\xC3\xA9"
      "DITEUR");
  EXPECT_TRUE(applications_.launched.empty());
  ASSERT_TRUE(view_.list);
  EXPECT_EQ(view_.list->rows,
            (std::vector<ListRow>{{"\xC3\x89"
                                   "diteur",
                                   "org.xfce.mousepad", "accessories-text-editor"},
                                  {"\xC3\xA9"
                                   "DITEUR",
                                   "vim", ""}}));
  Press(Key::kDown);
  Press(Key::kEnter);
  EXPECT_EQ(applications_.launched, (Calls{{"vim.desktop", work_}}));
  EXPECT_FALSE(view_.list);
}

// F2 takes the bar's text into the editor, then empties the box; F3 records
// the box (an empty one too) before the options open. The editor asks about
// every stored name or target in turn; each Yes applies, and a No to the
// last keeps the typed texts. Closing saves.
TEST_F(BarTest, TheEditorTakesTheBarTextAsksInRowOrderAndSavesWhenItCloses) {
  Start("c:\\games\\run.exe\r\nplay\r\nwww.x.org\r\nx\r\n");
  view_.Log();
  view_.Type("Unknown command (F1 for help)");
  Press(Key::kF2);
  EXPECT_EQ(rules_->Editor()->FirstTarget(), "");
  EXPECT_FALSE(rules_->Editor()->NameFirst());
  EXPECT_EQ(view_.Log(), (Strings{"roll out editor 4"}));
  rules_->OnDialogClosed(Dialog::kEditor);
  EXPECT_EQ(view_.Log(), (Strings{"show", "focus to bar"}));
  view_.Type("c:\\games\\run.exe");
  Press(Key::kF2);
  EditorModel& editor = *rules_->Editor();
  EXPECT_EQ(editor.FirstTarget(), "c:\\games\\run.exe");
  EXPECT_TRUE(editor.NameFirst());
  EXPECT_EQ(view_.text, "");
  EXPECT_TRUE(rules_->IsOpen(Dialog::kEditor));

  // Browse: a drive path; cancelled, the last choice again. The name box
  // comes next, its text selected.
  view_.answers = {temp_ / "c/Games/run.exe", ""};
  editor.targetBox = "typed";
  editor.Browse();
  EXPECT_EQ(editor.targetBox, "C:\\Games\\run.exe");
  editor.targetBox = "typed";
  editor.Browse();
  EXPECT_EQ(editor.targetBox, "C:\\Games\\run.exe");
  EXPECT_EQ(editor.TakeFocus(), EditorModel::Focus::kNameBoxSelected);
  Asked();
  view_.answers = {"no", "yes", "", "", "no"};
  EXPECT_TRUE(editor.Add("www.x.org", "play"));
  EXPECT_FALSE(editor.Add("c:\\nowhere\\x.txt", "y") || editor.Add("www.z.org", "") ||
               editor.Add("www.x.org", "z"));
  EXPECT_EQ(Asked(),
            (Strings{"dialog: 'play'already exists.\rChange file to: www.x.org ??? -> no",
                     "dialog: 'www.x.org'already exists.\rChange Quickcommand to: play ??? -> yes",
                     "dialog: 'c:\\nowhere\\x.txt'\ris not a valid command. -> ",
                     "dialog: You must type a quickcommand for the file -> ",
                     "dialog: 'www.x.org'already exists.\rChange Quickcommand to: z ??? -> no"}));
  EXPECT_TRUE(editor.Add("www.z.org", "z"));
  EXPECT_EQ(editor.Rows(), 3u);
  EXPECT_EQ(editor.Row(1).Name, "play");
  // Once every row is gone, an added pair is the only one.
  for (int row = 2; row >= 0; --row) {
    editor.Remove(static_cast<std::size_t>(row));
  }
  EXPECT_TRUE(editor.Add("www.y.org", "y"));
  rules_->OnDialogClosed(Dialog::kEditor);
  EXPECT_EQ(temp_.Read("prog/files.cfg"), "www.y.org\r\ny\r\n");
  EXPECT_EQ(view_.Log(), (Strings{"roll out editor 4", "show", "focus to bar"}));

  // The save runs away from the GUI thread: the bar answers from the
  // edited table meanwhile, and a tick tells a failure; the table stays as
  // edited.
  holdAside_ = true;
  Press(Key::kF2);
  rules_->Editor()->Add("www.z.org", "z");
  std::filesystem::remove(temp_ / "prog/files.cfg");
  std::filesystem::create_directory(temp_ / "prog/files.cfg");
  rules_->OnDialogClosed(Dialog::kEditor);
  ASSERT_EQ(aside_.size(), 1u);
  Run("z");
  EXPECT_EQ(Opened(), (Calls{{"www.z.org", work_}}));
  aside_.front()();
  EXPECT_TRUE(view_.asked.empty());
  EXPECT_TRUE(rules_->OnTick());
  ASSERT_EQ(view_.asked.size(), 1u);
  EXPECT_EQ(view_.asked[0].rfind("bar: The quickcommands could not be saved to files.cfg", 0), 0u);
  holdAside_ = false;
  Run("z");
  EXPECT_EQ(Opened(), (Calls{{"www.z.org", work_}}));

  view_.Type("");
  Press(Key::kF3);
  EXPECT_EQ(rules_->History().entries.front(), "");
}

// Without tv.ini the first run writes it, says so in the box and opens the
// editor with that text as its target; the bar does not take the focus
// from it. A tv.ini that cannot be written is told, never called saved.
TEST_F(BarTest, TheFirstRunSavesTheSettingsAndOpensTheEditor) {
  Start("", nullptr);
  EXPECT_EQ(view_.Log(), (Strings{"show", "roll out editor 4", "show"}));
  ASSERT_TRUE(rules_->IsOpen(Dialog::kEditor));
  EXPECT_NE(temp_.Read("prog/tv.ini").find("loca= 4"), std::string::npos);
  EXPECT_EQ(rules_->Editor()->FirstTarget(), "Settings Saved...");
  EXPECT_EQ(view_.Selected(), "Settings Saved...");

  std::filesystem::remove(temp_ / "prog/tv.ini");
  temp_.Write("prog/tv.ini/x", "");
  Start("", nullptr);
  rules_->OnDialogClosed(Dialog::kEditor);
  Press(Key::kF3);
  rules_->OnDialogClosed(Dialog::kOptions);
  const std::string told = "bar: The settings could not be saved to " + temp_ / "prog/tv.ini";
  ASSERT_EQ(view_.asked.size(), 2u);
  EXPECT_EQ(view_.asked[0].rfind(told, 0), 0u) << view_.asked[0];
  EXPECT_EQ(view_.asked[1].rfind(told, 0), 0u) << view_.asked[1];
  EXPECT_NE(view_.text, "Settings Saved...");
}

// The options: a corner clicked moves the bar at once (the top corners by
// the dialog's own rule) and case sensitivity counts at once; the rest
// counts when they close, which writes tv.ini and says so.
TEST_F(BarTest, TheOptionsMoveTheBarAndSaveWhenTheyClose) {
  Start("www.x.org\r\nxq\r\n", "");
  view_.Log();
  Run("options");
  EXPECT_EQ(view_.Log(), (Strings{"roll out options 4"}));
  OptionsModel& options = *rules_->Options();
  // Without an HTTP client (an installed copy) Auto-Update cannot be changed.
  EXPECT_FALSE(options.AutoUpdateChangeable());
  EXPECT_EQ(options.Corner(), 4);
  EXPECT_EQ(options.webExtensionText, "com,org");
  options.PickCorner(1);
  EXPECT_EQ(view_.place, (Point{0, -2}));
  rules_->OnTick();
  EXPECT_EQ(view_.place, (Point{0, 0}));
  options.SetCaseSensitive(true);
  Run("XQ");
  ExpectStatus("Unknown command (F1 for help)");
  options.autoUpdate = true;
  options.webExtensionText = "com,org,";
  EXPECT_FALSE(rules_->Settings().AutoUpdate);
  rules_->OnDialogClosed(Dialog::kOptions);
  ExpectStatus("Settings Saved...");
  EXPECT_TRUE(rules_->Settings().AutoUpdate);
  EXPECT_EQ(rules_->Settings().WebExtensionList, (Strings{".com", ".org,"}));
  EXPECT_NE(temp_.Read("prog/tv.ini").find("loca= 1\r\nCaseSensitive= 1\r\nAutoUpdate= 1\r\n"),
            std::string::npos);
  EXPECT_EQ(view_.Log(), (Strings{"focus to bar"}));
  BarRules online({files_, profile_, shell_, "", work_, "", [] { return nullptr; }}, view_);
  online.OnKey(Key::kF3);
  EXPECT_TRUE(online.Options()->AutoUpdateChangeable());
}

// Two bars of one user on the same files, each a process of its own: what
// one saves while the other's editor or options are open is kept when the
// other closes them.
TEST_F(BarTest, TwoBarsSaveWithoutDroppingTheOthersChanges) {
  Start("www.a.org\r\na\r\nwww.b.org\r\nb\r\n");
  Press(Key::kF2);
  Press(Key::kF3);
  const pid_t other = ::fork();
  if (other == 0) {
    FakeView view;
    BarRules rules({files_, profile_, shell_, "", work_, "", nullptr, [] { return 0.0; }}, view);
    view.rules = &rules;
    rules.Start();
    rules.OnKey(Key::kF2);
    const bool added = rules.Editor()->Add("www.c.org", "c");
    rules.OnDialogClosed(Dialog::kEditor);
    rules.OnKey(Key::kF3);
    rules.Options()->PickCorner(1);
    rules.OnDialogClosed(Dialog::kOptions);
    // F10 ends the bar once its save is written.
    rules.OnKey(Key::kF10);
    ::_exit(added ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(other, &status, 0), other);
  ASSERT_EQ(status, 0);
  EditorModel& editor = *rules_->Editor();
  editor.Remove(0);
  EXPECT_TRUE(editor.Add("www.d.org", "d"));
  rules_->OnDialogClosed(Dialog::kEditor);
  EXPECT_EQ(temp_.Read("prog/files.cfg"), "www.b.org\r\nb\r\nwww.c.org\r\nc\r\nwww.d.org\r\nd\r\n");
  Run("c");
  EXPECT_EQ(Opened(), (Calls{{"www.c.org", work_}}));
  rules_->Options()->SetCaseSensitive(true);
  rules_->OnDialogClosed(Dialog::kOptions);
  EXPECT_NE(temp_.Read("prog/tv.ini").find("loca= 1\r\nCaseSensitive= 1\r\n"), std::string::npos)
      << temp_.Read("prog/tv.ini");
  // Nothing changed here: the other's save is taken whole.
  temp_.Write("prog/files.cfg", "www.e.org\r\ne\r\n");
  Press(Key::kF2);
  temp_.Write("prog/files.cfg", "www.f.org\r\nf\r\n");
  rules_->OnDialogClosed(Dialog::kEditor);
  EXPECT_EQ(temp_.Read("prog/files.cfg"), "www.f.org\r\nf\r\n");
}

// Two bars whose editors close at the same moment, round after round, each
// saving on a thread of its own: every save reads, merges and writes while
// the other waits, and no name is lost. The table is big enough that each
// editor copies it for the merge beside the GUI thread.
TEST_F(BarTest, SavesClosedAtOnceLoseNothing) {
  std::string records;
  for (int i = 0; i < 20000; ++i) {
    records += "www.site" + std::to_string(i) + ".org\r\nw" + std::to_string(i) + "\r\n";
  }
  Start(records);
  FakeView views[2];
  std::unique_ptr<BarRules> bars[2];
  for (int i = 0; i < 2; ++i) {
    bars[i] = std::make_unique<BarRules>(
        System{files_, profile_, shell_, "", work_, "", nullptr, [] { return 0.0; }}, views[i]);
    views[i].rules = bars[i].get();
    bars[i]->Start();
  }
  for (int round = 0; round < 10; ++round) {
    for (int i = 0; i < 2; ++i) {
      bars[i]->OnKey(Key::kF2);
      const std::string name = std::string(1, "xy"[i]) + std::to_string(round);
      ASSERT_TRUE(bars[i]->Editor()->Add("www." + name + ".org", name));
    }
    for (const auto& bar : bars) {
      bar->OnDialogClosed(Dialog::kEditor);
    }
  }
  for (const auto& bar : bars) {
    bar->OnKey(Key::kF10);  // ends once its save is written
  }
  const std::string saved = temp_.Read("prog/files.cfg");
  for (int round = 0; round < 10; ++round) {
    for (const char bar : {'x', 'y'}) {
      const std::string name = std::string(1, bar) + std::to_string(round);
      EXPECT_NE(saved.find("\r\n" + name + "\r\n"), std::string::npos) << name << " lost";
    }
  }
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 2 * (20000 + 20));
}

// Escape and --toggle hide a bar in front behind its tray icon; a summon
// brings it back. Without a notification area the bar hides when the
// launcher or the hotkey can bring it back, and says once which; with
// neither, Escape leaves it and says why. The hotkey is tv.ini's, the
// default, or none.
TEST_F(BarTest, SummonsTrayAndHotkey) {
  Start("", "Hotkey=  Super+R \r\n");
  view_.Log();
  view_.inFront = true;
  rules_->Summon(true);
  rules_->Summon(true);
  rules_->Summon(false);
  view_.hasTray = false;
  Press(Key::kEscape);
  Press(Key::kEscape);
  rules_->Summon(true);
  EXPECT_EQ(view_.Log(), (Strings{"to tray", "restore", "restore", "hide", "hide", "restore"}));
  EXPECT_EQ(view_.asked, Strings{"bar: There is no notification area: starting tarvolin again "
                                 "brings the bar back. -> "});
  launcherReaches_ = false;
  Start("", "Hotkey=  Super+R \r\n");
  view_.Log();
  view_.asked.clear();
  Press(Key::kEscape);
  ExpectStatus(kNoWayBackStatus);
  view_.Type("");
  Press(Key::kEscape);
  EXPECT_EQ(view_.text, "");
  rules_->TellHotkeyGrabbed("Super+R");
  Press(Key::kEscape);
  EXPECT_EQ(view_.Log(), Strings{"hide"});
  EXPECT_EQ(view_.asked,
            Strings{"bar: There is no notification area: Super+R brings the bar back. -> "});
  EXPECT_EQ(rules_->HotkeyName(), "Super+R");
  // Each reason is told once for good, whole: in a message box when the
  // box cannot show it.
  view_.asked.clear();
  rules_->TellHotkeyFailed("Super+R is taken by another program");
  EXPECT_EQ(view_.asked, Strings{"bar: Hotkey: Super+R is taken by another program -> "});
  rules_->TellHotkeyFailed("no display");
  ExpectStatus("Hotkey: no display");
  Start("", nullptr);
  view_.Type("");
  rules_->TellHotkeyFailed("no display");
  EXPECT_EQ(view_.text, "");
  temp_.Write("prog/tv.ini", "[Tarvolin]\r\nHotkey=NONE\r\n");
  EXPECT_EQ(rules_->HotkeyName(), std::nullopt);
  temp_.Write("prog/tv.ini", "[Tarvolin]\r\nloca=4\r\n");
  EXPECT_EQ(rules_->HotkeyName(), "Ctrl+Alt+Space");
}

// The table is read on a thread once the bar is on screen; a line entered
// while it is read waits for it. The help's documents open from their
// folder, and one that cannot is told over the help.
TEST_F(BarTest, TheTableLoadsInTheBackgroundAndTheHelpOpensDocuments) {
  std::string records;
  for (int i = 0; i < 20000; ++i) {
    records += "www.site" + std::to_string(i) + ".org\r\nw" + std::to_string(i) + "\r\n";
  }
  Start(records);
  rules_->OnShown();
  Run("W19999");
  EXPECT_EQ(Opened(), (Calls{{"www.site19999.org", work_}}));
  shell_.failure = "no viewer";
  rules_->OpenDocument("ReadMe.txt");
  EXPECT_EQ(Opened(), (Calls{{temp_ / "prog/ReadMe.txt", work_}}));
  EXPECT_EQ(Asked(), (Strings{"dialog: no viewer -> "}));
}

}  // namespace
}  // namespace tarvolin::bar
