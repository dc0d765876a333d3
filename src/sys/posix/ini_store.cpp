#include "sys/posix/ini_store.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "sys/file_io.h"

namespace tarvolin::sys {

namespace {

constexpr char kLineEnd[] = "\r\n";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// One pair of matching quotes around the whole value is not part of it.
std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// One line of the file, as offsets into the file's bytes. `end` is where the
// line's text stops and its line end (CR, LF or CR LF, or none at the end of
// the file) begins; `next` is where the following line starts.
struct Line {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
};

std::vector<Line> SplitLines(const std::string& bytes) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    Line line;
    line.begin = pos;
    while (pos < bytes.size() && bytes[pos] != '\r' && bytes[pos] != '\n') {
      ++pos;
    }
    line.end = pos;
    if (pos < bytes.size()) {
      if (bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n') {
        pos += 2;
      } else {
        ++pos;
      }
    }
    line.next = pos;
    lines.push_back(line);
  }
  return lines;
}

enum class LineKind { kOther, kSection, kKey };

// What a line means. For a key line, `afterEquals` is the offset within the
// line just past its first "=": a new value replaces the rest of the line's
// text, so the key keeps its own spelling and the line its line end.
struct ParsedLine {
  LineKind kind = LineKind::kOther;
  std::string_view name;
  std::string_view value;
  std::size_t afterEquals = 0;
};

ParsedLine ParseLine(std::string_view text) {
  ParsedLine parsed;
  const std::string_view trimmed = Trim(text);
  if (trimmed.empty() || trimmed.front() == ';') {
    return parsed;
  }
  if (trimmed.front() == '[') {
    const std::size_t close = trimmed.rfind(']');
    if (close != std::string_view::npos && close > 0) {
      parsed.kind = LineKind::kSection;
      parsed.name = Trim(trimmed.substr(1, close - 1));
      return parsed;
    }
  }
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) {
    return parsed;
  }
  parsed.kind = LineKind::kKey;
  parsed.name = Trim(text.substr(0, equals));
  parsed.afterEquals = equals + 1;
  parsed.value = Trim(text.substr(equals + 1));
  return parsed;
}

std::string_view LineText(const std::string& bytes, const Line& line) {
  return std::string_view(bytes).substr(line.begin, line.end - line.begin);
}

// Where a section stands in the file: the index of its header line and of
// the line after its last line. Only the first section of a name counts.
struct SectionRange {
  bool found = false;
  std::size_t header = 0;
  std::size_t stop = 0;
};

SectionRange FindSection(const std::string& bytes, const std::vector<Line>& lines,
                         std::string_view section) {
  SectionRange range;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ParsedLine parsed = ParseLine(LineText(bytes, lines[i]));
    if (parsed.kind != LineKind::kSection) {
      continue;
    }
    if (range.found) {
      range.stop = i;
      return range;
    }
    if (SameName(parsed.name, section)) {
      range.found = true;
      range.header = i;
    }
  }
  range.stop = lines.size();
  return range;
}

// Reads the file; false (with nothing read) when it is missing, a folder or
// unreadable.
bool LoadFile(const std::string& fileName, std::string* bytes) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(fileName, ec)) {
    return false;
  }
  return ReadWholeFile(fileName, bytes);
}

// The value as the file stores it. A value that itself is enclosed in a
// pair of matching quotes gets one more pair, since reading removes one.
std::string StoredValue(const std::string& value) {
  // Reading trims the blanks around a value before it removes the quotes,
  // so the check is made on the trimmed value (its blanks are not kept).
  const std::string_view trimmed = Trim(value);
  if (Unquote(trimmed).size() != trimmed.size()) {
    return trimmed.front() + std::string(trimmed) + trimmed.front();
  }
  return value;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

std::string IniStore::Read(const std::string& section, const std::string& key,
                           const std::string& file) {
  std::vector<std::pair<std::string, std::string>> keys;
  if (!ReadIniSection(file, section, &keys)) {
    return {};
  }
  const std::string_view wanted = Trim(key);
  const auto match = std::find_if(keys.begin(), keys.end(),
                                  [&](const auto& entry) { return SameName(entry.first, wanted); });
  if (match == keys.end()) {
    return {};
  }
  return match->second.substr(0, kMaxProfileValueBytes);
}

namespace {

// The file's bytes with key=value set in section; nothing when the name or
// value would not read back as itself, which is refused rather than written
// in a shape that changes the file's meaning.
std::optional<std::string> WithValue(const std::string& bytes, const std::string& section,
                                     const std::string& key, const std::string& value) {
  const std::string sectionName(Trim(section));
  const std::string keyName(Trim(key));
  if (HasLineBreak(sectionName) || HasLineBreak(value)) {
    return std::nullopt;
  }
  const std::string header = "[" + sectionName + "]";
  const std::string keyLine = keyName + "=" + StoredValue(value);
  const ParsedLine headerCheck = ParseLine(header);
  const ParsedLine keyCheck = ParseLine(keyLine);
  if (keyName.empty() || HasLineBreak(keyName) || headerCheck.kind != LineKind::kSection ||
      headerCheck.name != sectionName || keyCheck.kind != LineKind::kKey ||
      keyCheck.name != keyName) {
    return std::nullopt;
  }
  const std::vector<Line> lines = SplitLines(bytes);
  const SectionRange range = FindSection(bytes, lines, sectionName);
  std::string updated;
  if (!range.found) {
    updated = bytes;
    if (!lines.empty() && lines.back().end == lines.back().next) {
      updated += kLineEnd;
    }
    return updated + header + kLineEnd + keyLine + kLineEnd;
  }
  std::size_t lastKey = range.header;
  for (std::size_t i = range.header + 1; i < range.stop; ++i) {
    const ParsedLine parsed = ParseLine(LineText(bytes, lines[i]));
    if (parsed.kind != LineKind::kKey) {
      continue;
    }
    if (SameName(parsed.name, keyName)) {
      updated = bytes.substr(0, lines[i].begin + parsed.afterEquals) + StoredValue(value);
      return updated.append(bytes, lines[i].end, std::string::npos);
    }
    lastKey = i;
  }
  const Line& after = lines[lastKey];
  updated = bytes.substr(0, after.next);
  if (after.end == after.next) {
    updated += kLineEnd;
  }
  updated += keyLine + kLineEnd;
  return updated.append(bytes, after.next, std::string::npos);
}

}  // namespace

bool IniStore::Write(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& fileName) {
  return WriteAll(section, {{key, value}}, fileName);
}

bool IniStore::WriteAll(const std::string& section,
                        const std::vector<std::pair<std::string, std::string>>& keys,
                        const std::string& fileName, std::string* error) {
  std::string bytes;
  std::error_code ec;
  if (!LoadFile(fileName, &bytes)) {
    // A path that exists but cannot be read as a file must not be replaced
    // by a new file.
    if (std::filesystem::exists(fileName, ec) || ec) {
      if (error != nullptr) {
        *error = "it exists but cannot be read as a file";
      }
      return false;
    }
    bytes.clear();
  }
  for (const auto& [key, value] : keys) {
    const std::optional<std::string> updated = WithValue(bytes, section, key, value);
    if (!updated) {
      if (error != nullptr) {
        *error = "a name or value cannot be stored in an INI file";
      }
      return false;
    }
    bytes = *updated;
  }
  return WriteFileReplacing(fileName, bytes, error);
}

bool ReadIniSection(const std::string& fileName, const std::string& section,
                    std::vector<std::pair<std::string, std::string>>* keys) {
  keys->clear();
  std::string bytes;
  if (!LoadFile(fileName, &bytes)) {
    return false;
  }
  const std::vector<Line> lines = SplitLines(bytes);
  const SectionRange range = FindSection(bytes, lines, Trim(section));
  if (!range.found) {
    return false;
  }
  for (std::size_t i = range.header + 1; i < range.stop; ++i) {
    const ParsedLine parsed = ParseLine(LineText(bytes, lines[i]));
    if (parsed.kind == LineKind::kKey) {
      keys->emplace_back(std::string(parsed.name), std::string(Unquote(parsed.value)));
    }
  }
  return true;
}

}  // namespace tarvolin::sys
