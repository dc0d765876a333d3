// Completing the typed line from the history after a pause in typing.
#pragma once

#include "bar/bar_state.h"
#include "platform/ui.h"

namespace tarvolin {

// Seconds without a change of the text before the line is completed.
inline constexpr double kCompletionPause = 0.75;

// Whether the pause has passed (strictly) and nothing is selected. A time of
// day that went back past midnight never counts as a pause.
bool CompletionDue(const BarState& bar, const platform::TextBox& box, double now);

// Walks the history from the newest entry to the oldest; each entry that
// begins with the box text (capitals distinct) replaces it, with the added
// part selected. The walk goes on after a match, so a later entry can only
// extend the proposal.
void CompleteFromHistory(const BarState& bar, platform::TextBox& box);

}  // namespace tarvolin
