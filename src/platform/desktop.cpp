#include "platform/desktop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "core/key_names.h"
#include "desktop_key.h"
#include "platform/hotkey.h"
#include "platform/shortcut_portal.h"
#include "platform/sway.h"
#include "platform/x11_window_state.h"

namespace tarvolin::platform {

namespace {

constexpr char kToggle[] = "tarvolin --toggle";

// Some window managers only mark a window that asks for the focus, but give
// it to a window as it is mapped: a bar still without the focus this long
// after it asked is mapped afresh.
constexpr int kRemapAfterMs = 150;
// How long a first showing waits for the window manager's frame.
constexpr int kFrameWaitMs = 1000;
// Once the window manager has said how it frames the window, how long Qt
// gets to take that in.
constexpr int kFrameSettleMs = 50;

bool OnWayland() {
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// sway: the bar floats on every workspace where the rules put it; a mapped
// window's own move would only be centred again.
class SwayDesktop final : public Desktop {
 public:
  void BarOnScreen(QWidget& bar, QPoint place) override {
    place_ = place;
    Ask(bar, {});
  }
  bool Place(QWidget& bar, QPoint place) override {
    place_ = place;
    return Ask(bar, {});
  }
  void Activate(QWidget& bar, QWidget& box, std::function<bool()> busy) override {
    Focus(bar, box, std::move(busy), kTries);
  }
  bool PlacesDialogs() const override { return true; }
  void PlaceDialog(QWidget& dialog, QPoint place) override {
    const std::string move =
        "move absolute position " + std::to_string(place.x()) + " " + std::to_string(place.y());
    QElapsedTimer timer;
    timer.start();
    // Found once sway has mapped it.
    while (!sway::Command(dialog.winId(), move) && timer.elapsed() < kFrameWaitMs) {
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      QThread::msleep(5);
    }
  }

 private:
  static constexpr int kTries = 50;

  // Floating and sticky at the place, with `more` (commands, each ending in
  // ", ") carried out too; false when sway did not find the window.
  bool Ask(QWidget& bar, const std::string& more) {
    return sway::Command(bar.winId(), "floating enable, sticky enable, " + more +
                                          "move absolute position " + std::to_string(place_.x()) +
                                          " " + std::to_string(place_.y()));
  }
  // sway finds the window once it has mapped it, a moment after show():
  // asked again every 10 ms meanwhile, the X11 way after the last try.
  void Focus(QWidget& bar, QWidget& box, std::function<bool()> busy, int triesLeft) {
    if (!bar.isVisible()) {
      return;
    }
    // A message box that opened meanwhile takes the focus the bar asked for:
    // the bar is no use while it waits for an answer.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr ? Ask(bar, {}) && sway::Command(modal->winId(), "focus")
                         : Ask(bar, "focus, ")) {
      if (modal == nullptr) {
        box.setFocus(Qt::ActiveWindowFocusReason);
      }
    } else if (triesLeft > 0) {
      QTimer::singleShot(10, &bar, [this, &bar, &box, busy = std::move(busy), triesLeft] {
        Focus(bar, box, busy, triesLeft - 1);
      });
    } else {
      Desktop::Activate(bar, box, std::move(busy));
    }
  }

  QPoint place_;
};

}  // namespace

std::unique_ptr<Desktop> Desktop::ForThisSession() {
  if (sway::Running()) {
    return std::make_unique<SwayDesktop>();
  }
  return std::make_unique<Desktop>();
}

void Desktop::Activate(QWidget& bar, QWidget& box, std::function<bool()> busy) {
  bar.raise();
  if (!x11::Activate(&bar)) {
    bar.activateWindow();
  }
  box.setFocus(Qt::ActiveWindowFocusReason);
  QTimer::singleShot(kRemapAfterMs, &bar, [&bar, busy = std::move(busy)] {
    if (bar.isVisible() && !x11::HasInputFocus(&bar) &&
        QApplication::activePopupWidget() == nullptr &&
        QApplication::activeModalWidget() == nullptr && !busy()) {
      bar.hide();
      bar.show();
      bar.raise();
      bar.activateWindow();
    }
  });
}

void Desktop::AwaitFrame(QWidget& dialog) {
  if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11::WindowManagerTellsFrames()) {
    return;  // a window manager that never says how it frames is not waited for
  }
  QElapsedTimer timer;
  timer.start();
  qint64 knownAt = -1;
  while (timer.elapsed() < kFrameWaitMs) {
    if (knownAt < 0 && x11::FrameKnown(&dialog)) {
      knownAt = timer.elapsed();
    }
    // Qt takes the frame in with the window manager's notice; a frame of
    // nothing at all (a window manager that draws none) never shows.
    if (knownAt >= 0 && (dialog.frameGeometry() != dialog.geometry() ||
                         timer.elapsed() - knownAt > kFrameSettleMs)) {
      break;
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QThread::msleep(1);
  }
}

bool Desktop::HasFocus(QWidget& bar) const {
  return x11::HasInputFocus(&bar);
}

void Desktop::Summon(QWidget& bar, const std::string& activationToken, const std::string& startupId,
                     const std::function<void()>& summon) {
  // Qt's Wayland window presents the token from the environment at its
  // next activation; one left over would go to the programs the bar starts.
  const bool wayland = OnWayland();
  if (wayland && !activationToken.empty()) {
    qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(activationToken));
  }
  summon();
  if (wayland) {
    qunsetenv("XDG_ACTIVATION_TOKEN");
  }
  if (!startupId.empty()) {
    x11::EndStartup(&bar, startupId);
  }
}

std::unique_ptr<SummonKey> SummonKey::Bind(const std::string& name, const Listeners& listeners) {
  if (!ParseKeyCombination(name)) {
    // Refused in the same words on every system and desktop.
    std::fprintf(stderr, "tarvolin: no hotkey: %s\n", NotAKeyCombination(name).c_str());
    listeners.failed(NotAKeyCombination(name));
    return nullptr;
  }
  auto key = std::unique_ptr<SummonKey>(new SummonKey);
  std::string error;
  key->hotkey_ = GlobalHotkey::Grab(name, &error);
  if (key->hotkey_) {
    QObject::connect(key->hotkey_.get(), &GlobalHotkey::Pressed, key.get(),
                     [pressed = listeners.pressed] { pressed({}); });
  }
  // In a Wayland session a grab on XWayland fires only while an X11 window
  // has the focus, and a Wayland client may grab no key at all: the
  // desktop binds it, through its global shortcuts portal where it has one
  // (KDE), else in its keyboard settings, to the launcher.
  if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    key->portal_ = std::make_unique<ShortcutPortal>(
        name,
        [self = key.get(), held = listeners.held, failed = listeners.failed,
         name](const std::string& trigger) {
          if (!trigger.empty()) {
            // Where the key does nothing yet (Plasma 5.27 has the user
            // confirm it), the entry tells the user where to look.
            std::fprintf(stderr,
                         "tarvolin: hotkey: %s, through the desktop's global shortcuts "
                         "(listed in its shortcut settings as \"Show or hide the Tarvolin bar\")\n",
                         trigger.c_str());
            held(trigger);
            return;
          }
          const std::string how = "in a Wayland session, bind " + name + " to " + kToggle +
                                  " in the desktop's keyboard settings";
          std::fprintf(stderr, "tarvolin: hotkey: %s\n", how.c_str());
          // A key the user gave the desktop already needs no word; asking
          // GNOME runs gsettings, which the bar does not wait for.
          self->look_.reset(QThread::create([self, failed, how] {
            const bool bound =
                sway::Running() ? sway::BindsCommand(kToggle) : GnomeKeyRuns(kToggle);
            if (!bound) {
              QMetaObject::invokeMethod(
                  self, [failed, how] { failed(how); }, Qt::QueuedConnection);
            }
          }));
          self->look_->start();
        },
        listeners.pressed);
    return key;
  }
  if (key->hotkey_) {
    listeners.held(name);
    return key;
  }
  std::fprintf(stderr, "tarvolin: no hotkey: %s\n", error.c_str());
  // On X11 the user is told once, in the box; elsewhere grabbing is not
  // possible and the desktop binds `tarvolin --toggle` instead.
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    listeners.failed(error);
  }
  return key;
}

SummonKey::~SummonKey() {
  if (look_) {
    look_->wait();
  }
}

}  // namespace tarvolin::platform
