// The program: owns the settings, the quickcommands, the history and the
// windows; starts up, wires the timers and the tray, and carries out what
// the interpreter decides.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/history.h"
#include "core/interpreter.h"
#include "core/quickcommands.h"
#include "core/settings.h"
#include "online/http_client.h"
#include "sys/filesystem.h"
#include "sys/profile.h"
#include "sys/shell.h"
#include "ui/command_bar.h"
#include "ui/dialogs.h"
#include "ui/hotkey.h"
#include "ui/prompter.h"

class QSystemTrayIcon;

namespace tarvolin {

class OnlineServices;

// What the program asks of the system. All of it must outlive the App.
struct SystemServices {
  sys::FileSystem& files;
  sys::ProfileStore& profile;
  sys::Shell& shell;
  // Makes the HTTP client at the first online tick; without it, or when it
  // gives none, nothing goes online.
  std::function<std::unique_ptr<HttpClient>()> http;
  // Where tv.ini and files.cfg live, the folder commands start in, and the
  // folder of ReadMe.txt and Changelog.txt; empty means the program's folder.
  std::string settingsFolder = {};
  std::string workFolder = {};
  std::string documentFolder = {};
};

class App : public QObject {
  Q_OBJECT
 public:
  App(SystemServices system, ui::Prompter& prompter);
  ~App() override;

  // Reads the settings (or runs the first-run set-up), places and shows the
  // bar; the quickcommands load meanwhile on a thread of their own, and
  // whatever needs them first waits for them.
  void Start();

  ui::CommandBar& Bar() { return bar_; }
  const SettingsState& Settings() const { return settings_; }
  const CommandHistory& History() const { return history_; }
  // The dialog while it is open, else null.
  ui::ToolWindow* OpenDialog(Dialog dialog) const;

  // The time of day in seconds since midnight, and ending the process at
  // once; tests put their own in.
  std::function<double()> clock;
  std::function<void()> endProcess;

  // The two timers' work: every 750 ms the bar goes back to its corner and
  // the typed line is completed after a pause; every 55 s the online
  // services run.
  void PlaceAndComplete();
  // Sets the 750 ms timer going unless it runs; it stops itself once
  // nothing is left to do.
  void KeepPlacing();
  void RunOnlineServices();

  // Hides the bar behind its icon in the notification area, and brings it
  // back with the focus in its box.
  void ToTray();
  void Restore();
  // A second start or the hotkey: shows the bar, and --toggle hides it
  // again when it is in front.
  void Toggle();

 private:
  // The bar's first paint: it is on screen.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void OnKey(int key);
  void Submit();
  // Tab: puts the first candidate in place of the word under the caret; a
  // Tab right after shows the next one.
  void CompleteWord();
  void CarryOut(const Command& command);
  void Record();
  void RollOutForm(Dialog dialog);
  void RunFirstRunSetUp();
  void GrabHotkey();
  void PlaceBar(int corner);
  void ShowStatus(const QString& text);
  void OnEditorClosed(ui::QuickcommandEditor& editor);
  void OnOptionsClosed(ui::OptionsDialog& options);
  void ReturnFocusToBar();
  // The quickcommand table, once loaded: waits for the load under way, or
  // loads files.cfg now if none is.
  QuickcommandTable& Table();
  void TellSaveFailed(QWidget* parent, const std::string& file, const std::string& error);
  std::string Folder(const std::string& folder) const;
  std::string IniPath() const;
  std::string QuickcommandPath() const;

  SystemServices system_;
  ui::Prompter& prompter_;
  SettingsState settings_;
  QuickcommandTable quickcommands_;
  bool quickcommandsLoaded_ = false;
  std::future<QuickcommandTable> loading_;
  CommandHistory history_;
  // The line being entered was carried out (or F1, F2 or F3 was pressed):
  // the next submit shows no status text.
  bool commandHandled_ = false;
  std::string statusMessage_;
  double lastEditTime_ = 0;
  // Tab's candidates for the word between `before` and `after`, and the
  // one in the box; a Tab while the box still shows it takes the next.
  struct WordCompletion {
    std::vector<std::string> candidates;
    std::size_t index = 0;
    QString before;
    QString after;
    QString shown;
  } wordCompletion_;
  // The programs on PATH, read at the first Tab.
  std::optional<std::vector<std::string>> programs_;

  ui::CommandBar bar_;
  QTimer placeTimer_;
  QTimer onlineTimer_;
  std::unique_ptr<QSystemTrayIcon> tray_;
  std::unique_ptr<ui::GlobalHotkey> hotkey_;
  std::unique_ptr<HttpClient> http_;
  std::unique_ptr<OnlineServices> online_;
  QPointer<ui::ToolWindow> dialogs_[4];
};

}  // namespace tarvolin
