#include "quickcommands/quickcommand_table.h"

#include <cstddef>
#include <ios>
#include <string_view>
#include <utility>

#include "platform/file_io.h"
#include "platform/filesystem.h"
#include "platform/text.h"

namespace tarvolin {

void QuickcommandTable::Append(const std::string& target, const std::string& name) {
  entries_.push_back(QuickcommandEntry{target, name});
}

void QuickcommandTable::Remove(int index) {
  if (index < 0 || index >= Count()) {
    return;
  }
  if (entries_.size() == 1) {
    // The table never becomes empty: its last entry turns into the blank
    // placeholder instead.
    entries_.front() = QuickcommandEntry{};
    return;
  }
  entries_.erase(entries_.begin() + index);
}

std::string QuickcommandFilePath(const std::string& programFolder) {
  return platform::FileInFolder(programFolder, kQuickcommandFileName);
}

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
  return platform::FromSystemText(std::string(line));
}

// The whole file, or empty text when there is none or it cannot be read.
std::string ReadFileOrNothing(const std::string& path) {
  std::string bytes;
  if (!platform::ReadWholeFile(path, &bytes)) {
    bytes.clear();
  }
  return bytes;
}

}  // namespace

void LoadQuickcommands(QuickcommandTable& table, const std::string& programFolder) {
  const std::string bytes = ReadFileOrNothing(QuickcommandFilePath(programFolder));
  if (bytes.empty()) {
    // Nothing to read: the table keeps what it holds, and the rest of the
    // program still gets the one entry it relies on.
    if (table.Empty()) {
      table.Assign({QuickcommandEntry{}});
    }
    return;
  }

  const std::vector<std::string_view> lines = SplitLines(bytes);
  std::vector<QuickcommandEntry> entries;
  entries.reserve((lines.size() + 1) / 2);
  for (std::size_t i = 0; i < lines.size(); i += 2) {
    QuickcommandEntry entry;
    entry.Target = LineText(lines[i]);
    // A target line without a name line after it gives an empty name.
    if (i + 1 < lines.size()) {
      entry.Name = LineText(lines[i + 1]);
    }
    entries.push_back(std::move(entry));
  }
  table.Assign(std::move(entries));
}

bool SaveQuickcommands(QuickcommandTable& table, bool hasRows, const std::string& programFolder,
                       std::string* error) {
  static constexpr std::string_view kLineEnd = "\r\n";
  std::string bytes;
  if (hasRows) {
    std::size_t size = 0;
    for (const QuickcommandEntry& entry : table.Entries()) {
      size += entry.Target.size() + entry.Name.size() + 2 * kLineEnd.size();
    }
    bytes.reserve(size);
    for (const QuickcommandEntry& entry : table.Entries()) {
      bytes += platform::ToSystemText(entry.Target);
      bytes += kLineEnd;
      bytes += platform::ToSystemText(entry.Name);
      bytes += kLineEnd;
    }
  } else {
    // No rows in the editor: the file holds two empty lines, which read back
    // as the blank placeholder, whatever the table still holds.
    bytes.assign(kLineEnd);
    bytes += kLineEnd;
  }

  std::string reason;
  if (!platform::WriteFileReplacing(QuickcommandFilePath(programFolder), bytes, &reason)) {
    if (error != nullptr) {
      *error = reason.empty() ? std::string("the file could not be written") : reason;
    }
    return false;
  }
  // The table is read back so that it holds exactly what the file now says.
  LoadQuickcommands(table, programFolder);
  return true;
}

}  // namespace tarvolin
