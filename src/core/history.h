// The last four commands that led to an action, newest first; browsing them
// with Down (older) and Up (newer); completing a typed line from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvolin {

inline constexpr std::size_t kHistorySize = 4;

struct CommandHistory {
  // One to four entries, newest first; a new run starts with one empty one.
  std::vector<std::string> entries{std::string()};
  // The entry browsing shows last, -1 for none.
  std::int16_t position = -1;
};

// Records a line as the newest entry and resets browsing. The list grows only
// while its newest entry is not empty; otherwise the oldest is dropped.
void AddToHistory(CommandHistory& history, const std::string& line);

// Down: the next older entry, stopping at the oldest.
std::string BrowseOlder(CommandHistory& history);
// Up: the next newer entry; one step past the newest gives empty text.
std::string BrowseNewer(CommandHistory& history);

// A proposal for the typed text: the completed line and how many of its
// leading bytes were there before (the rest is the added part, to select).
struct Completion {
  std::string text;
  std::size_t keptBytes = 0;
};

// Walks the entries from the newest to the oldest; each one that begins with
// the line as completed so far (capitals distinct) replaces it. Nothing for
// an empty text or when no entry matches.
std::optional<Completion> CompleteFromHistory(const CommandHistory& history,
                                              const std::string& typed);

// Seconds without a change of the text before the line is completed.
inline constexpr double kCompletionPause = 0.75;

}  // namespace tarvolin
