#include "ui/hotkey.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>
#include <sstream>

#if defined(TARVOLIN_HAVE_XCB)
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#endif

namespace tarvolin::ui {

namespace {

// X11's modifier masks: Shift, Lock (Caps Lock), Control, Mod1 (Alt),
// Mod2 (Num Lock), Mod4 (Super).
constexpr std::uint16_t kShift = 1, kLock = 2, kControl = 4, kAlt = 8, kNumLock = 16, kSuper = 64;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::optional<std::uint32_t> Keysym(const std::string& name) {
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    return static_cast<std::uint32_t>(std::tolower(static_cast<unsigned char>(name[0])));
  }
  if (name.size() >= 2 && name[0] == 'f' &&
      std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const int number = std::atoi(name.c_str() + 1);
    if (number >= 1 && number <= 35) {
      return 0xffbe + static_cast<std::uint32_t>(number - 1);
    }
  }
  static const std::pair<const char*, std::uint32_t> kNamed[] = {
      {"space", 0x20}, {"return", 0xff0d}, {"enter", 0xff0d},     {"escape", 0xff1b},
      {"esc", 0xff1b}, {"tab", 0xff09},    {"backspace", 0xff08}, {"insert", 0xff63},
      {"ins", 0xff63}, {"delete", 0xffff}, {"del", 0xffff},       {"home", 0xff50},
      {"end", 0xff57}, {"pause", 0xff13},  {"print", 0xff61},     {"menu", 0xff67}};
  for (const auto& [known, keysym] : kNamed) {
    if (name == known) {
      return keysym;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<KeyCombination> ParseKeyCombination(const std::string& text) {
  KeyCombination combination;
  std::istringstream parts(Lower(text));
  std::string part;
  bool haveKey = false;
  while (std::getline(parts, part, '+')) {
    part.erase(0, part.find_first_not_of(' '));
    part.erase(part.find_last_not_of(' ') + 1);
    if (haveKey) {
      return std::nullopt;  // the key comes last
    }
    if (part == "ctrl" || part == "control") {
      combination.modifiers |= kControl;
    } else if (part == "alt") {
      combination.modifiers |= kAlt;
    } else if (part == "shift") {
      combination.modifiers |= kShift;
    } else if (part == "super" || part == "meta" || part == "win") {
      combination.modifiers |= kSuper;
    } else if (const auto keysym = Keysym(part)) {
      combination.keysym = *keysym;
      haveKey = true;
    } else {
      return std::nullopt;
    }
  }
  if (!haveKey) {
    return std::nullopt;
  }
  return combination;
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
  const auto combination = ParseKeyCombination(text);
  if (!combination) {
    *error = "\"" + text + "\" is not a key combination";
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
    *error = text + " is taken by another program";
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

}  // namespace tarvolin::ui
