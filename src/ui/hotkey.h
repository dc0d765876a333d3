// The key combination that summons the bar from anywhere: grabbed on the
// X11 root window, so the window manager and other programs never see it.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tarvolin::ui {

// The combination when tv.ini names none. Ctrl+Alt+Space is free on the
// common desktops (GNOME, KDE Plasma, Xfce, Cinnamon, MATE, LXQt, openbox),
// where Super+R (Xfce's app finder), Alt+F2 and Alt+Space (run dialogs and
// window menus) and Super+Space (input sources) are taken.
inline constexpr char kDefaultHotkey[] = "Ctrl+Alt+Space";

// X11 modifier masks and a keysym: "Ctrl+Alt+Space", "Super+R", "F12".
// Names are matched without regard to case; Meta and Win stand for Super.
struct KeyCombination {
  std::uint16_t modifiers = 0;
  std::uint32_t keysym = 0;
};
std::optional<KeyCombination> ParseKeyCombination(const std::string& text);

class GlobalHotkey : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  // Grabs the combination; null, with `error` saying why, when the text is
  // no combination, there is no X11 display, or another program holds it.
  static std::unique_ptr<GlobalHotkey> Grab(const std::string& text, std::string* error);
  ~GlobalHotkey() override;

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

 signals:
  void Pressed();

 private:
  GlobalHotkey() = default;
  std::uint8_t keycode_ = 0;
  std::uint16_t modifiers_ = 0;
};

}  // namespace tarvolin::ui
