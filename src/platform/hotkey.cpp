#include "platform/hotkey.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <utility>

#if defined(TARVOLIN_HAVE_XCB)
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#endif

namespace tarvolin::platform {

namespace {

// X11's modifier masks: Shift, Lock (Caps Lock), Control, Mod1 (Alt),
// Mod2 (Num Lock), Mod4 (Super).
constexpr std::uint16_t kShift = 1, kLock = 2, kControl = 4, kAlt = 8, kNumLock = 16, kSuper = 64;

// X11's keysyms, in the order of NamedKey after kNone.
constexpr unsigned kKeysyms[] = {0x20,   0xff0d, 0xff1b, 0xff09, 0xff08, 0xff63,
                                 0xffff, 0xff50, 0xff57, 0xff55, 0xff56, 0xff52,
                                 0xff54, 0xff51, 0xff53, 0xff13, 0xff61, 0xff67};

}  // namespace

std::optional<X11Combination> X11KeyCombination(const std::string& text) {
  const auto parsed = ParseKeyCombination(text);
  if (!parsed) {
    return std::nullopt;
  }
  // A letter's keysym is its small letter, a digit's the digit.
  const KeyCodes codes =
      SystemKeyCodes(*parsed, {kControl, kAlt, kShift, kSuper}, kKeysyms, 0xffbe,
                     [](char c) { return unsigned{static_cast<unsigned char>(c)}; });
  return X11Combination{static_cast<std::uint16_t>(codes.modifiers), codes.key};
}

#if defined(TARVOLIN_HAVE_XCB)

namespace {

xcb_connection_t* Connection() {
  auto* native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return native != nullptr ? native->connection() : nullptr;
}

// The first key that gives the keysym, unshifted or shifted; 0 for none.
std::uint8_t KeycodeOf(xcb_connection_t* c, std::uint32_t keysym) {
  const xcb_setup_t* setup = xcb_get_setup(c);
  const int count = setup->max_keycode - setup->min_keycode + 1;
  xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
      c, xcb_get_keyboard_mapping(c, setup->min_keycode, static_cast<std::uint8_t>(count)),
      nullptr);
  if (reply == nullptr) {
    return 0;
  }
  const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply);
  const int perKey = reply->keysyms_per_keycode;
  std::uint8_t found = 0;
  for (int key = 0; key < count && found == 0; ++key) {
    for (int column = 0; column < std::min(perKey, 2); ++column) {
      if (keysyms[key * perKey + column] == keysym) {
        found = static_cast<std::uint8_t>(setup->min_keycode + key);
        break;
      }
    }
  }
  std::free(reply);
  return found;
}

// Caps Lock and Num Lock must not stop the combination from working.
constexpr std::uint16_t kLockStates[] = {0, kLock, kNumLock, kLock | kNumLock};

void Ungrab(xcb_connection_t* c, std::uint8_t keycode, std::uint16_t modifiers) {
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  for (const std::uint16_t locks : kLockStates) {
    xcb_ungrab_key(c, keycode, root, static_cast<std::uint16_t>(modifiers | locks));
  }
  xcb_flush(c);
}

}  // namespace

std::unique_ptr<GlobalHotkey> GlobalHotkey::Grab(const std::string& text, std::string* error) {
  const auto combination = X11KeyCombination(text);
  if (!combination) {
    *error = NotAKeyCombination(text);
    return nullptr;
  }
  xcb_connection_t* c = Connection();
  if (c == nullptr) {
    *error = "no X11 display to grab it on";
    return nullptr;
  }
  const std::uint8_t keycode = KeycodeOf(c, combination->keysym);
  if (keycode == 0) {
    *error = "the keyboard has no key for " + text;
    return nullptr;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  // All four grabs go out before the first answer is awaited: one round
  // trip.
  xcb_void_cookie_t grabs[std::size(kLockStates)];
  for (std::size_t i = 0; i < std::size(kLockStates); ++i) {
    grabs[i] = xcb_grab_key_checked(
        c, 1, root, static_cast<std::uint16_t>(combination->modifiers | kLockStates[i]), keycode,
        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
  }
  bool taken = false;
  for (const xcb_void_cookie_t grab : grabs) {
    xcb_generic_error_t* failure = xcb_request_check(c, grab);
    taken = taken || failure != nullptr;
    std::free(failure);
  }
  if (taken) {
    Ungrab(c, keycode, combination->modifiers);
    *error = KeyTakenByAnother(text);
    return nullptr;
  }
  std::unique_ptr<GlobalHotkey> hotkey(new GlobalHotkey);
  hotkey->keycode_ = keycode;
  hotkey->modifiers_ = combination->modifiers;
  QCoreApplication::instance()->installNativeEventFilter(hotkey.get());
  return hotkey;
}

GlobalHotkey::~GlobalHotkey() {
  if (xcb_connection_t* c = Connection()) {
    Ungrab(c, keycode_, modifiers_);
  }
}

bool GlobalHotkey::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
  if (type != "xcb_generic_event_t") {
    return false;
  }
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  const int kind = event->response_type & 0x7f;
  if (kind != XCB_KEY_PRESS && kind != XCB_KEY_RELEASE) {
    return false;
  }
  const auto* key = static_cast<const xcb_key_press_event_t*>(message);
  const bool ours = key->detail == keycode_ &&
                    (key->state & ~(kLock | kNumLock) & 0xff) == modifiers_ &&
                    key->event == xcb_setup_roots_iterator(xcb_get_setup(Connection())).data->root;
  if (ours && kind == XCB_KEY_PRESS) {
    emit Pressed();
  }
  return ours;
}

#else

std::unique_ptr<GlobalHotkey> GlobalHotkey::Grab(const std::string&, std::string* error) {
  *error = "global keys need X11";
  return nullptr;
}

GlobalHotkey::~GlobalHotkey() = default;

bool GlobalHotkey::nativeEventFilter(const QByteArray&, void*, qintptr*) {
  return false;
}

#endif

}  // namespace tarvolin::platform
