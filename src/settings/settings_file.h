// tv.ini: reading and writing single values, and filling the settings from
// the file at start-up.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/profile.h"
#include "settings/settings_state.h"

namespace tarvolin {

inline constexpr char kSettingsFileName[] = "tv.ini";
inline constexpr char kSettingsSection[] = "Tarvolin";

// The value of key in section of fileName, at most 254 characters; empty when
// the file, section or key is missing.
std::string ReadIniValue(platform::ProfileStore& profile, const std::string& section,
                         const std::string& key, const std::string& fileName);

// Writes one value; non-zero on success. Callers do not act on the result.
std::int16_t WriteIniValue(platform::ProfileStore& profile, const std::string& section,
                           const std::string& key, const std::string& value,
                           const std::string& fileName);

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

// The full path of tv.ini in the program folder.
std::string SettingsFilePath(const platform::FileSystem& files);

// Fills the settings from tv.ini in the program folder. When no ordinary file
// of that name exists, runs `firstRunSetUp` instead, which sets the settings
// itself.
void LoadSettings(SettingsState& settings, platform::ProfileStore& profile,
                  platform::FileSystem& files, const std::function<void()>& firstRunSetUp);

}  // namespace tarvolin
