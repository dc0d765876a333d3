// The quickcommands in memory and in files.cfg.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace tarvolin {

inline constexpr char kQuickcommandFileName[] = "files.cfg";

struct QuickcommandEntry {
  std::string Target;
  std::string Name;

  bool operator==(const QuickcommandEntry&) const = default;
};

// Ordered, 0-based. After the first load it always holds at least one entry;
// one entry with both fields empty (the blank placeholder) stands for an
// empty table.
class QuickcommandTable {
 public:
  int Count() const { return static_cast<int>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }
  QuickcommandEntry& operator[](int index) { return entries_.at(static_cast<std::size_t>(index)); }
  const QuickcommandEntry& operator[](int index) const {
    return entries_.at(static_cast<std::size_t>(index));
  }
  const std::vector<QuickcommandEntry>& Entries() const { return entries_; }

  void Append(const std::string& target, const std::string& name);
  // Removes entry k; the last remaining entry is blanked instead.
  void Remove(int index);
  void Assign(std::vector<QuickcommandEntry> entries) { entries_ = std::move(entries); }

 private:
  std::vector<QuickcommandEntry> entries_;
};

// The full path of files.cfg in the program folder.
std::string QuickcommandFilePath(const std::string& programFolder);

// Replaces the table with the records of files.cfg. A file that is missing,
// unreadable or empty leaves the table as it was, or gives the blank
// placeholder when the table is still empty.
void LoadQuickcommands(QuickcommandTable& table, const std::string& programFolder);

// Writes the table to files.cfg (two empty lines when `hasRows` is false),
// then loads it back. When the file cannot be written, the old file and the
// table stay as they were, `error` says why, and the result is false.
bool SaveQuickcommands(QuickcommandTable& table, bool hasRows, const std::string& programFolder,
                       std::string* error);

}  // namespace tarvolin
