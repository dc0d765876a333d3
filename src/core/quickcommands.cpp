#include "core/quickcommands.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <utility>

#include "core/interpreter.h"
#include "sys/file_io.h"
#include "sys/text.h"

namespace tarvolin {

namespace {

// Splits the file's bytes into lines. A line ends at CR LF, at a CR alone or
// at an LF alone, and the kinds may be mixed in one file. A last line without
// a line end counts as a line; nothing after the final line end does.
std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  // Records of realistic length are some tens of bytes per line; reserving a
  // guess saves most of the regrowth on large files.
  lines.reserve(bytes.size() / 32 + 2);
  const char* const data = bytes.data();
  const std::size_t size = bytes.size();
  std::size_t start = 0;
  std::size_t pos = 0;
  while (pos < size) {
    const char c = data[pos];
    if (c != '\r' && c != '\n') {
      ++pos;
      continue;
    }
    lines.emplace_back(data + start, pos - start);
    pos += (c == '\r' && pos + 1 < size && data[pos + 1] == '\n') ? 2 : 1;
    start = pos;
  }
  if (start < size) {
    lines.emplace_back(data + start, size - start);
  }
  return lines;
}

std::string LineText(std::string_view line) {
  return sys::FromSystemText(std::string(line));
}

// The whole file, or empty text when there is none or it cannot be read.
std::string ReadFileOrNothing(const std::string& path) {
  std::string bytes;
  if (!sys::ReadWholeFile(path, &bytes)) {
    bytes.clear();
  }
  return bytes;
}

}  // namespace

void LoadQuickcommands(QuickcommandTable& table, const std::string& path) {
  const std::string bytes = ReadFileOrNothing(path);
  if (bytes.empty()) {
    // Nothing to read: the table keeps what it holds, and the rest of the
    // program still gets the one entry it relies on.
    if (table.empty()) {
      table.emplace_back();
    }
    return;
  }

  const std::vector<std::string_view> lines = SplitLines(bytes);
  std::vector<QuickcommandEntry> entries;
  // Room for what the editor adds: a full table would move every entry at
  // the first add. Room not written to costs no memory.
  const std::size_t count = (lines.size() + 1) / 2;
  entries.reserve(count + count / 8 + 16);
  for (std::size_t i = 0; i < lines.size(); i += 2) {
    QuickcommandEntry entry;
    entry.Target = LineText(lines[i]);
    // A target line without a name line after it gives an empty name.
    if (i + 1 < lines.size()) {
      entry.Name = LineText(lines[i + 1]);
    }
    entries.push_back(std::move(entry));
  }
  table = std::move(entries);
}

QuickcommandTable MergeQuickcommands(const QuickcommandTable& base, const QuickcommandTable& ours,
                                     const QuickcommandTable& disk) {
  // How often each pair stands in a table: a pair may be stored twice.
  using Counts = std::map<std::pair<std::string, std::string>, long>;
  const auto count = [](const QuickcommandTable& table) {
    Counts counts;
    for (const QuickcommandEntry& entry : table) {
      ++counts[{entry.Target, entry.Name}];
    }
    return counts;
  };
  Counts removed = count(base);
  Counts added = count(ours);
  for (auto& [pair, times] : removed) {
    const long kept = std::min(times, added[pair]);
    times -= kept;
    added[pair] -= kept;
  }
  // What the other process added too is not added twice.
  Counts addedThere = count(disk);
  for (const auto& [pair, times] : count(base)) {
    addedThere[pair] -= times;
  }
  QuickcommandTable merged;
  for (const QuickcommandEntry& entry : disk) {
    long& gone = removed[{entry.Target, entry.Name}];
    if (gone > 0) {
      --gone;
    } else {
      merged.push_back(entry);
    }
  }
  for (const QuickcommandEntry& entry : ours) {
    long& fresh = added[{entry.Target, entry.Name}];
    if (fresh > 0) {
      --fresh;
      long& there = addedThere[{entry.Target, entry.Name}];
      if (there > 0) {
        --there;
      } else {
        merged.push_back(entry);
      }
    }
  }
  return merged;
}

bool WriteQuickcommands(const QuickcommandTable& table, bool hasRows, const std::string& path,
                        std::string* error, std::optional<QuickcommandTable>* readBack) {
  static constexpr std::string_view kLineEnd = "\r\n";
  std::string bytes;
  // Whether every text comes back from the file as it is.
  bool exact = hasRows;
  if (hasRows) {
    std::size_t size = 0;
    for (const QuickcommandEntry& entry : table) {
      size += entry.Target.size() + entry.Name.size() + 2 * kLineEnd.size();
    }
    bytes.reserve(size);
    const auto put = [&](const std::string& text) {
      const std::string converted = sys::ToSystemText(text);
      if (text.find_first_of("\r\n") != std::string::npos ||
          (converted != text && sys::FromSystemText(converted) != text)) {
        exact = false;
      }
      bytes += converted;
      bytes += kLineEnd;
    };
    for (const QuickcommandEntry& entry : table) {
      put(entry.Target);
      put(entry.Name);
    }
  } else {
    // No rows in the editor: the file holds two empty lines, which read back
    // as the blank placeholder, whatever the table still holds.
    bytes.assign(kLineEnd);
    bytes += kLineEnd;
  }

  std::string reason;
  if (!sys::WriteFileReplacing(path, bytes, &reason)) {
    if (error != nullptr) {
      *error = reason.empty() ? std::string("the file could not be written") : reason;
    }
    return false;
  }
  if (!exact && readBack != nullptr) {
    bytes = {};
    readBack->emplace();
    LoadQuickcommands(**readBack, path);
  }
  return true;
}

bool SaveQuickcommands(QuickcommandTable& table, bool hasRows, const std::string& path,
                       std::string* error) {
  std::optional<QuickcommandTable> readBack;
  if (!WriteQuickcommands(table, hasRows, path, error, &readBack)) {
    return false;
  }
  if (readBack) {
    table = std::move(*readBack);
  }
  return true;
}

const QuickcommandEntry* FindQuickcommand(const QuickcommandTable& table, const std::string& typed,
                                          bool caseSensitive) {
  const std::string wanted = caseSensitive ? typed : sys::LowerAscii(typed);
  for (const QuickcommandEntry& entry : table) {
    if ((caseSensitive ? entry.Name : sys::LowerAscii(entry.Name)) == wanted) {
      return &entry;
    }
  }
  return nullptr;
}

namespace {

constexpr char kSearchMark[] = "%s";

// UTF-8 bytes as a URL's query carries them: unreserved characters as they
// are, every other byte (a blank too) as %XX.
std::string QueryEncoded(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~') {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 15];
    }
  }
  return encoded;
}

std::string WithSearch(const std::string& target, const std::string& rest) {
  const std::string lower = sys::LowerAscii(target);
  const bool web = lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0 ||
                   lower.rfind("www.", 0) == 0;
  const std::string put = web ? QueryEncoded(rest) : rest;
  std::string result;
  std::size_t at = 0;
  for (std::size_t mark; (mark = target.find(kSearchMark, at)) != std::string::npos;
       at = mark + 2) {
    result.append(target, at, mark - at).append(put);
  }
  return result.append(target, at);
}

}  // namespace

std::optional<std::string> QuickcommandTarget(const QuickcommandTable& table,
                                              const std::string& line, bool caseSensitive) {
  if (const QuickcommandEntry* entry = FindQuickcommand(table, line, caseSensitive)) {
    return entry->Target.find(kSearchMark) == std::string::npos ? entry->Target
                                                                : WithSearch(entry->Target, "");
  }
  const std::size_t blank = line.find(' ');
  const std::size_t rest = line.find_first_not_of(' ', blank);
  if (blank == std::string::npos || rest == std::string::npos) {
    return std::nullopt;
  }
  const std::string name =
      caseSensitive ? line.substr(0, blank) : sys::LowerAscii(line.substr(0, blank));
  for (const QuickcommandEntry& entry : table) {
    if ((caseSensitive ? entry.Name : sys::LowerAscii(entry.Name)) == name &&
        entry.Target.find(kSearchMark) != std::string::npos) {
      return WithSearch(entry.Target, line.substr(rest));
    }
  }
  return std::nullopt;
}

void RemoveQuickcommand(QuickcommandTable& table, std::size_t k) {
  if (k >= table.size()) {
    return;
  }
  if (table.size() == 1) {
    table.front() = QuickcommandEntry{};
    return;
  }
  table.erase(table.begin() + static_cast<std::ptrdiff_t>(k));
}

bool AddQuickcommand(QuickcommandTable& table, std::size_t& rows, const std::string& target,
                     const std::string& name, sys::FileSystem& files, const EditorPrompts& prompts,
                     sys::Applications* applications) {
  if (name.empty()) {
    prompts.inform("You must type a quickcommand for the file");
    return false;
  }
  if (!IsValidTarget(files, target, applications)) {
    prompts.inform("'" + target + "'\ris not a valid command.");
    return false;
  }
  // Every row is compared, so one Add may ask several questions; each Yes
  // applies to its own entry at once.
  bool asked = false;
  bool lastAnswer = true;
  for (std::size_t k = 0; k < rows && k < table.size(); ++k) {
    QuickcommandEntry& entry = table[k];
    if (entry.Target != target && entry.Name == name) {
      asked = true;
      lastAnswer = prompts.ask(std::string("'")
                                   .append(name)
                                   .append("'already exists.\rChange file to: ")
                                   .append(target)
                                   .append(" ???"));
      if (lastAnswer) {
        entry.Target = target;
      }
    } else if (entry.Target == target) {
      asked = true;
      lastAnswer = prompts.ask(std::string("'")
                                   .append(target)
                                   .append("'already exists.\rChange Quickcommand to: ")
                                   .append(name)
                                   .append(" ???"));
      if (lastAnswer) {
        entry.Name = name;
      }
    }
  }
  if (!asked) {
    // With no rows the table holds only the blank placeholder: the pair
    // takes its place.
    if (rows == 0 && !table.empty()) {
      table.front() = QuickcommandEntry{target, name};
    } else {
      table.push_back(QuickcommandEntry{target, name});
    }
    ++rows;
  }
  return lastAnswer;
}

}  // namespace tarvolin
