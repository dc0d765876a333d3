// What one desktop needs of the bar that Qt cannot do, behind one small
// interface, so the rest of the Qt front end holds no desktop branches:
//   - an X11 window manager (XWayland included): window states, activation
//     as a pager asks for it, launch feedback;
//   - sway, which places floating windows itself and answers a window's
//     own move by centring it;
//   - a native Wayland session, where the desktop alone places and stacks.
// And the key that summons the bar: grabbed on the X11 root window, or
// bound through the desktop's global shortcuts portal in a Wayland session.
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>
#include <memory>
#include <string>

class QThread;

class QWidget;

namespace tarvolin::platform {

class GlobalHotkey;
class ShortcutPortal;

class Desktop {
 public:
  // The desktop this process runs on.
  static std::unique_ptr<Desktop> ForThisSession();
  virtual ~Desktop() = default;

  // The bar has been drawn for the first time at `place`.
  virtual void BarOnScreen(QWidget& bar, QPoint place) { (void)bar, (void)place; }
  // Moves the shown bar; false when Qt's own move is the way.
  virtual bool Place(QWidget& bar, QPoint place) {
    (void)bar, (void)place;
    return false;
  }
  // Puts the bar in front with the keyboard focus in `box`, whatever window
  // had it. `busy` says whether a dialog or a message box is open, which a
  // later retry must not take the focus from.
  virtual void Activate(QWidget& bar, QWidget& box, std::function<bool()> busy);
  // Whether the bar holds the keyboard focus now.
  virtual bool HasFocus(QWidget& bar) const;
  // A summon is carried out by `summon`, with what the desktop gave the
  // launcher: a Wayland activation token, an X11 startup id.
  virtual void Summon(QWidget& bar, const std::string& activationToken,
                      const std::string& startupId, const std::function<void()>& summon);
  // Sends the requests made so far now, rather than when the event loop
  // next waits.
  virtual void Flush() {}

  // Whether the desktop places dialogs itself, so that they show whole
  // rather than unroll (sway centres a window at each of its own changes).
  virtual bool PlacesDialogs() const { return false; }
  // Puts such a dialog at `place` once the desktop has mapped it.
  virtual void PlaceDialog(QWidget& dialog, QPoint place) { (void)dialog, (void)place; }
  // A dialog shown for the first time: waits, a second at most, until the
  // window manager has framed it where it says how (the unrolling is made
  // for the framed window).
  virtual void AwaitFrame(QWidget& dialog);
};

// The key that summons the bar. `pressed` is told of each press, with the
// desktop's activation token when it gives one; `held` once the key is the
// bar's, with the name the desktop shows for it; `failed` once, with why,
// when the user should hear that no key summons the bar.
class SummonKey : public QObject {
 public:
  struct Listeners {
    std::function<void(const std::string& token)> pressed;
    std::function<void(const std::string& name)> held;
    std::function<void(const std::string& why)> failed;
  };
  static std::unique_ptr<SummonKey> Bind(const std::string& name, const Listeners& listeners);
  ~SummonKey() override;

 private:
  SummonKey() = default;
  std::unique_ptr<GlobalHotkey> hotkey_;
  std::unique_ptr<ShortcutPortal> portal_;
  // Asks whether the desktop binds a key of its own to the bar.
  std::unique_ptr<QThread> look_;
};

}  // namespace tarvolin::platform
