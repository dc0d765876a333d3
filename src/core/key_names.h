// The names of key combinations, as tv.ini's Hotkey and `--bind-key` give
// them: one vocabulary on every system. Each front end turns a parsed
// combination into its own codes (an X11 keysym, a Win32 virtual key); the
// desktops that bind keys for us get the X keysym names they expect.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvolin {

// The combination when tv.ini names none. Ctrl+Alt+Space is free on the
// common desktops (GNOME, KDE Plasma, Xfce, Cinnamon, MATE, LXQt, openbox,
// Windows), where Super+R, Alt+F2 and Alt+Space (run dialogs and window
// menus) and Super+Space (input sources) are taken.
inline constexpr char kDefaultHotkey[] = "Ctrl+Alt+Space";

// Modifier bits of a combination.
enum KeyModifier : unsigned { kCtrlKey = 1, kAltKey = 2, kShiftKey = 4, kSuperKey = 8 };

// The keys that have a name rather than a letter on them.
enum class NamedKey {
  kNone,
  kSpace,
  kReturn,
  kEscape,
  kTab,
  kBackspace,
  kInsert,
  kDelete,
  kHome,
  kEnd,
  kPageUp,
  kPageDown,
  kUp,
  kDown,
  kLeft,
  kRight,
  kPause,
  kPrint,
  kMenu,
};

// Function keys go up to F24, the most Windows has a code for.
inline constexpr int kLastFunctionKey = 24;

// One key and its modifiers. Exactly one of `character` (a lower-case
// letter or a digit), `function` (1 to 24) and `named` is set.
struct KeyCombination {
  unsigned modifiers = 0;
  char character = 0;
  int function = 0;
  NamedKey named = NamedKey::kNone;
};

// "Ctrl+Alt+Space", "super + r", "F12": modifiers (Ctrl or Control, Alt,
// Shift, Super, Win or Meta) and then one key (a letter or digit, F1 to
// F24, or one of Space, Return or Enter, Escape or Esc, Tab, Backspace,
// Insert or Ins, Delete or Del, Home, End, PageUp or Prior, PageDown or
// Next, Up, Down, Left, Right, Pause, Print, Menu), joined by "+". Case and
// blanks around the parts do not matter. Nothing for anything else.
std::optional<KeyCombination> ParseKeyCombination(std::string_view text);

// A system's own codes for a combination, from its tables: `masks` for
// Ctrl, Alt, Shift and Super; `named` for the named keys, in the order of
// NamedKey after kNone; the code of F1, which F2 to F24 follow; and
// `character` for a letter or digit.
struct KeyCodes {
  unsigned modifiers = 0;
  unsigned key = 0;
};
KeyCodes SystemKeyCodes(const KeyCombination& combination, const unsigned (&masks)[4],
                        const unsigned (&named)[18], unsigned firstFunctionKey,
                        unsigned (*character)(char));

// The X keysym name of the combination's key ("space", "r", "F12",
// "Page_Up"), which GNOME's accelerators and the shortcuts portal use.
std::string KeysymName(const KeyCombination& combination);
// GNOME's accelerator: "<Control><Alt>space".
std::string GnomeAccelerator(const KeyCombination& combination);
// The shortcuts portal's trigger: "CTRL+ALT+space".
std::string PortalTrigger(const KeyCombination& combination);

// What the bar says when it cannot have its key, the same on every system.
std::string NotAKeyCombination(const std::string& name);
std::string KeyTakenByAnother(const std::string& name);

}  // namespace tarvolin
