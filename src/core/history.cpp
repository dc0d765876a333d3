#include "core/history.h"

#include <algorithm>

namespace tarvolin {

void AddToHistory(CommandHistory& history, const std::string& line) {
  std::vector<std::string>& entries = history.entries;
  if (entries.empty()) {
    entries.emplace_back();
  }
  if (!entries.front().empty() && entries.size() < kHistorySize) {
    entries.emplace_back();
  }
  for (std::size_t i = entries.size() - 1; i >= 1; --i) {
    entries[i] = entries[i - 1];
  }
  entries.front() = line;
  history.position = -1;
}

std::string BrowseOlder(CommandHistory& history) {
  const auto last = static_cast<std::int16_t>(history.entries.size() - 1);
  history.position = std::min<std::int16_t>(static_cast<std::int16_t>(history.position + 1), last);
  return history.entries[static_cast<std::size_t>(history.position)];
}

std::string BrowseNewer(CommandHistory& history) {
  history.position = std::max<std::int16_t>(static_cast<std::int16_t>(history.position - 1), -1);
  return history.position == -1 ? std::string()
                                : history.entries[static_cast<std::size_t>(history.position)];
}

std::optional<Completion> CompleteFromHistory(const CommandHistory& history,
                                              const std::string& typed) {
  if (typed.empty()) {
    return std::nullopt;
  }
  std::optional<Completion> proposal;
  std::string current = typed;
  for (const std::string& entry : history.entries) {
    if (entry.compare(0, current.size(), current) == 0 && entry.size() >= current.size()) {
      proposal = Completion{entry, current.size()};
      current = entry;
    }
  }
  return proposal;
}

}  // namespace tarvolin
