#include "core/key_names.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace tarvolin {

namespace {

struct Name {
  std::string_view written;
  NamedKey key;
};

// Every spelling the vocabulary takes, lower case.
constexpr Name kNames[] = {
    {"space", NamedKey::kSpace},
    {"return", NamedKey::kReturn},
    {"enter", NamedKey::kReturn},
    {"escape", NamedKey::kEscape},
    {"esc", NamedKey::kEscape},
    {"tab", NamedKey::kTab},
    {"backspace", NamedKey::kBackspace},
    {"insert", NamedKey::kInsert},
    {"ins", NamedKey::kInsert},
    {"delete", NamedKey::kDelete},
    {"del", NamedKey::kDelete},
    {"home", NamedKey::kHome},
    {"end", NamedKey::kEnd},
    {"pageup", NamedKey::kPageUp},
    {"prior", NamedKey::kPageUp},
    {"pagedown", NamedKey::kPageDown},
    {"next", NamedKey::kPageDown},
    {"up", NamedKey::kUp},
    {"down", NamedKey::kDown},
    {"left", NamedKey::kLeft},
    {"right", NamedKey::kRight},
    {"pause", NamedKey::kPause},
    {"print", NamedKey::kPrint},
    {"menu", NamedKey::kMenu},
};

// X's keysym names, in the order of NamedKey after kNone.
constexpr std::string_view kKeysymNames[] = {
    "space",   "Return",    "Escape", "Tab",  "BackSpace", "Insert", "Delete", "Home",  "End",
    "Page_Up", "Page_Down", "Up",     "Down", "Left",      "Right",  "Pause",  "Print", "Menu"};

std::string Trimmed(std::string_view part) {
  const auto first = part.find_first_not_of(" \t");
  if (first == std::string_view::npos) {
    return {};
  }
  const auto last = part.find_last_not_of(" \t");
  std::string lower(part.substr(first, last - first + 1));
  for (char& c : lower) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return lower;
}

bool ReadKey(const std::string& name, KeyCombination* combination) {
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    combination->character = name[0];
    return true;
  }
  if (name.size() >= 2 && name.size() <= 3 && name[0] == 'f' &&
      name.find_first_not_of("0123456789", 1) == std::string::npos && name[1] != '0') {
    const int number = std::stoi(name.substr(1));
    if (number >= 1 && number <= kLastFunctionKey) {
      combination->function = number;
      return true;
    }
    return false;
  }
  for (const Name& known : kNames) {
    if (name == known.written) {
      combination->named = known.key;
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<KeyCombination> ParseKeyCombination(std::string_view text) {
  KeyCombination combination;
  bool haveKey = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('+', start), text.size());
    const std::string part = Trimmed(text.substr(start, end - start));
    start = end + 1;
    if (haveKey) {
      return std::nullopt;  // the key comes last
    }
    if (part == "ctrl" || part == "control") {
      combination.modifiers |= kCtrlKey;
    } else if (part == "alt") {
      combination.modifiers |= kAltKey;
    } else if (part == "shift") {
      combination.modifiers |= kShiftKey;
    } else if (part == "super" || part == "win" || part == "meta") {
      combination.modifiers |= kSuperKey;
    } else if (ReadKey(part, &combination)) {
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

KeyCodes SystemKeyCodes(const KeyCombination& combination, const unsigned (&masks)[4],
                        const unsigned (&named)[18], unsigned firstFunctionKey,
                        unsigned (*character)(char)) {
  KeyCodes codes;
  const unsigned bits[] = {kCtrlKey, kAltKey, kShiftKey, kSuperKey};
  for (int i = 0; i < 4; ++i) {
    if ((combination.modifiers & bits[i]) != 0) {
      codes.modifiers |= masks[i];
    }
  }
  if (combination.character != 0) {
    codes.key = character(combination.character);
  } else if (combination.function != 0) {
    codes.key = firstFunctionKey + static_cast<unsigned>(combination.function - 1);
  } else {
    codes.key = named[static_cast<int>(combination.named) - 1];
  }
  return codes;
}

std::string KeysymName(const KeyCombination& combination) {
  if (combination.character != 0) {
    return std::string(1, combination.character);
  }
  if (combination.function != 0) {
    return "F" + std::to_string(combination.function);
  }
  return std::string(kKeysymNames[static_cast<int>(combination.named) - 1]);
}

std::string GnomeAccelerator(const KeyCombination& combination) {
  std::string accelerator;
  for (const auto& [bit, name] :
       {std::pair{kCtrlKey, "<Control>"}, std::pair{kAltKey, "<Alt>"},
        std::pair{kShiftKey, "<Shift>"}, std::pair{kSuperKey, "<Super>"}}) {
    if ((combination.modifiers & bit) != 0) {
      accelerator += name;
    }
  }
  return accelerator + KeysymName(combination);
}

std::string PortalTrigger(const KeyCombination& combination) {
  std::string trigger;
  for (const auto& [bit, name] : {std::pair{kCtrlKey, "CTRL+"}, std::pair{kAltKey, "ALT+"},
                                  std::pair{kShiftKey, "SHIFT+"}, std::pair{kSuperKey, "LOGO+"}}) {
    if ((combination.modifiers & bit) != 0) {
      trigger += name;
    }
  }
  return trigger + KeysymName(combination);
}

std::string NotAKeyCombination(const std::string& name) {
  return "\"" + name + "\" is not a key combination";
}

std::string KeyTakenByAnother(const std::string& name) {
  return name + " is taken by another program";
}

}  // namespace tarvolin
