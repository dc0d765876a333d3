#include "app.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTime>
#include <cstdio>
#include <cstdlib>

#include "core/geometry.h"
#include "online/online.h"
#include "sys/environment.h"
#include "sys/text.h"
#include "ui/program_icon.h"
#include "ui/text.h"
#include "ui/x11_window_state.h"

namespace tarvolin {

using ui::FromUtf8;
using ui::ToUtf8;

namespace {

constexpr char kSettingsSavedText[] = "Settings Saved...";

// Only spaces are trimmed: tabs and other blanks stay.
std::string TrimSpaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

float TwipsPerPixel() {
  return static_cast<float>(1440.0 / QGuiApplication::primaryScreen()->logicalDotsPerInchY());
}

Size ScreenSize() {
  const QSize size = QGuiApplication::primaryScreen()->geometry().size();
  return {size.width(), size.height()};
}

}  // namespace

App::App(SystemServices system, ui::Prompter& prompter)
    : clock([] { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; }),
      endProcess([] { std::_Exit(0); }),
      system_(system),
      prompter_(prompter) {
  ui::CommandBox& box = bar_.Box();
  connect(&box, &ui::CommandBox::KeyDown, this, &App::OnKey);
  connect(&box, &QLineEdit::textChanged, this, [this] {
    lastEditTime_ = clock();
    KeepPlacing();
  });
  // Anything that can move the bar off its corner sets the timer going.
  connect(&bar_, &ui::CommandBar::Moved, this, &App::KeepPlacing);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    connect(screen, &QScreen::geometryChanged, this, &App::KeepPlacing);
  }
  connect(&bar_, &ui::CommandBar::Activated, this, [this] {
    PlaceBar(settings_.CornerCode);
    bar_.Box().setFocus(Qt::ActiveWindowFocusReason);
  });
  connect(&placeTimer_, &QTimer::timeout, this, &App::PlaceAndComplete);
  connect(&onlineTimer_, &QTimer::timeout, this, &App::RunOnlineServices);
}

App::~App() {
  if (loading_.valid()) {
    loading_.wait();
  }
  // The services hold on to the client.
  online_.reset();
  for (auto& dialog : dialogs_) {
    // Closing without the closing steps: nothing is saved.
    delete dialog.data();
  }
}

std::string App::Folder(const std::string& folder) const {
  return folder.empty() ? system_.files.ProgramFolder() : folder;
}

std::string App::IniPath() const {
  return sys::FileInFolder(Folder(system_.settingsFolder), kSettingsFileName);
}

std::string App::QuickcommandPath() const {
  return sys::FileInFolder(Folder(system_.settingsFolder), kQuickcommandFileName);
}

QuickcommandTable& App::Table() {
  if (loading_.valid()) {
    quickcommands_ = loading_.get();
  } else if (!quickcommandsLoaded_) {
    LoadQuickcommands(quickcommands_, QuickcommandPath());
  }
  quickcommandsLoaded_ = true;
  return quickcommands_;
}

void App::TellSaveFailed(QWidget* parent, const std::string& file, const std::string& error) {
  prompter_.Inform(parent, FromUtf8("The settings could not be saved to " + file + ": " +
                                    (error.empty() ? "unknown error" : error)));
}

ui::ToolWindow* App::OpenDialog(Dialog dialog) const {
  return dialogs_[static_cast<int>(dialog)].data();
}

void App::Start() {
  // A defined place, bottom right, while the settings are read.
  PlaceBar(4);
  system_.files.SetCurrentFolder(Folder(system_.workFolder));
  if (!LoadSettings(settings_, system_.profile, system_.files, IniPath())) {
    RunFirstRunSetUp();
  }
  PlaceBar(settings_.CornerCode);
  const bool dialogOpen = OpenDialog(Dialog::kEditor) != nullptr;
  bar_.show();
  // The first-run editor keeps the focus it was given.
  if (!dialogOpen) {
    bar_.raise();
    bar_.activateWindow();
  }
  ui::x11::Flush();
  bar_.LiftLengthLimit();
  placeTimer_.start(750);
  onlineTimer_.start(55000);
  // What the bar does not need to be drawn waits until it is on screen.
  bar_.installEventFilter(this);
}

bool App::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &bar_ || event->type() != QEvent::Paint) {
    return false;
  }
  bar_.removeEventFilter(this);
  QTimer::singleShot(0, this, [this] {
    GrabHotkey();
    // A big files.cfg takes seconds to read: it is read on a thread of its
    // own. A line entered meanwhile waits in Table(); the table is taken
    // over as soon as it is read.
    if (!quickcommandsLoaded_ && !loading_.valid()) {
      loading_ = std::async(std::launch::async, [this, path = QuickcommandPath()] {
        QuickcommandTable table;
        LoadQuickcommands(table, path);
        QMetaObject::invokeMethod(
            this, [this] { Table(); }, Qt::QueuedConnection);
        return table;
      });
    }
  });
  return false;
}

void App::GrabHotkey() {
  // tv.ini's Hotkey names the combination; without it the default holds,
  // and "none" grabs nothing. The program never writes the key.
  std::string key = TrimSpaces(system_.profile.Read(kSettingsSection, "Hotkey", IniPath()));
  if (sys::LowerAscii(key) == "none") {
    return;
  }
  if (key.empty()) {
    key = ui::kDefaultHotkey;
  }
  std::string error;
  hotkey_ = ui::GlobalHotkey::Grab(key, &error);
  if (hotkey_) {
    connect(hotkey_.get(), &ui::GlobalHotkey::Pressed, this, &App::Restore);
    return;
  }
  std::fprintf(stderr, "tarvolin: no hotkey: %s\n", error.c_str());
  // On X11 the user is told once, in the box; elsewhere grabbing is not
  // possible and the desktop binds `tarvolin --toggle` instead.
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    ShowStatus(FromUtf8("Hotkey: " + error));
  }
}

void App::RunFirstRunSetUp() {
  Table();
  system_.files.SetCurrentFolder(Folder(system_.workFolder));
  std::string error;
  const bool saved = WriteFirstRunSettings(settings_, system_.profile, IniPath(), &error);
  bar_.show();
  if (saved) {
    ShowStatus(kSettingsSavedText);
  } else {
    TellSaveFailed(&bar_, IniPath(), error);
  }
  // A new user defines quickcommands straight away.
  RollOutForm(Dialog::kEditor);
}

void App::PlaceBar(int corner) {
  const Point place =
      PlaceCommandBar(corner, {bar_.width(), bar_.height()}, ScreenSize(), TwipsPerPixel());
  if (bar_.pos() != QPoint(place.x, place.y)) {
    bar_.move(place.x, place.y);
  }
}

void App::KeepPlacing() {
  if (!placeTimer_.isActive()) {
    placeTimer_.start();
  }
}

void App::PlaceAndComplete() {
  for (const std::string& failure : system_.shell.FailedOpenings()) {
    prompter_.Inform(&bar_, FromUtf8(failure));
  }
  PlaceBar(settings_.CornerCode);
  ui::CommandBox& box = bar_.Box();
  // A clock that went back past midnight never counts as a pause.
  const bool paused = clock() - lastEditTime_ > kCompletionPause;
  // With the bar in its corner, the pause after the last edit taken and no
  // opener to watch, nothing is left to do until something changes: an idle
  // bar then wakes up for nothing.
  if (paused && !system_.shell.Watching()) {
    placeTimer_.stop();
  }
  if (!paused || box.hasSelectedText()) {
    return;
  }
  if (const auto proposal = CompleteFromHistory(history_, ToUtf8(box.text()))) {
    const int kept =
        static_cast<int>(FromUtf8(proposal->text.substr(0, proposal->keptBytes)).size());
    box.setText(FromUtf8(proposal->text));
    box.setSelection(kept, static_cast<int>(box.text().size()) - kept);
  }
}

void App::RunOnlineServices() {
  if (!online_ && system_.http) {
    http_ = system_.http();
    system_.http = nullptr;
  }
  if (!online_ && http_) {
    OnlineConfig config;
    config.baseAddress = UpdateServerBase(system_.profile, IniPath());
    online_ = std::make_unique<OnlineServices>(
        *http_, settings_, config,
        [this](const std::string& text) { return prompter_.AskYesNo(&bar_, FromUtf8(text)); },
        [this](const std::string& url) {
          const std::string failure = system_.shell.Open(url);
          if (!failure.empty()) {
            prompter_.Inform(&bar_, FromUtf8(failure));
          }
        });
  }
  if (online_) {
    online_->Tick();
  }
}

void App::ShowStatus(const QString& text) {
  bar_.Box().setText(text);
  bar_.Box().selectAll();
}

void App::OnKey(int key) {
  ui::CommandBox& box = bar_.Box();
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Submit();
      break;
    case Qt::Key_Escape:
      ToTray();
      break;
    case Qt::Key_Up:
      box.setText(FromUtf8(BrowseNewer(history_)));
      box.selectAll();
      break;
    case Qt::Key_Down:
      box.setText(FromUtf8(BrowseOlder(history_)));
      box.setFocus();
      box.selectAll();
      break;
    case Qt::Key_F1:
      RollOutForm(Dialog::kHelp);
      commandHandled_ = true;
      history_.position = -1;
      break;
    case Qt::Key_F2:
      commandHandled_ = true;
      history_.position = -1;
      // The editor takes the box text over; only then is the box emptied.
      RollOutForm(Dialog::kEditor);
      box.clear();
      break;
    case Qt::Key_F3:
      Record();
      RollOutForm(Dialog::kOptions);
      break;
    case Qt::Key_F10:
      endProcess();
      break;
    case Qt::Key_Tab:
      CompleteWord();
      break;
    default:
      break;
  }
}

void App::Submit() {
  ui::CommandBox& box = bar_.Box();
  if (box.text().isEmpty()) {
    return;
  }
  statusMessage_ = kUnknownCommandText;
  box.setText(FromUtf8(TrimSpaces(ToUtf8(box.text()))));
  // A longer line is refused as a whole, never cut and run.
  if (box.text().size() > kMaxLineLength) {
    ShowStatus(QLatin1String(kLineTooLongStatus));
    commandHandled_ = false;
    return;
  }
  // A quickcommand runs its target; when that runs nothing, the line itself
  // is tried next. A carried-out command has emptied the box.
  if (const QuickcommandEntry* entry =
          FindQuickcommand(Table(), ToUtf8(box.text()), settings_.CaseSensitive)) {
    const std::string target = entry->Target;
    CarryOut(DispatchCommand(target, settings_, system_.files));
  }
  CarryOut(DispatchCommand(ToUtf8(box.text()), settings_, system_.files));
  if (!commandHandled_ && !box.text().isEmpty()) {
    box.setText(FromUtf8(statusMessage_));
  }
  box.selectAll();
  commandHandled_ = false;
}

void App::CompleteWord() {
  ui::CommandBox& box = bar_.Box();
  WordCompletion& state = wordCompletion_;
  if (!state.candidates.empty() && box.text() == state.shown) {
    state.index = (state.index + 1) % state.candidates.size();
  } else {
    if (!programs_) {
      programs_ = sys::ProgramsOnPath();
    }
    std::vector<std::string> names;
    for (const QuickcommandEntry& entry : Table()) {
      names.push_back(entry.Name);
    }
    const int caret = box.cursorPosition();
    const int start = static_cast<int>(box.text().lastIndexOf(QLatin1Char(' '), caret - 1)) + 1;
    state.before = box.text().left(start);
    state.after = box.text().mid(caret);
    state.candidates = TabCandidates(ToUtf8(box.text().mid(start, caret - start)), names,
                                     *programs_, system_.files);
    state.index = 0;
    if (state.candidates.empty()) {
      return;
    }
  }
  const QString candidate = FromUtf8(state.candidates[state.index]);
  box.setText(state.before + candidate + state.after);
  box.setCursorPosition(static_cast<int>(state.before.size() + candidate.size()));
  state.shown = box.text();
}

void App::Record() {
  AddToHistory(history_, ToUtf8(bar_.Box().text()));
  commandHandled_ = true;
  bar_.Box().clear();
}

void App::CarryOut(const Command& command) {
  std::string failure;
  switch (command.kind) {
    case Command::Kind::kNothing:
      if (!command.status.empty()) {
        statusMessage_ = command.status;
      }
      return;
    case Command::Kind::kQuit:
      endProcess();
      return;
    case Command::Kind::kOpenDialog:
      Record();
      RollOutForm(command.dialog);
      return;
    case Command::Kind::kOpen:
      failure = system_.shell.Open(command.target);
      KeepPlacing();
      break;
    case Command::Kind::kRunPath:
      // The program starts in its own folder; the bar's folder comes back
      // after.
      if (!system_.files.SetCurrentFolder(command.folder)) {
        Record();
        prompter_.Inform(&bar_, QStringLiteral("Path not found"));
        return;
      }
      failure = system_.shell.Open(command.target);
      system_.files.SetCurrentFolder(Folder(system_.workFolder));
      KeepPlacing();
      break;
    case Command::Kind::kStart:
      failure = system_.shell.Start(command.target, command.arguments, command.folder);
      break;
  }
  if (failure.empty()) {
    Record();
  } else {
    // Nothing started: the line stays in the box, and the user is told why.
    statusMessage_ = ToUtf8(bar_.Box().text());
    prompter_.Inform(&bar_, FromUtf8(failure));
  }
}

void App::RollOutForm(Dialog dialog) {
  QPointer<ui::ToolWindow>& slot = dialogs_[static_cast<int>(dialog)];
  if (slot.isNull()) {
    switch (dialog) {
      case Dialog::kHelp:
        slot = new ui::HelpScreen([this](const char* name) {
          const std::string failure =
              system_.shell.Open(sys::FileInFolder(Folder(system_.documentFolder), name));
          if (!failure.empty()) {
            prompter_.Inform(OpenDialog(Dialog::kHelp), FromUtf8(failure));
          }
        });
        break;
      case Dialog::kHidden:
        slot = new ui::HiddenScreen;
        break;
      case Dialog::kEditor: {
        // The file dialog starts in the folder commands start in.
        system_.files.SetCurrentFolder(Folder(system_.workFolder));
        const QString barText = bar_.Box().text();
        auto* editor = new ui::QuickcommandEditor(
            Table(), system_.files, prompter_,
            barText == QLatin1String(kUnknownCommandText) ? QString() : barText);
        connect(editor, &ui::ToolWindow::Closed, this, [this, editor] { OnEditorClosed(*editor); });
        slot = editor;
        break;
      }
      case Dialog::kOptions: {
        auto* options = new ui::OptionsDialog(settings_, [this](int corner) {
          const Point place = OptionsCornerPosition(corner, {bar_.width(), bar_.height()},
                                                    ScreenSize(), TwipsPerPixel());
          bar_.move(place.x, place.y);
        });
        connect(options, &ui::ToolWindow::Closed, this,
                [this, options] { OnOptionsClosed(*options); });
        slot = options;
        break;
      }
    }
    // A closed dialog is gone: the next opening loads it afresh.
    connect(slot, &ui::ToolWindow::Closed, this,
            [this, dialog] { dialogs_[static_cast<int>(dialog)] = nullptr; });
    if (dialog == Dialog::kHelp || dialog == Dialog::kHidden) {
      connect(slot, &ui::ToolWindow::Closed, this, &App::ReturnFocusToBar);
    }
  }
  slot->RollOut(bar_.frameGeometry(), settings_.CornerCode);
}

void App::OnEditorClosed(ui::QuickcommandEditor& editor) {
  std::string error;
  if (!SaveQuickcommands(quickcommands_, editor.Rows() > 0, QuickcommandPath(), &error)) {
    prompter_.Inform(&editor,
                     FromUtf8("The quickcommands could not be saved to files.cfg: " + error +
                              "\rThey are kept until Tarvolin ends; close the editor "
                              "again to retry."));
  }
  bar_.show();
  ReturnFocusToBar();
}

void App::OnOptionsClosed(ui::OptionsDialog& options) {
  settings_.CaseSensitive = options.CaseSensitiveChecked();
  settings_.AutoUpdate = options.AutoUpdateChecked();
  const std::string text = ToUtf8(options.WebExtensionText());
  settings_.WebExtensionList = ParseWebExtensions(text);
  std::string error;
  if (WriteOptions(settings_, text, system_.profile, IniPath(), &error)) {
    ShowStatus(kSettingsSavedText);
  } else {
    TellSaveFailed(&bar_, IniPath(), error);
  }
  ReturnFocusToBar();
}

void App::ReturnFocusToBar() {
  // Once the closing window is gone, so the window manager does not hand
  // the focus back to it.
  QTimer::singleShot(0, this, [this] {
    if (bar_.isVisible()) {
      bar_.raise();
      bar_.activateWindow();
      bar_.Box().setFocus(Qt::ActiveWindowFocusReason);
    }
  });
}

void App::ToTray() {
  // Without a notification area nothing could bring the bar back: it stays.
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    return;
  }
  if (!tray_) {
    tray_ = std::make_unique<QSystemTrayIcon>(ui::ProgramIcon());
    tray_->setToolTip(QStringLiteral("Tarvolin"));
    // A left click brings the bar back; it is handled from the event loop,
    // not inside the icon's own mouse handling, since it hides the icon.
    connect(
        tray_.get(), &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason reason) {
          if (reason == QSystemTrayIcon::Trigger) {
            Restore();
          }
        },
        Qt::QueuedConnection);
  }
  tray_->show();
  // Hidden, not closed: the timers keep running.
  bar_.hide();
}

void App::Toggle() {
  if (bar_.isVisible() && ui::x11::HasInputFocus(&bar_)) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
      ToTray();
    } else {
      bar_.hide();
    }
  } else {
    Restore();
  }
}

void App::Restore() {
  bar_.show();
  if (tray_) {
    tray_->hide();
  }
  bar_.raise();
  bar_.activateWindow();
  bar_.Box().setFocus(Qt::ActiveWindowFocusReason);
}

}  // namespace tarvolin
