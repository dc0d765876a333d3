// The quickcommands: words of the user's own that stand for a target, in
// memory and in files.cfg, and the editor's changes to them.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sys/applications.h"
#include "sys/filesystem.h"

namespace tarvolin {

inline constexpr char kQuickcommandFileName[] = "files.cfg";

struct QuickcommandEntry {
  std::string Target;
  std::string Name;

  bool operator==(const QuickcommandEntry&) const = default;
};

// Ordered, 0-based; the interpreter finds the first match. After the first
// load it holds at least one entry: one with both fields empty (the blank
// placeholder) stands for an empty table.
using QuickcommandTable = std::vector<QuickcommandEntry>;

// Replaces the table with the records of the file: two lines each, target
// then name, lines ended by CR LF, CR or LF. A last target without a name
// gets an empty name. A file that is missing, unreadable or empty leaves the
// table as it was, or gives the blank placeholder when it is still empty.
void LoadQuickcommands(QuickcommandTable& table, const std::string& path);

// Writes the table to the file (two empty lines when `hasRows` is false),
// each line ended by CR LF. When the file reads back other than the table
// (no rows, a text holding a line break, a character the system's text
// lacks), `readBack` receives what the file now says; else it stays empty,
// sparing a large table's second reading. When the file cannot be written,
// the old file stays as it was, `error` says why, and the result is false.
// Only reads the table: another thread may read it meanwhile.
bool WriteQuickcommands(const QuickcommandTable& table, bool hasRows, const std::string& path,
                        std::string* error, std::optional<QuickcommandTable>* readBack);

// WriteQuickcommands, after which the table holds exactly what the file
// says; on failure the table stays as it was.
bool SaveQuickcommands(QuickcommandTable& table, bool hasRows, const std::string& path,
                       std::string* error);

// What to save when another process saved `disk` since this one read `base`
// and edited it into `ours`: the other's entries, less those this one
// removed, then those this one added (unless the other added them too). An
// entry is its pair of texts; a changed entry is one removed and one added.
QuickcommandTable MergeQuickcommands(const QuickcommandTable& base, const QuickcommandTable& ours,
                                     const QuickcommandTable& disk);

// The first entry named `typed`: compared exactly when caseSensitive is on,
// else with the letters A to Z folded. Null when none matches.
const QuickcommandEntry* FindQuickcommand(const QuickcommandTable& table, const std::string& typed,
                                          bool caseSensitive);

// What a line runs through the quickcommands, or nothing when it names
// none: the target of the first entry named the whole line, or else, for a
// line of a name and more, of the first entry of that name whose target
// holds %s (a search word). Each %s of a target takes the rest of the line
// (empty for the name alone): percent-encoded as a query in a web address,
// as typed in anything else.
std::optional<std::string> QuickcommandTarget(const QuickcommandTable& table,
                                              const std::string& line, bool caseSensitive);

// Removes entry k; the last remaining entry is blanked instead.
void RemoveQuickcommand(QuickcommandTable& table, std::size_t k);

// How the editor talks to the user while adding: a message with an OK
// button, and a Yes/No question (true for Yes).
struct EditorPrompts {
  std::function<void(const std::string& text)> inform;
  std::function<bool(const std::string& question)> ask;
};

// The editor's Add of the typed pair. `rows` is the number of rows the
// editor's lists show: the table's size, or 0 once its last row was removed
// (the table then holds the blank placeholder). An empty name or a target
// that IsValidTarget refuses is reported and changes nothing. A pair whose
// name or target is stored already asks, for every such entry in turn,
// whether to change it; otherwise the pair is appended (or takes the
// placeholder's place when there are no rows). True when the editor empties
// its boxes: unless the last question was answered No.
bool AddQuickcommand(QuickcommandTable& table, std::size_t& rows, const std::string& target,
                     const std::string& name, sys::FileSystem& files, const EditorPrompts& prompts,
                     sys::Applications* applications = nullptr);

}  // namespace tarvolin
