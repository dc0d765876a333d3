#include "bar/rules.h"

#include "core/key_names.h"
#include "sys/file_io.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <thread>
#include <unordered_set>
#include <utility>

#include "online/online.h"
#include "sys/environment.h"
#include "sys/text.h"

namespace tarvolin::bar {

namespace {

constexpr char kHotkeyNoticeKey[] = "HotkeyNotice";

// Only spaces are trimmed: tabs and other blanks stay.
std::string TrimSpaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// How Tab puts `candidate` in place of the word `typed`, so that the line
// reads it back as it is on disk: quoted where it must be. A leading ~/
// stays outside the quotes, and so does the folder part the user typed
// without quotes, where the line expands its ~ and variables as meant.
std::string AsTyped(const std::string& candidate, const std::string& typed) {
  std::size_t kept = candidate.starts_with("~/") ? 2 : 0;
  const std::size_t cut = typed.find_last_of("/\\");
  if (cut != std::string::npos && typed.find_first_of(" \t\"'") == std::string::npos &&
      candidate.compare(0, cut + 1, typed, 0, cut + 1) == 0) {
    kept = std::max(kept, cut + 1);
  }
  const std::string rest = candidate.substr(kept);
  return candidate.substr(0, kept) + (rest.empty() ? rest : QuoteWord(rest));
}

// The length of UTF-8 text in UTF-16 code units: a character beyond the
// Basic Multilingual Plane (a four-byte one) counts twice.
int Utf16Length(const std::string& text) {
  int units = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) {
      units += byte >= 0xF0 ? 2 : 1;
    }
  }
  return units;
}

// The byte offset in UTF-8 text of a position counted in UTF-16 units.
std::size_t ByteOffset(const std::string& text, int units) {
  std::size_t offset = 0;
  while (offset < text.size() && units > 0) {
    const auto byte = static_cast<unsigned char>(text[offset]);
    units -= byte >= 0xF0 ? 2 : 1;
    ++offset;
    while (offset < text.size() && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80) {
      ++offset;
    }
  }
  return offset;
}

// Seconds since the local midnight, with fractions.
double TimeOfDay() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  const double fraction = duration<double>(now - system_clock::from_time_t(seconds)).count();
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
}

}  // namespace

BarRules::BarRules(System system, View& view)
    : system_(std::move(system)), view_(view), canGoOnline_(static_cast<bool>(system_.http)) {
  if (!system_.clock) {
    system_.clock = TimeOfDay;
  }
  if (!system_.programs) {
    system_.programs = [&files = system_.files] { return files.Env().ProgramsOnPath(); };
  }
  if (!system_.runAside) {
    system_.runAside = [](std::function<void()> job) { std::thread(std::move(job)).detach(); };
  }
}

BarRules::~BarRules() {
  if (loading_.valid()) {
    loading_.wait();
  }
  // A save under way ends before its table does.
  if (saving_.valid()) {
    saving_.wait();
  }
  // The services hold on to the client.
  online_.reset();
}

std::string BarRules::Folder(const std::string& folder) const {
  return folder.empty() ? system_.files.ProgramFolder() : folder;
}

std::string BarRules::IniPath() const {
  return sys::FileInFolder(Folder(system_.settingsFolder), kSettingsFileName);
}

std::string BarRules::UsagePath() const {
  return sys::FileInFolder(Folder(system_.settingsFolder), kUsageFileName);
}

std::string BarRules::QuickcommandPath() const {
  return sys::FileInFolder(Folder(system_.settingsFolder), kQuickcommandFileName);
}

const QuickcommandTable& BarRules::Quickcommands() {
  // A save that is through may have merged another process's entries in.
  if (saving_.valid() && saving_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
    FinishSave();
  }
  if (loading_.valid()) {
    quickcommands_ = loading_.get();
    ++tableChanges_;
  } else if (!quickcommandsLoaded_) {
    quickcommandStamp_ = StampOf(QuickcommandPath());
    LoadQuickcommands(quickcommands_, QuickcommandPath());
    ++tableChanges_;
  }
  quickcommandsLoaded_ = true;
  return quickcommands_;
}

QuickcommandTable& BarRules::Table() {
  Quickcommands();
  FinishSave();
  ++tableChanges_;
  return quickcommands_;
}

void BarRules::SaveAside(std::size_t rows, std::optional<std::string> before) {
  // Reading what another process saved, merging and writing are one step,
  // under the lock the other bars take too: none of them writes in between.
  auto job = std::make_shared<std::packaged_task<SaveOutcome()>>(
      [&table = std::as_const(quickcommands_), rows, before = std::move(before),
       expected = quickcommandStamp_, path = QuickcommandPath()] {
        const sys::FileLock lock(path);
        SaveOutcome outcome;
        bool hasRows = rows > 0;
        std::optional<QuickcommandTable> merged;
        if (const FileStamp now = StampOf(path); now != expected && now.exists) {
          QuickcommandTable disk;
          LoadQuickcommands(disk, path);
          const QuickcommandTable ours(table.begin(), table.begin() + static_cast<long>(rows));
          // Nothing changed here: the other's save is taken whole.
          merged = MergeQuickcommands(before ? EditorModel::Unpack(*before) : ours, ours, disk);
          hasRows = !merged->empty();
          if (merged->empty()) {
            merged->push_back({});
          }
        }
        outcome.saved = WriteQuickcommands(merged ? *merged : table, hasRows, path, &outcome.error,
                                           &outcome.readBack);
        if (outcome.saved) {
          outcome.stamp = StampOf(path);
          if (!outcome.readBack) {
            outcome.readBack = std::move(merged);
          }
        }
        return outcome;
      });
  saving_ = job->get_future();
  system_.runAside([job] { (*job)(); });
  view_.KeepTicking();
}

void BarRules::FinishSave() {
  if (!saving_.valid()) {
    return;
  }
  SaveOutcome outcome = saving_.get();
  if (!outcome.saved) {
    view_.Inform(std::nullopt,
                 "The quickcommands could not be saved to files.cfg: " + outcome.error +
                     "\rThey are kept until Tarvolin ends; close the editor "
                     "again to retry.");
    return;
  }
  quickcommandStamp_ = outcome.stamp;
  if (outcome.readBack) {
    quickcommands_ = std::move(*outcome.readBack);
    ++tableChanges_;
  }
}

BarRules::FileStamp BarRules::StampOf(const std::string& path) {
  const std::filesystem::path file(std::u8string(path.begin(), path.end()));
  std::error_code ec;
  FileStamp stamp;
  stamp.size = std::filesystem::file_size(file, ec);
  if (ec) {
    return {};
  }
  stamp.time = std::filesystem::last_write_time(file, ec);
  stamp.exists = !ec;
  return stamp;
}

void BarRules::TakeOthersSave() {
  QuickcommandTable& table = Table();
  const FileStamp now = StampOf(QuickcommandPath());
  if (now != quickcommandStamp_) {
    quickcommandStamp_ = now;
    LoadQuickcommands(table, QuickcommandPath());
  }
}

void BarRules::MergeOthersOptions(std::string* webExtensionText) {
  SettingsState disk = settings_;
  if (!LoadSettings(disk, system_.profile, system_.files, IniPath())) {
    return;
  }
  const SettingsState& before = optionsBefore_;
  if (settings_.CornerCode == before.CornerCode) {
    settings_.CornerCode = disk.CornerCode;
  }
  if (settings_.CaseSensitive == before.CaseSensitive) {
    settings_.CaseSensitive = disk.CaseSensitive;
  }
  if (settings_.AutoUpdate == before.AutoUpdate) {
    settings_.AutoUpdate = disk.AutoUpdate;
  }
  if (*webExtensionText == FormatWebExtensions(before.WebExtensionList)) {
    *webExtensionText = system_.profile.Read(kSettingsSection, "WebExtensions", IniPath());
  }
}

void BarRules::TellSaveFailed(Owner owner, const std::string& error) {
  view_.Inform(owner, "The settings could not be saved to " + IniPath() + ": " +
                          (error.empty() ? "unknown error" : error));
}

void BarRules::SetText(const std::string& text) {
  changingText_ = true;
  view_.SetText(text);
  changingText_ = false;
}

void BarRules::SelectAll() {
  view_.Select(0, Utf16Length(view_.Text()));
}

void BarRules::ShowStatus(const std::string& text) {
  SetText(text);
  SelectAll();
}

void BarRules::Start() {
  // A defined place, bottom right, while the settings are read.
  PlaceBar(4);
  if (!LoadSettings(settings_, system_.profile, system_.files, IniPath())) {
    RunFirstRunSetUp();
  }
  PlaceBar(settings_.CornerCode);
  // The first-run editor keeps the focus it was given.
  view_.ShowBar(!IsOpen(Dialog::kEditor));
}

void BarRules::OnShown() {
  if (system_.applications != nullptr) {
    system_.applications->Prefetch();
  }
  // A big files.cfg takes seconds to read: it is read on a thread of its
  // own, and whatever needs it first waits in Table().
  if (!quickcommandsLoaded_ && !loading_.valid()) {
    quickcommandStamp_ = StampOf(QuickcommandPath());
    loading_ = std::async(std::launch::async, [path = QuickcommandPath()] {
      QuickcommandTable table;
      LoadQuickcommands(table, path);
      return table;
    });
  }
}

void BarRules::RunFirstRunSetUp() {
  Table();
  std::string error;
  const bool saved = WriteFirstRunSettings(settings_, system_.profile, IniPath(), &error);
  view_.ShowBar(false);
  if (saved) {
    ShowStatus(kSettingsSavedText);
  } else {
    TellSaveFailed(std::nullopt, error);
  }
  // A new user defines quickcommands straight away.
  RollOutForm(Dialog::kEditor);
}

void BarRules::PlaceBar(int corner) {
  MoveBarInWorkArea(PlaceCommandBar, corner);
}

void BarRules::MoveBarInWorkArea(Point (*place)(int, Size, Size, float), int corner) {
  const Metrics metrics = view_.Measure();
  const Point inArea = place(corner, metrics.bar, metrics.screen, metrics.twipsPerPixel);
  view_.MoveBar({metrics.workOrigin.x + inArea.x, metrics.workOrigin.y + inArea.y});
}

void BarRules::OnEdit() {
  lastEditTime_ = system_.clock();
  view_.KeepTicking();
  // Typing filters the list; the applications of one name are offered for
  // that name alone.
  if (listOpen_ && !changingText_) {
    if (!choices_.empty() || !GatherCandidates(false) || wordCompletion_.candidates.empty()) {
      CloseList();
      return;
    }
    wordCompletion_.index = std::string::npos;
    wordCompletion_.shown = view_.Text();
    listTop_ = 0;
    ShowList();
  }
}

bool BarRules::OnTick() {
  if (saving_.valid() && saving_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
    FinishSave();
  }
  for (const std::string& failure : system_.shell.FailedOpenings()) {
    view_.Inform(std::nullopt, failure);
  }
  PlaceBar(settings_.CornerCode);
  // A clock that went back past midnight never counts as a pause.
  const auto paused = [this] { return system_.clock() - lastEditTime_ > kCompletionPause; };
  if (paused() && view_.SelectionLength() == 0) {
    if (const auto proposal = CompleteFromHistory(history_, view_.Text())) {
      const int kept = Utf16Length(proposal->text.substr(0, proposal->keptBytes));
      SetText(proposal->text);
      view_.Select(kept, Utf16Length(proposal->text) - kept);
    }
  }
  // With the bar in its corner, the pause after the last edit taken and no
  // opener to watch, nothing is left to do until something changes.
  return !paused() || system_.shell.Watching() || saving_.valid();
}

void BarRules::OnOnlineTick() {
  if (!online_ && system_.http) {
    http_ = system_.http();
    system_.http = nullptr;
  }
  if (!online_ && http_) {
    OnlineConfig config;
    config.baseAddress = UpdateServerBase(system_.profile, IniPath());
    online_ = std::make_unique<OnlineServices>(
        *http_, settings_, config,
        [this](const std::string& text) { return view_.AskYesNo(std::nullopt, text); },
        [this](const std::string& url) {
          const std::string failure = system_.shell.Open(url, Folder(system_.workFolder));
          if (!failure.empty()) {
            view_.Inform(std::nullopt, failure);
          }
        });
  }
  if (online_) {
    online_->Tick();
  }
}

void BarRules::OnActivated() {
  PlaceBar(settings_.CornerCode);
  view_.FocusBox();
}

void BarRules::OnKey(Key key) {
  switch (key) {
    case Key::kEnter:
    case Key::kShiftEnter:
      Submit(key == Key::kShiftEnter);
      break;
    case Key::kEscape:
      // The list closes first, the bar only at the next Escape.
      if (listOpen_) {
        CloseList();
        break;
      }
      inTray_ = view_.ToTray();
      if (!inTray_) {
        HideWithoutTray();
      }
      break;
    case Key::kUp:
      if (listOpen_) {
        CompleteWord(-1);
        break;
      }
      SetText(BrowseNewer(history_));
      SelectAll();
      break;
    case Key::kDown:
      if (listOpen_) {
        CompleteWord(1);
        break;
      }
      SetText(BrowseOlder(history_));
      view_.FocusBox();
      SelectAll();
      break;
    case Key::kF1:
      CloseList();
      RollOutForm(Dialog::kHelp);
      commandHandled_ = true;
      history_.position = -1;
      break;
    case Key::kF2:
      commandHandled_ = true;
      history_.position = -1;
      // The editor takes the box text over; only then is the box emptied.
      RollOutForm(Dialog::kEditor);
      SetText({});
      break;
    case Key::kF3:
      Record();
      RollOutForm(Dialog::kOptions);
      break;
    case Key::kF10:
      // The quickcommands being saved are written first.
      FinishSave();
      view_.EndProcess();
      break;
    case Key::kTab:
      CompleteWord(1);
      break;
    case Key::kShiftTab:
      CompleteWord(-1);
      break;
    case Key::kOther:
      break;
  }
}

void BarRules::Submit(bool inTerminal) {
  // Enter in the list of one name's applications starts the one marked.
  std::optional<sys::Applications::Choice> chosen;
  if (!choices_.empty()) {
    chosen = choices_[choice_];
  }
  CloseList();
  if (view_.Text().empty()) {
    return;
  }
  statusMessage_ = kUnknownCommandText;
  SetText(TrimSpaces(view_.Text()));
  const std::string line = view_.Text();
  // A longer line is refused as a whole, never cut and run.
  if (Utf16Length(line) > kMaxLineLength) {
    ShowStatus(kLineTooLongStatus);
    commandHandled_ = false;
    return;
  }
  // "=" and an expression: the result, or why there is none, goes into the
  // box, selected, and nothing runs. The line is remembered.
  if (line.front() == '=') {
    const std::string result =
        system_.calculate ? system_.calculate(line.substr(1)).text : kNoCalculatorText;
    AddToHistory(history_, line);
    ShowStatus(result);
    commandHandled_ = true;
    return;
  }
  if (chosen) {
    Command command;
    command.kind = Command::Kind::kLaunch;
    command.target = chosen->id;
    CarryOut(command, inTerminal);
  } else {
    // A quickcommand (or a search word) runs its target; when that runs
    // nothing, the line itself is tried next. A carried-out command has
    // emptied the box.
    if (const auto target = QuickcommandTarget(Quickcommands(), line, settings_.CaseSensitive)) {
      CarryOut(DispatchCommand(*target, settings_, system_.files, system_.applications),
               inTerminal);
    }
    const Command command =
        DispatchCommand(view_.Text(), settings_, system_.files, system_.applications);
    if (command.kind == Command::Kind::kLaunch && OfferChoice(view_.Text())) {
      return;
    }
    CarryOut(command, inTerminal);
  }
  if (!commandHandled_ && !view_.Text().empty()) {
    SetText(statusMessage_);
  }
  if (commandHandled_) {
    LearnUse(line);
  }
  SelectAll();
  commandHandled_ = false;
}

bool BarRules::OfferChoice(const std::string& line) {
  // The name as the line's dispatch reads it: the line, or the one word
  // its quotes hold.
  std::vector<sys::Applications::Choice> found = system_.applications->FindAll(line);
  if (const std::vector<std::string> words = SplitWords(line); found.empty() && words.size() == 1) {
    found = system_.applications->FindAll(words.front());
  }
  if (found.size() < 2) {
    return false;
  }
  choices_ = std::move(found);
  choice_ = 0;
  listTop_ = 0;
  ShowList();
  commandHandled_ = false;
  return true;
}

const std::string& BarRules::IconOf(const std::string& application) {
  // Each lookup walks every application: a row asks once while what Tab
  // offers stands.
  auto [at, added] = icons_.try_emplace(application);
  if (added) {
    const auto found = system_.applications->FindAll(application);
    at->second = found.empty() ? std::string() : found.front().icon;
  }
  return at->second;
}

std::string BarRules::Fold(const std::string& name) {
  // Letters A to Z every system folds alike, and at once.
  if (std::all_of(name.begin(), name.end(), [](char c) { return (c & 0x80) == 0; })) {
    return sys::LowerAscii(name);
  }
  // The system's folding takes a microsecond or two a name: each is folded
  // once.
  if (foldCache_.size() > kMaxFoldCache) {
    foldCache_.clear();
  }
  auto [at, added] = foldCache_.try_emplace(name);
  if (added) {
    at->second = system_.applications ? system_.applications->Fold(name) : sys::LowerAscii(name);
  }
  return at->second;
}

void BarRules::LearnUse(const std::string& line) {
  std::vector<std::string> names{Fold(line)};
  if (const std::vector<std::string> words = SplitWords(line);
      !words.empty() && Fold(words.front()) != names.front()) {
    names.push_back(Fold(words.front()));
  }
  for (const std::string& name : names) {
    usage_.Record(name);
  }
  // Read, merged and written under the file's lock, away from the GUI
  // thread: two bars that learn at once both count. A folder the user may
  // not write only keeps the bar from learning.
  system_.runAside([path = UsagePath(), names] {
    const sys::FileLock lock(path);
    std::string bytes;
    sys::ReadWholeFile(path, &bytes);
    UsageTable table = UsageTable::Parse(bytes);
    for (const std::string& name : names) {
      table.Record(name);
    }
    sys::WriteFileReplacing(path, table.Format());
  });
}

void BarRules::CompleteWord(int step) {
  WordCompletion& state = wordCompletion_;
  if (!choices_.empty()) {
    choice_ = (choice_ + choices_.size() + step) % choices_.size();
    ShowList();
    return;
  }
  if (!state.candidates.empty() && view_.Text() == state.shown) {
    const std::size_t count = state.candidates.size();
    state.index = state.index == std::string::npos ? (step > 0 ? 0 : count - 1)
                                                   : (state.index + count + step) % count;
  } else {
    if (!GatherCandidates(true) || state.candidates.empty()) {
      CloseList();
      return;
    }
    state.index = step > 0 ? 0 : state.candidates.size() - 1;
    listTop_ = 0;
  }
  PutCandidate();
  // A single candidate is just put in place.
  if (state.candidates.size() > 1 || listOpen_) {
    ShowList();
  }
}

void BarRules::GatherOffers() {
  bool changed = offers_.empty();
  if (const std::string stamp = system_.files.Env().ProgramsStamp();
      !programs_ || stamp != programsStamp_) {
    programs_ = system_.programs();
    programsStamp_ = stamp;
    changed = true;
  }
  if (const FileStamp stamp = StampOf(UsagePath()); stamp != usageStamp_) {
    std::string bytes;
    sys::ReadWholeFile(UsagePath(), &bytes);
    usage_ = UsageTable::Parse(bytes);
    usageStamp_ = stamp;
    changed = true;
  }
  std::vector<std::string> applicationNames =
      system_.applications ? system_.applications->Names() : std::vector<std::string>();
  const QuickcommandTable& table = Quickcommands();
  // What was gathered last stands while nothing it came from changed (the
  // editor changes the table while it is open).
  if (!changed && tableChanges_ == offeredTable_ && applicationNames == offeredApplications_) {
    return;
  }
  offers_.clear();
  icons_.clear();
  offers_.reserve(table.size() + programs_->size() + applicationNames.size());
  // Each name once, as the first kind that has it.
  std::unordered_set<std::string_view> offered;
  offered.reserve(offers_.capacity());
  const auto offer = [&](const std::string& name, CandidateKind kind) {
    if (!offered.insert(name).second) {
      return;
    }
    std::string folded = Fold(name);
    const double weight = usage_.Weight(folded);
    // A program's name compares as it is on disk.
    if (kind == CandidateKind::kProgram) {
      folded = name;
    }
    offers_.push_back({{name, kind}, std::move(folded), weight});
  };
  for (const QuickcommandEntry& entry : table) {
    offer(entry.Name, CandidateKind::kQuickcommand);
  }
  for (const std::string& program : *programs_) {
    offer(program, CandidateKind::kProgram);
  }
  for (const std::string& name : applicationNames) {
    offer(name, CandidateKind::kApplication);
  }
  offeredTable_ = IsOpen(Dialog::kEditor) ? ~std::uint64_t{0} : tableChanges_;
  offeredApplications_ = std::move(applicationNames);
}

bool BarRules::GatherCandidates(bool fresh) {
  WordCompletion& state = wordCompletion_;
  const std::string text = view_.Text();
  // The word runs from the last blank outside quotes before the caret (or
  // the line's start) to the caret, as the line's own splitting reads it.
  const std::size_t caret = ByteOffset(text, view_.Caret());
  std::size_t start = 0;
  char quote = 0;
  for (std::size_t i = 0; i < caret; ++i) {
    if (quote != 0) {
      quote = text[i] == quote ? 0 : quote;
    } else if (text[i] == '"' || text[i] == '\'') {
      quote = text[i];
    } else if (text[i] == ' ' || text[i] == '\t') {
      start = i + 1;
    }
  }
  state.candidates.clear();
  // A caret right before a word, with nothing begun, completes nothing: a
  // candidate would run into that word.
  if (start == caret && caret < text.size() && text[caret] != ' ' && text[caret] != '\t') {
    return false;
  }
  // What Tab offers is gathered at each Tab and kept while the list is
  // filtered: programs read again when one came or went since, the
  // applications' names when one of their folders changed, and the usage
  // when another bar learnt.
  if (fresh || offers_.empty()) {
    GatherOffers();
  }
  state.before = text.substr(0, start);
  state.after = text.substr(caret);
  state.typed = text.substr(start, caret - start);
  const std::vector<std::string> words = SplitWords(state.typed);
  // Names compare as the system folds case, accented letters too.
  state.candidates =
      TabCandidates(words.empty() ? std::string() : words.front(), offers_, system_.files,
                    [this](const std::string& name) { return Fold(name); });
  // The whole line begun so far may be one run before.
  if (start == 0 && state.after.empty() && !state.typed.empty()) {
    const std::string typed = Fold(state.typed);
    for (const std::string& entry : history_.entries) {
      if (entry.size() <= state.typed.size() || !Fold(entry).starts_with(typed)) {
        continue;
      }
      // A line that names a candidate (in quotes or not) is offered as that.
      const std::vector<std::string> entryWords = SplitWords(entry);
      const std::string named = Fold(entryWords.size() == 1 ? entryWords.front() : entry);
      if (std::none_of(state.candidates.begin(), state.candidates.end(),
                       [&](const Candidate& c) { return Fold(c.text) == named; })) {
        state.candidates.push_back({entry, CandidateKind::kHistory});
      }
    }
  }
  return true;
}

void BarRules::PutCandidate() {
  WordCompletion& state = wordCompletion_;
  const Candidate& candidate = state.candidates[state.index];
  const std::string completed = state.before + (candidate.kind == CandidateKind::kHistory
                                                    ? candidate.text
                                                    : AsTyped(candidate.text, state.typed));
  SetText(completed + state.after);
  view_.SetCaret(Utf16Length(completed));
  state.shown = view_.Text();
}

void BarRules::ShowList() {
  static const char* const kKinds[] = {"quickcommand", "application", "program",
                                       "file",         "folder",      "history"};
  CandidateList list;
  const bool choosing = !choices_.empty();
  const std::size_t count = choosing ? choices_.size() : wordCompletion_.candidates.size();
  const std::size_t current = choosing ? choice_ : wordCompletion_.index;
  const std::size_t shown = std::min<std::size_t>(count, kListRows);
  // The marked row stays in sight.
  if (current != std::string::npos) {
    listTop_ = std::clamp(listTop_, current + 1 - std::min(current + 1, shown), current);
  }
  listTop_ = std::min(listTop_, count - shown);
  for (std::size_t row = listTop_; row < listTop_ + shown; ++row) {
    if (choosing) {
      const sys::Applications::Choice& choice = choices_[row];
      list.rows.push_back(
          {choice.name.empty() ? view_.Text() : choice.name, choice.detail, choice.icon});
      continue;
    }
    const Candidate& candidate = wordCompletion_.candidates[row];
    ListRow shownRow{candidate.text, kKinds[static_cast<int>(candidate.kind)], {}};
    if (candidate.kind == CandidateKind::kApplication) {
      shownRow.icon = IconOf(candidate.text);
    }
    list.rows.push_back(std::move(shownRow));
  }
  list.current = current == std::string::npos ? -1 : static_cast<int>(current - listTop_);
  // As wide as the bar and a bar's height a row, below a bar at the top of
  // the screen and above one at the bottom, and never off the work area.
  const Metrics metrics = view_.Measure();
  const int corner = settings_.CornerCode;
  const Point inArea = PlaceCommandBar(corner, metrics.bar, metrics.screen, metrics.twipsPerPixel);
  list.size = {metrics.bar.width, static_cast<int>(shown) * metrics.bar.height + 2};
  const bool below = corner == 1 || corner == 2;
  const int top = below ? inArea.y + metrics.bar.height : inArea.y - list.size.height;
  list.place = {metrics.workOrigin.x +
                    std::clamp(inArea.x, 0, std::max(0, metrics.screen.width - list.size.width)),
                metrics.workOrigin.y +
                    std::clamp(top, 0, std::max(0, metrics.screen.height - list.size.height))};
  listOpen_ = true;
  view_.ShowList(list);
}

void BarRules::CloseList() {
  if (listOpen_) {
    view_.HideList();
  }
  listOpen_ = false;
  choices_.clear();
}

void BarRules::OnListClicked(int row) {
  const std::size_t picked = listTop_ + static_cast<std::size_t>(std::max(row, 0));
  if (!listOpen_ ||
      picked >= (choices_.empty() ? wordCompletion_.candidates.size() : choices_.size())) {
    return;
  }
  // A click on one of a name's applications marks it; Enter starts it.
  if (!choices_.empty()) {
    choice_ = picked;
    ShowList();
  } else {
    wordCompletion_.index = picked;
    PutCandidate();
    CloseList();
    // The pick ends this completion: a Tab now completes what it put.
    wordCompletion_.candidates.clear();
  }
  view_.FocusBox();
}

void BarRules::Record() {
  AddToHistory(history_, view_.Text());
  commandHandled_ = true;
  SetText({});
}

void BarRules::CarryOut(const Command& command, bool inTerminal) {
  std::string failure;
  switch (command.kind) {
    case Command::Kind::kNothing:
      if (!command.status.empty()) {
        statusMessage_ = command.status;
      }
      return;
    case Command::Kind::kQuit:
      FinishSave();
      view_.EndProcess();
      return;
    case Command::Kind::kOpenDialog:
      Record();
      RollOutForm(command.dialog);
      return;
    case Command::Kind::kOpen:
      failure = system_.shell.Open(command.target, Folder(system_.workFolder));
      view_.KeepTicking();
      break;
    case Command::Kind::kRunPath:
      // The target starts in its own folder.
      if (system_.files.WhatIsHere(command.folder) != sys::EntryKind::kFolder) {
        // Nothing started: the line stays, and is not taken as carried out.
        statusMessage_ = view_.Text();
        view_.Inform(std::nullopt, "Path not found");
        return;
      }
      // A program given by its path may want a terminal too.
      if (inTerminal && system_.files.WhatIsHere(command.target) == sys::EntryKind::kFile &&
          sys::IsExecutableFile(system_.files.NativePath(command.target))) {
        failure = system_.shell.StartInTerminal(system_.files.NativePath(command.target), {},
                                                system_.files.NativePath(command.folder));
        break;
      }
      failure = system_.shell.Open(command.target, command.folder);
      view_.KeepTicking();
      break;
    case Command::Kind::kStart:
      failure = inTerminal ? system_.shell.StartInTerminal(command.target, command.arguments,
                                                           command.folder)
                           : system_.shell.Start(command.target, command.arguments, command.folder);
      break;
    case Command::Kind::kLaunch:
      failure =
          system_.applications->Launch(command.target, Folder(system_.workFolder), inTerminal);
      break;
  }
  if (failure.empty()) {
    Record();
  } else {
    // Nothing started: the line stays in the box, and the user is told why.
    statusMessage_ = view_.Text();
    view_.Inform(std::nullopt, failure);
  }
}

void BarRules::RollOutForm(Dialog dialog) {
  CloseList();
  bool& open = open_[static_cast<int>(dialog)];
  if (!open) {
    open = true;
    if (dialog == Dialog::kEditor) {
      TakeOthersSave();
      // The file dialog starts in the folder commands start in.
      editor_ = std::make_unique<EditorModel>(Table(), system_.files, view_, view_.Text(),
                                              Folder(system_.workFolder), system_.applications);
    } else if (dialog == Dialog::kOptions) {
      optionsBefore_ = settings_;
      options_ = std::make_unique<OptionsModel>(
          settings_, [this](int corner) { MoveBarInWorkArea(OptionsCornerPosition, corner); },
          canGoOnline_);
      // Showing the corner it finds is a click on it: the bar moves by the
      // dialog's own placement before the dialog unrolls out of it.
      if (options_->Corner() != 0) {
        options_->PickCorner(options_->Corner());
      }
    }
  }
  view_.RollOut(dialog, settings_.CornerCode);
}

void BarRules::OnDialogClosed(Dialog dialog) {
  bool& open = open_[static_cast<int>(dialog)];
  if (!open) {
    return;
  }
  open = false;
  if (dialog == Dialog::kEditor) {
    ++tableChanges_;
    // A large table takes seconds to write: the bar answers meanwhile, and
    // the next tick tells a failure.
    SaveAside(editor_->Rows(), editor_->ReleaseBefore());
    view_.ShowBar(false);
  } else if (dialog == Dialog::kOptions) {
    settings_.AutoUpdate = options_->autoUpdate;
    std::string text = options_->webExtensionText;
    // What another bar saved meanwhile is read and the keys written under
    // the lock the other bars take too, let go before anything is told.
    std::string error;
    bool written = false;
    {
      const sys::FileLock lock(IniPath());
      MergeOthersOptions(&text);
      settings_.WebExtensionList = ParseWebExtensions(text);
      written = WriteOptions(settings_, text, system_.profile, IniPath(), &error);
    }
    if (written) {
      ShowStatus(kSettingsSavedText);
    } else {
      TellSaveFailed(std::nullopt, error);
    }
  }
  view_.ReturnFocusToBar();
}

void BarRules::Summon(bool toggle) {
  if (toggle && view_.BarInFront()) {
    CloseList();
    inTray_ = view_.ToTray();
    if (!inTray_) {
      view_.HideBar();
    }
  } else {
    inTray_ = false;
    view_.Restore();
  }
}

void BarRules::OnBoxClicked() {
  CloseList();
  SelectAll();
}

void BarRules::OnTrayIconClicked() {
  inTray_ = false;
  view_.Restore();
}

void BarRules::OnTrayGone() {
  if (inTray_) {
    OnTrayIconClicked();
  }
}

void BarRules::OpenDocument(const std::string& name) {
  const std::string failure = system_.shell.Open(
      sys::FileInFolder(Folder(system_.documentFolder), name), Folder(system_.workFolder));
  if (!failure.empty()) {
    view_.Inform(Dialog::kHelp, failure);
  }
}

std::optional<std::string> BarRules::HotkeyName() const {
  const std::string key = TrimSpaces(system_.profile.Read(kSettingsSection, "Hotkey", IniPath()));
  if (sys::LowerAscii(key) == "none") {
    return std::nullopt;
  }
  return key.empty() ? std::string(kDefaultHotkey) : key;
}

void BarRules::HideWithoutTray() {
  if (hotkey_.empty() && !system_.launcherReaches) {
    if (!toldWhyStaying_) {
      toldWhyStaying_ = true;
      ShowStatus(kNoWayBackStatus);
    }
    return;
  }
  if (!toldHowBack_) {
    toldHowBack_ = true;
    std::string how = "There is no notification area: ";
    if (!hotkey_.empty()) {
      how += hotkey_ + (system_.launcherReaches ? " or " : "");
    }
    if (system_.launcherReaches) {
      how += "starting tarvolin again";
    }
    view_.Inform(std::nullopt, how + " brings the bar back.");
  }
  view_.HideBar();
}

void BarRules::TellHotkeyFailed(const std::string& why) {
  {
    // Two bars started at once tell it once between them.
    const sys::FileLock lock(IniPath());
    if (system_.profile.Read(kSettingsSection, kHotkeyNoticeKey, IniPath()) == why) {
      return;
    }
    system_.profile.Write(kSettingsSection, kHotkeyNoticeKey, why, IniPath());
  }
  const std::string text = "Hotkey: " + why;
  if (view_.FitsInBox(text)) {
    ShowStatus(text);
  } else {
    view_.Inform(std::nullopt, text);
  }
}

}  // namespace tarvolin::bar
