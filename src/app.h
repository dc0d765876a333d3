// The bar on Qt: the windows, the timers, the tray icon and the hotkey. It
// forwards every event to the bar's rules and shows what they decide.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "bar/rules.h"
#include "bar/view.h"
#include "platform/desktop.h"
#include "ui/candidate_list.h"
#include "ui/command_bar.h"
#include "ui/prompter.h"
#include "ui/tool_window.h"

class QSystemTrayIcon;

namespace tarvolin {

class App : public QObject, private bar::View {
  Q_OBJECT
 public:
  App(bar::System system, ui::Prompter& prompter);
  ~App() override;

  // Reads the settings (or runs the first-run set-up), places and shows the
  // bar; the quickcommands and the hotkey follow once it is on screen.
  void Start();

  ui::CommandBar& Bar() { return bar_; }
  ui::CandidateListWindow& List() { return list_; }
  bar::BarRules& Rules() { return rules_; }
  // The dialog while it is open, else null.
  ui::ToolWindow* OpenDialog(Dialog dialog) const;

  // Ends the process at once; tests put their own in.
  std::function<void()> endProcess;

  // A second start (or the hotkey, with neither token nor id): the rules
  // bring the bar to the front or send it away. The launcher's Wayland
  // activation token lets the bar take the focus on native Wayland; its
  // X11 startup id goes on the bar's window and ends the desktop's launch
  // feedback, whatever the rules did.
  void Summon(bool toggle, const std::string& activationToken = {},
              const std::string& startupId = {});

 private:
  // The bar's first paint: it is on screen.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void GrabHotkey();
  // Sets the 750 ms timer going unless it runs; it stops itself once the
  // rules have nothing left to do.
  void KeepPlacing();
  // Puts the bar in front with the focus in its box, whatever window had
  // it.
  void Activate();
  bool AnyDialogOpen() const;

  // bar::View
  std::string Text() const override;
  void SetText(const std::string& text) override;
  int SelectionLength() const override;
  void Select(int start, int length) override;
  int Caret() const override;
  void SetCaret(int position) override;
  void FocusBox() override;
  bool FitsInBox(const std::string& text) const override;
  bar::Metrics Measure() const override;
  void MoveBar(Point place) override;
  void ShowBar(bool activate) override;
  bool BarInFront() const override;
  bool ToTray() override;
  void HideBar() override;
  void Restore() override;
  void RollOut(Dialog dialog, int corner) override;
  void ReturnFocusToBar() override;
  void ShowList(const bar::CandidateList& list) override { list_.Show(list); }
  void HideList() override { list_.hide(); }
  void KeepTicking() override { KeepPlacing(); }
  void EndProcess() override;
  void Inform(bar::Owner owner, const std::string& text) override;
  bool AskYesNo(bar::Owner owner, const std::string& text) override;
  std::string OpenFile(bar::Owner owner, const std::string& start) override;
  QWidget* Window(bar::Owner owner);

  ui::Prompter& prompter_;
  ui::CommandBar bar_;
  ui::CandidateListWindow list_{&bar_};
  bar::BarRules rules_;
  QTimer placeTimer_;
  QTimer onlineTimer_;
  // While the bar hides behind its icon: whether the notification area is
  // still there.
  QTimer trayWatch_;
  // Where the rules last placed the bar.
  QPoint wanted_;
  std::unique_ptr<platform::Desktop> desktop_;
  std::unique_ptr<QSystemTrayIcon> tray_;
  std::unique_ptr<platform::SummonKey> summonKey_;
  QPointer<ui::ToolWindow> dialogs_[4];
};

}  // namespace tarvolin
