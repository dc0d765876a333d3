#include "core/settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace tarvolin {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Walks a text while skipping blanks, tabs and line feeds wherever they
// stand, as the reading of a leading number requires.
class NumberScanner {
 public:
  explicit NumberScanner(const std::string& text) : text_(text) {}

  // The next character that is not skipped, or 0 at the end.
  char Peek() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n')) {
      ++pos_;
    }
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }
  void Take() { ++pos_; }
  std::size_t Position() const { return pos_; }
  void Rewind(std::size_t pos) { pos_ = pos; }

  std::string TakeDigits() {
    std::string digits;
    while (IsDigit(Peek())) {
      digits += text_[pos_];
      Take();
    }
    return digits;
  }

 private:
  const std::string& text_;
  std::size_t pos_ = 0;
};

// The exponent's value, held back from overflowing: anything this large
// already puts the number far outside what a double holds.
long long ExponentValue(const std::string& digits, bool negative) {
  constexpr long long kLimit = 1000000000;
  long long value = 0;
  for (const char c : digits) {
    value = std::min(kLimit, value * 10 + (c - '0'));
  }
  return negative ? -value : value;
}

// For a number too large or too small for a double: whether it is too
// large, judged by the decimal position of its first significant digit.
bool IsTooLarge(const std::string& whole, const std::string& fraction, long long exponent) {
  const std::size_t firstWhole = whole.find_first_not_of('0');
  if (firstWhole != std::string::npos) {
    return static_cast<long long>(whole.size() - firstWhole) + exponent > 0;
  }
  const std::size_t firstFraction = fraction.find_first_not_of('0');
  if (firstFraction == std::string::npos) {
    return false;
  }
  return exponent - static_cast<long long>(firstFraction) > 0;
}

}  // namespace

double LeadingNumber(const std::string& text) {
  NumberScanner scan(text);
  bool negative = false;
  if (scan.Peek() == '+' || scan.Peek() == '-') {
    negative = scan.Peek() == '-';
    scan.Take();
  }
  const std::string whole = scan.TakeDigits();
  std::string fraction;
  if (scan.Peek() == '.') {
    scan.Take();
    fraction = scan.TakeDigits();
  }
  if (whole.empty() && fraction.empty()) {
    return 0.0;
  }
  // An exponent counts only when digits follow its letter (and sign).
  std::string exponentDigits;
  bool exponentNegative = false;
  if (scan.Peek() == 'e' || scan.Peek() == 'E') {
    const std::size_t mark = scan.Position();
    scan.Take();
    if (scan.Peek() == '+' || scan.Peek() == '-') {
      exponentNegative = scan.Peek() == '-';
      scan.Take();
    }
    exponentDigits = scan.TakeDigits();
    if (exponentDigits.empty()) {
      scan.Rewind(mark);
      exponentNegative = false;
    }
  }

  // std::from_chars reads in the C locale, whatever the user's locale is.
  std::string clean = negative ? "-" : "";
  clean += whole.empty() ? "0" : whole;
  if (!fraction.empty()) {
    clean += "." + fraction;
  }
  if (!exponentDigits.empty()) {
    clean += exponentNegative ? "e-" : "e";
    clean += exponentDigits;
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(clean.data(), clean.data() + clean.size(), value);
  (void)end;
  if (error == std::errc::result_out_of_range) {
    const long long exponent = ExponentValue(exponentDigits, exponentNegative);
    value = IsTooLarge(whole, fraction, exponent) ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
  }
  if (error != std::errc()) {
    return 0.0;
  }
  return value;
}

std::int16_t RoundToInt16(double value) {
  if (std::isnan(value)) {
    return 0;
  }
  const double below = std::floor(value);
  const double rest = value - below;
  double rounded = below;
  if (rest > 0.5) {
    rounded = below + 1.0;
  } else if (rest == 0.5) {
    rounded = std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
  }
  if (!(rounded >= std::numeric_limits<std::int16_t>::min() &&
        rounded <= std::numeric_limits<std::int16_t>::max())) {
    return 0;
  }
  return static_cast<std::int16_t>(rounded);
}

std::string NumberText(long value) {
  return value < 0 ? std::to_string(value) : " " + std::to_string(value);
}

std::vector<std::string> ParseWebExtensions(const std::string& text) {
  std::vector<std::string> list;
  std::size_t start = 0;
  // The last character is never a separator, so a trailing comma stays in
  // the last entry.
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == ',') {
      list.push_back("." + text.substr(start, i - start));
      start = i + 1;
    }
  }
  list.push_back("." + text.substr(start));
  return list;
}

std::string FormatWebExtensions(const std::vector<std::string>& list) {
  std::string text;
  for (const std::string& entry : list) {
    text += entry.empty() ? entry : entry.substr(1);
    text += ',';
  }
  if (!text.empty()) {
    text.pop_back();
  }
  return text;
}

bool LoadSettings(SettingsState& settings, sys::ProfileStore& profile, sys::FileSystem& files,
                  const std::string& iniPath) {
  // Only an ordinary file counts: a hidden or system file, or a folder, of
  // that name is taken as no settings file at all.
  if (files.FirstMatchingEntry(iniPath, sys::kAttrNormal).empty()) {
    return false;
  }
  const auto read = [&](const char* key) { return profile.Read(kSettingsSection, key, iniPath); };
  settings.CornerCode = RoundToInt16(LeadingNumber(read("loca")));
  settings.CaseSensitive = LeadingNumber(read("CaseSensitive")) != 0.0;
  settings.AutoUpdate = LeadingNumber(read("AutoUpdate")) != 0.0;
  const std::string webExtensions = read("WebExtensions");
  // An empty text leaves the list as it is.
  if (!webExtensions.empty()) {
    settings.WebExtensionList = ParseWebExtensions(webExtensions);
  }
  return true;
}

bool WriteFirstRunSettings(SettingsState& settings, sys::ProfileStore& profile,
                           const std::string& iniPath, std::string* error) {
  settings.CornerCode = 4;
  settings.AutoUpdate = true;
  settings.CaseSensitive = false;
  // In memory the endings stand in this order until the next start reads
  // the file's order back.
  settings.WebExtensionList = {".com", ".net", ".org"};
  return profile.WriteAll(kSettingsSection,
                          {{"loca", NumberText(settings.CornerCode)},
                           {"AutoUpdate", NumberText(1)},
                           {"CaseSensitive", NumberText(0)},
                           {"WebExtensions", "com,org,net"}},
                          iniPath, error);
}

bool WriteOptions(const SettingsState& settings, const std::string& webExtensionText,
                  sys::ProfileStore& profile, const std::string& iniPath, std::string* error) {
  return profile.WriteAll(kSettingsSection,
                          {{"loca", NumberText(settings.CornerCode)},
                           {"CaseSensitive", NumberText(settings.CaseSensitive ? 1 : 0)},
                           {"AutoUpdate", NumberText(settings.AutoUpdate ? 1 : 0)},
                           {"WebExtensions", webExtensionText}},
                          iniPath, error);
}

}  // namespace tarvolin
