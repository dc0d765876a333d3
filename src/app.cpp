#include "app.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QSystemTrayIcon>
#include <cstdio>
#include <cstdlib>

#include "ui/dialogs.h"
#include "ui/program_icon.h"
#include "ui/text.h"

namespace tarvolin {

using ui::FromUtf8;
using ui::ToUtf8;

namespace {

bar::Key KeyOf(int key, Qt::KeyboardModifiers modifiers) {
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return modifiers.testFlag(Qt::ShiftModifier) ? bar::Key::kShiftEnter : bar::Key::kEnter;
    case Qt::Key_Escape:
      return bar::Key::kEscape;
    case Qt::Key_Up:
      return bar::Key::kUp;
    case Qt::Key_Down:
      return bar::Key::kDown;
    case Qt::Key_F1:
      return bar::Key::kF1;
    case Qt::Key_F2:
      return bar::Key::kF2;
    case Qt::Key_F3:
      return bar::Key::kF3;
    case Qt::Key_F10:
      return bar::Key::kF10;
    case Qt::Key_Tab:
      return bar::Key::kTab;
    case Qt::Key_Backtab:
      return bar::Key::kShiftTab;
    default:
      return bar::Key::kOther;
  }
}

}  // namespace

App::App(bar::System system, ui::Prompter& prompter)
    : prompter_(prompter),
      rules_(std::move(system), *this),
      desktop_(platform::Desktop::ForThisSession()) {
  ui::CommandBox& box = bar_.Box();
  connect(&box, &ui::CommandBox::KeyDown, this, [this](int key, Qt::KeyboardModifiers modifiers) {
    rules_.OnKey(KeyOf(key, modifiers));
  });
  connect(&box, &QLineEdit::textChanged, this, [this] { rules_.OnEdit(); });
  connect(&box, &ui::CommandBox::Clicked, this, [this] { rules_.OnBoxClicked(); });
  connect(&list_, &ui::CandidateListWindow::Clicked, this,
          [this](int row) { rules_.OnListClicked(row); });
  // Anything that can move the bar off its corner sets the timer going.
  connect(&bar_, &ui::CommandBar::Moved, this, &App::KeepPlacing);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    connect(screen, &QScreen::geometryChanged, this, &App::KeepPlacing);
    connect(screen, &QScreen::availableGeometryChanged, this, &App::KeepPlacing);
  }
  connect(&bar_, &ui::CommandBar::Activated, this, [this] { rules_.OnActivated(); });
  connect(&bar_, &ui::CommandBar::Deactivated, this, [this] { rules_.OnDeactivated(); });
  connect(&placeTimer_, &QTimer::timeout, this, [this] {
    if (!rules_.OnTick()) {
      placeTimer_.stop();
    }
  });
  connect(&onlineTimer_, &QTimer::timeout, this, [this] { rules_.OnOnlineTick(); });
  trayWatch_.setInterval(1000);
  connect(&trayWatch_, &QTimer::timeout, this, [this] {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
      trayWatch_.stop();
      rules_.OnTrayGone();
    }
  });
}

App::~App() {
  for (auto& dialog : dialogs_) {
    // Closing without the closing steps: nothing is saved.
    delete dialog.data();
  }
}

ui::ToolWindow* App::OpenDialog(Dialog dialog) const {
  return dialogs_[static_cast<int>(dialog)].data();
}

void App::Start() {
  rules_.Start();
  desktop_->Flush();
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
    desktop_->BarOnScreen(bar_, wanted_);
    GrabHotkey();
    rules_.OnShown();
  });
  return false;
}

void App::GrabHotkey() {
  if (const auto name = rules_.HotkeyName()) {
    summonKey_ = platform::SummonKey::Bind(
        *name, {[this](const std::string& token) { Summon(false, token); },
                [this](const std::string& held) { rules_.TellHotkeyGrabbed(held); },
                [this](const std::string& why) { rules_.TellHotkeyFailed(why); }});
  }
}

void App::KeepPlacing() {
  if (!placeTimer_.isActive()) {
    placeTimer_.start();
  }
}

std::string App::Text() const {
  return ToUtf8(bar_.Box().text());
}

void App::SetText(const std::string& text) {
  bar_.Box().setText(FromUtf8(text));
}

int App::SelectionLength() const {
  return static_cast<int>(bar_.Box().selectedText().size());
}

void App::Select(int start, int length) {
  bar_.Box().setSelection(start, length);
}

int App::Caret() const {
  return bar_.Box().cursorPosition();
}

void App::SetCaret(int position) {
  bar_.Box().setCursorPosition(position);
}

void App::FocusBox() {
  bar_.Box().setFocus(Qt::ActiveWindowFocusReason);
}

bool App::FitsInBox(const std::string& text) const {
  const QLineEdit& box = bar_.Box();
  // What the frame, the text's margins and the line edit's own two pixels
  // a side leave of the box's width.
  const QMargins margins = box.textMargins();
  const int inside = box.contentsRect().width() - margins.left() - margins.right() -
                     2 * box.style()->pixelMetric(QStyle::PM_DefaultFrameWidth) - 4;
  return box.fontMetrics().horizontalAdvance(FromUtf8(text)) <= inside;
}

bar::Metrics App::Measure() const {
  // The work area: what panels that reserve their space (a strut) leave.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect work = screen->availableGeometry();
  return {{bar_.width(), bar_.height()},
          {work.width(), work.height()},
          static_cast<float>(1440.0 / screen->logicalDotsPerInchY()),
          {work.x(), work.y()}};
}

void App::MoveBar(Point place) {
  wanted_ = QPoint(place.x, place.y);
  if (bar_.pos() != wanted_ && (!bar_.isVisible() || !desktop_->Place(bar_, wanted_))) {
    bar_.move(wanted_);
  }
}

void App::Summon(bool toggle, const std::string& activationToken, const std::string& startupId) {
  desktop_->Summon(bar_, activationToken, startupId, [this, toggle] { rules_.Summon(toggle); });
}

void App::ShowBar(bool activate) {
  bar_.show();
  if (activate) {
    Activate();
  }
}

void App::Activate() {
  desktop_->Activate(bar_, bar_.Box(), [this] { return AnyDialogOpen(); });
}

bool App::AnyDialogOpen() const {
  for (const QPointer<ui::ToolWindow>& dialog : dialogs_) {
    if (!dialog.isNull()) {
      return true;
    }
  }
  return false;
}

bool App::BarInFront() const {
  return bar_.isVisible() && desktop_->HasFocus(const_cast<ui::CommandBar&>(bar_));
}

bool App::ToTray() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    return false;
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
            rules_.OnTrayIconClicked();
          }
        },
        Qt::QueuedConnection);
  }
  tray_->show();
  // Hidden, not closed: the timers keep running. Should the notification
  // area go away, the icon goes with it and the rules hear of it.
  bar_.hide();
  trayWatch_.start();
  return true;
}

void App::HideBar() {
  bar_.hide();
}

void App::Restore() {
  bar_.show();
  if (tray_) {
    tray_->hide();
  }
  trayWatch_.stop();
  Activate();
}

void App::RollOut(Dialog dialog, int corner) {
  QPointer<ui::ToolWindow>& slot = dialogs_[static_cast<int>(dialog)];
  if (slot.isNull()) {
    switch (dialog) {
      case Dialog::kHelp:
        slot = new ui::HelpScreen([this](const char* name) { rules_.OpenDocument(name); });
        break;
      case Dialog::kHidden:
        slot = new ui::HiddenScreen;
        break;
      case Dialog::kEditor:
        slot = new ui::QuickcommandEditor(*rules_.Editor());
        break;
      case Dialog::kOptions:
        slot = new ui::OptionsDialog(*rules_.Options());
        break;
    }
    // The rules take the closing steps while the window is still there; a
    // closed dialog is gone, and the next opening loads it afresh.
    connect(slot, &ui::ToolWindow::Closed, this, [this, dialog] {
      rules_.OnDialogClosed(dialog);
      dialogs_[static_cast<int>(dialog)] = nullptr;
    });
  }
  slot->RollOut(bar_.frameGeometry(), corner, *desktop_);
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

void App::EndProcess() {
  if (endProcess) {
    endProcess();
  } else {
    std::_Exit(0);
  }
}

QWidget* App::Window(bar::Owner owner) {
  return owner ? static_cast<QWidget*>(OpenDialog(*owner)) : &bar_;
}

void App::Inform(bar::Owner owner, const std::string& text) {
  prompter_.Inform(Window(owner), FromUtf8(text));
}

bool App::AskYesNo(bar::Owner owner, const std::string& text) {
  return prompter_.AskYesNo(Window(owner), FromUtf8(text));
}

std::string App::OpenFile(bar::Owner owner, const std::string& start) {
  return ToUtf8(prompter_.OpenFile(Window(owner), FromUtf8(start)));
}

}  // namespace tarvolin
