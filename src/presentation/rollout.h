// Shows a dialog next to the command bar and unrolls it out of the bar.
#pragma once

#include <cstdint>

#include "platform/ui.h"

namespace tarvolin {

// Shows `dialog` (not modal) at the bar and grows it in steps of 200 twips,
// repainting after each step, until it is at least as tall as it was when
// the call began. Below a bar in a top corner (1, 2) it grows downwards from
// the bar's lower edge; above a bar in any other corner it grows upwards, its
// lower edge staying 150 twips plus the bar's height above the bar's top.
// Its left edge is the bar's, or further left so that it ends at the
// screen's right edge.
//
// The dialog's form must be loaded (its load handler run) before the call:
// its height as it then stands is the target. A dialog that is still shown
// from an earlier roll-out collapses and unrolls again from its current
// height, so it can end up to one step taller each time.
void RollOutForm(platform::Window& dialog, const platform::Window& bar,
                 const platform::Screen& screen, std::int16_t cornerCode);

}  // namespace tarvolin
