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

#include "core/key_names.h"

namespace tarvolin::platform {

// X11 modifier masks and a keysym for a combination's name.
struct X11Combination {
  std::uint16_t modifiers = 0;
  std::uint32_t keysym = 0;
};
std::optional<X11Combination> X11KeyCombination(const std::string& text);

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

}  // namespace tarvolin::platform
