// Turns one line of the command bar into an action.
//
// Neither routine returns a result. A command that is carried out calls
// AddToHistory, which marks it handled and empties the box; one that is not
// leaves its status text in BarState::StatusMessage.
#pragma once

#include <string>

namespace tarvolin {

class Program;

// Finds the first quickcommand whose name is the text (without regard to
// case unless CaseSensitive is on) and dispatches its target.
void RunQuickcommand(Program& program, const std::string& text);

// Built-in words, web addresses by prefix and by ending, drive paths, and
// bare program names in the two Windows folders, in that order.
void DispatchCommand(Program& program, std::string text);

}  // namespace tarvolin
