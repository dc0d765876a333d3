// The four user settings and tv.ini, the file that keeps them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sys/filesystem.h"
#include "sys/profile.h"

namespace tarvolin {

inline constexpr char kSettingsFileName[] = "tv.ini";
inline constexpr char kSettingsSection[] = "Tarvolin";

struct SettingsState {
  // 1 top left, 2 top right, 3 bottom left, 4 bottom right; any other value
  // is placed as 4.
  std::int16_t CornerCode = 0;
  bool CaseSensitive = false;
  bool AutoUpdate = false;
  // Each entry is "." and one ending, such as ".com".
  std::vector<std::string> WebExtensionList;
};

// The number a text begins with: blanks, tabs and line feeds are skipped
// wherever they stand; then an optional sign, digits with an optional
// decimal point and fraction, and an optional exponent. No number gives 0.
// Independent of the user's locale.
double LeadingNumber(const std::string& text);

// Rounds to the nearest 16-bit integer, an exact half to the even neighbour.
// A value outside the 16-bit range gives 0.
std::int16_t RoundToInt16(double value);

// Number text with a sign position: " 4", " 0", "-3".
std::string NumberText(long value);

// Splits the web-extension text at commas, each piece with "." in front. A
// comma in the last position stays in the last piece; "" gives ".".
std::vector<std::string> ParseWebExtensions(const std::string& text);

// The list as the user edits it: each entry without its dot, joined by
// commas ([".com", ".org"] gives "com,org"; no entries give "").
std::string FormatWebExtensions(const std::vector<std::string>& list);

// Fills the settings from tv.ini. False, reading nothing, when no ordinary
// file of that name exists (a hidden one counts as missing): the caller then
// runs the first-run set-up.
bool LoadSettings(SettingsState& settings, sys::ProfileStore& profile, sys::FileSystem& files,
                  const std::string& iniPath);

// The defaults of a new installation, in memory and in tv.ini. False when a
// key could not be written.
bool WriteFirstRunSettings(SettingsState& settings, sys::ProfileStore& profile,
                           const std::string& iniPath, std::string* error = nullptr);

// The options dialog's save: the four keys, the web-extension text exactly
// as typed. False when a key could not be written, and `error` says why.
bool WriteOptions(const SettingsState& settings, const std::string& webExtensionText,
                  sys::ProfileStore& profile, const std::string& iniPath,
                  std::string* error = nullptr);

}  // namespace tarvolin
