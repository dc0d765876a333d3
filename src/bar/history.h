// The last four commands that led to an action, newest first, and browsing
// through them with Down (older) and Up (newer).
#pragma once

#include "bar/bar_state.h"
#include "platform/ui.h"

namespace tarvolin {

inline constexpr std::size_t kHistorySize = 4;

// Records the box text as the newest entry, marks the command handled,
// resets browsing and empties the box. The list does not grow while its
// newest entry is empty: the oldest entry is dropped instead.
void AddToHistory(BarState& bar, platform::TextBox& box);

// Down: shows the next older entry, stopping at the oldest, selected whole.
void BrowseOlder(BarState& bar, platform::TextBox& box);

// Up: shows the next newer entry, selected whole; one step past the newest
// gives an empty box.
void BrowseNewer(BarState& bar, platform::TextBox& box);

// Selects the whole text of the box.
void SelectAll(platform::TextBox& box);

}  // namespace tarvolin
