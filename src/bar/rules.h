// The command bar's rules, apart from any window toolkit: the settings, the
// quickcommands, the history and the status of the line being entered; what
// each key, edit, tick, closed dialog and summon does. A front end forwards
// its events here and shows what the rules tell its View.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "bar/calculator.h"
#include "bar/dialog_models.h"
#include "bar/view.h"
#include "core/history.h"
#include "core/interpreter.h"
#include "core/quickcommands.h"
#include "core/settings.h"
#include "core/usage.h"
#include "online/http_client.h"
#include "sys/filesystem.h"
#include "sys/profile.h"
#include "sys/shell.h"

namespace tarvolin {
class OnlineServices;
}

namespace tarvolin::bar {

inline constexpr char kSettingsSavedText[] = "Settings Saved...";
inline constexpr char kNoCalculatorText[] = "The calculator could not be loaded";
// Escape without a notification area, a hotkey or a launcher that reaches
// the bar: nothing could bring it back.
inline constexpr char kNoWayBackStatus[] = "No tray and no hotkey: the bar stays";

// What the rules ask of the system. All of it must outlive the rules.
struct System {
  sys::FileSystem& files;
  sys::ProfileStore& profile;
  sys::Shell& shell;
  // Where tv.ini and files.cfg live, the folder commands start in, and the
  // folder of ReadMe.txt and Changelog.txt; empty means the program's folder.
  std::string settingsFolder = {};
  std::string workFolder = {};
  std::string documentFolder = {};
  // Makes the HTTP client at the first online tick; without it, or when it
  // gives none, nothing goes online.
  std::function<std::unique_ptr<HttpClient>()> http = {};
  // The time of day in seconds since midnight; by default the local one.
  std::function<double()> clock = {};
  // The programs on PATH that Tab offers, asked for at the first Tab; by
  // default those on PATH.
  std::function<std::vector<std::string>()> programs = {};
  // Runs a job away from the GUI thread (the save of files.cfg, which
  // takes seconds for a large table); by default on a thread of its own.
  std::function<void(std::function<void()>)> runAside = {};
  // Whether a second start (`tarvolin`, `--show`) reaches this bar: false
  // when it runs unguarded.
  bool launcherReaches = true;
  // The desktop's applications, by name: a line (or a quickcommand's
  // target) that means nothing else may name one, and Tab offers their
  // names. None when null.
  sys::Applications* applications = nullptr;
  // Evaluates the expression of a line that starts with "="; without it,
  // a line says there is no calculator.
  std::function<Calculation(const std::string&)> calculate = {};
};

// The keys the bar acts on; every other key is the box's alone.
// kShiftEnter runs the line as Enter does, a program in a terminal.
enum class Key {
  kEnter,
  kShiftEnter,
  kEscape,
  kUp,
  kDown,
  kF1,
  kF2,
  kF3,
  kF10,
  kTab,
  kOther,
  kShiftTab
};

// The list shows at most this many rows at once.
inline constexpr int kListRows = 8;

class BarRules {
 public:
  BarRules(System system, View& view);
  ~BarRules();
  BarRules(const BarRules&) = delete;
  BarRules& operator=(const BarRules&) = delete;

  // Reads the settings (or runs the first-run set-up), places and shows the
  // bar.
  void Start();
  // The bar is on screen: the quickcommands load on a thread of their own,
  // and whatever needs them first waits for them.
  void OnShown();

  // A key went down in the box, before the box handles it.
  void OnKey(Key key);
  // The box's text changed, by the user or by the program.
  void OnEdit();
  // The 750 ms tick: tells openings that failed, puts the bar back in its
  // corner and completes the line after a pause. False once nothing is
  // left to do until the next edit, move or opening.
  bool OnTick();
  // The one-minute tick: the update check and the usage report.
  void OnOnlineTick();
  // The bar became the active window.
  void OnActivated();
  // Another window took the keyboard focus from the bar: the list closes.
  void OnDeactivated() { CloseList(); }
  // The user closed a dialog.
  void OnDialogClosed(Dialog dialog);
  // A click on a row of the list, counted from its top row as shown.
  void OnListClicked(int row);
  // A click in the box, once the box has placed its caret: the whole line is
  // selected, so that typing replaces it.
  void OnBoxClicked();
  // A click on the icon in the notification area.
  void OnTrayIconClicked();
  // The notification area went away (or started afresh, which drops every
  // icon): a bar hidden behind its icon comes back, never lost.
  void OnTrayGone();
  // A second start or the hotkey: the bar comes to the front; with
  // `toggle`, a bar in front goes away instead.
  void Summon(bool toggle);
  // The help screen's buttons: "ReadMe.txt" or "Changelog.txt".
  void OpenDocument(const std::string& name);

  // The key combination tv.ini's Hotkey names (Ctrl+Alt+Space when it names
  // none), or nothing for "none". The program never writes the key.
  std::optional<std::string> HotkeyName() const;
  // The hotkey could not be had: the user is told why, once for each reason
  // (tv.ini's HotkeyNotice remembers the last one told), in the box when
  // the text fits there whole, else in a message box.
  void TellHotkeyFailed(const std::string& why);
  // The hotkey is the bar's: it brings the bar back.
  void TellHotkeyGrabbed(const std::string& name) { hotkey_ = name; }

  const SettingsState& Settings() const { return settings_; }
  const CommandHistory& History() const { return history_; }
  bool IsOpen(Dialog dialog) const { return open_[static_cast<int>(dialog)]; }
  // The models of the editor and the options opened last (a closing window
  // may still show them); null before the first opening.
  EditorModel* Editor() { return editor_.get(); }
  OptionsModel* Options() { return options_.get(); }

 private:
  // A file's size and time of its last change.
  struct FileStamp {
    bool exists = false;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type time;
    bool operator==(const FileStamp&) const = default;
  };

  // Enter; with `inTerminal` Shift+Enter.
  void Submit(bool inTerminal);
  // Tab (`step` 1) puts the first candidate in place of the word before
  // the caret, Shift+Tab (-1) the last; one right after shows the next (or
  // the one before), and the list shows them all.
  void CompleteWord(int step);
  // Gathers Tab's candidates for the word before the caret, from the
  // offers gathered afresh when `fresh`; false when there is no word to
  // complete.
  bool GatherCandidates(bool fresh);
  // Gathers what Tab offers: the quickcommands, the programs on PATH and
  // the applications, folded and weighed by use.
  void GatherOffers();
  // Puts the current candidate in place of the word.
  void PutCandidate();
  // Shows the list as the candidates or choices stand.
  void ShowList();
  void CloseList();
  // Enter's line names more than one application: the list offers them,
  // and true is returned.
  bool OfferChoice(const std::string& line);
  // Tab's ranking learns the names of a line that ran.
  void LearnUse(const std::string& line);
  // `name` folded as the applications fold names (or ASCII letters made
  // small), from a cache of the names folded so far.
  std::string Fold(const std::string& name);
  // The icon of the application of this name, from the icons asked for
  // since what Tab offers was gathered.
  const std::string& IconOf(const std::string& application);
  // With `inTerminal` a program starts in a terminal.
  void CarryOut(const Command& command, bool inTerminal);
  // Records the box text in the history and empties the box.
  void Record();
  void RollOutForm(Dialog dialog);
  // Escape where there is no notification area: the bar hides when
  // something brings it back, and says once what; else it stays and says
  // once why.
  void HideWithoutTray();
  void RunFirstRunSetUp();
  void PlaceBar(int corner);
  // Moves the bar where `place` puts it for `corner` in the work area.
  void MoveBarInWorkArea(Point (*place)(int, Size, Size, float), int corner);
  void ShowStatus(const std::string& text);
  void SetText(const std::string& text);
  void SelectAll();
  // The quickcommand table, once loaded, to read: waits for the load under
  // way, or loads files.cfg now if none is. A save under way reads it too.
  const QuickcommandTable& Quickcommands();
  // The table to change: also waits for the save under way.
  QuickcommandTable& Table();
  static FileStamp StampOf(const std::string& path);
  // Writes files.cfg from the first `rows` rows of the table on a job of its
  // own, merged with what another process saved since this one read it
  // (`before`: the editor's packed copy of the rows it opened on); the
  // table is not changed until FinishSave.
  void SaveAside(std::size_t rows, std::optional<std::string> before);
  // Waits for the save under way, takes its outcome and tells a failure.
  void FinishSave();
  // Before the editor opens: files.cfg again when another process saved it.
  void TakeOthersSave();
  // When the options close: keys the dialog did not change take what
  // another process saved meanwhile.
  void MergeOthersOptions(std::string* webExtensionText);
  void TellSaveFailed(Owner owner, const std::string& error);
  std::string Folder(const std::string& folder) const;
  std::string IniPath() const;
  std::string QuickcommandPath() const;
  std::string UsagePath() const;

  System system_;
  View& view_;
  SettingsState settings_;
  QuickcommandTable quickcommands_;
  bool quickcommandsLoaded_ = false;
  // files.cfg as this process last read or wrote it: another process's
  // save since then changes it.
  FileStamp quickcommandStamp_;
  // The settings as the options dialog opened on them.
  SettingsState optionsBefore_;
  std::future<QuickcommandTable> loading_;
  struct SaveOutcome {
    bool saved = false;
    std::string error;
    FileStamp stamp;
    std::optional<QuickcommandTable> readBack;
  };
  std::future<SaveOutcome> saving_;
  CommandHistory history_;
  // The line being entered was carried out (or F1, F2 or F3 was pressed):
  // the next submit shows no status text.
  bool commandHandled_ = false;
  std::string statusMessage_;
  // The hotkey the bar holds, empty without one.
  std::string hotkey_;
  // The bar is hidden behind its icon in the notification area.
  bool inTray_ = false;
  bool toldHowBack_ = false;
  bool toldWhyStaying_ = false;
  double lastEditTime_ = 0;
  // Tab's candidates for the word `typed` between `before` and `after`,
  // the current one (none yet when the list was filtered), and the line
  // that shows it; a Tab while the box still shows it takes the next.
  struct WordCompletion {
    std::vector<Candidate> candidates;
    std::size_t index = 0;
    std::string before;
    std::string typed;
    std::string after;
    std::string shown;
  } wordCompletion_;
  // The list unrolled from the bar, and the applications of one name it
  // offers while the user chooses among them (else Tab's candidates), and
  // the first row it shows.
  bool listOpen_ = false;
  std::vector<sys::Applications::Choice> choices_;
  std::size_t choice_ = 0;
  std::size_t listTop_ = 0;
  // The rules are changing the box's text: no edit of the user's.
  bool changingText_ = false;
  // What Tab offers, and what it was gathered from: the table as it stood
  // after so many changes, and the applications' names.
  std::vector<Offer> offers_;
  std::uint64_t tableChanges_ = 0;
  std::uint64_t offeredTable_ = 0;
  std::vector<std::string> offeredApplications_;
  std::unordered_map<std::string, std::string> icons_;
  UsageTable usage_;
  static constexpr std::size_t kMaxFoldCache = 200000;
  std::unordered_map<std::string, std::string> foldCache_;
  FileStamp usageStamp_;
  std::optional<std::vector<std::string>> programs_;
  std::string programsStamp_;
  bool open_[4] = {};
  std::unique_ptr<EditorModel> editor_;
  std::unique_ptr<OptionsModel> options_;
  // The program can go online at all: it has an HTTP client to make.
  bool canGoOnline_;
  std::unique_ptr<HttpClient> http_;
  std::unique_ptr<OnlineServices> online_;
};

}  // namespace tarvolin::bar
