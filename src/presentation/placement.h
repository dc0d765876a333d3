// Puts the command bar into its corner of the primary screen.
#pragma once

#include <cstdint>

#include "platform/ui.h"

namespace tarvolin {

// Corner 1 top left, 2 top right, 3 bottom left, anything else bottom right.
// Changes only the bar's Top and Left, Top first.
void PlaceCommandBar(platform::Window& bar, const platform::Screen& screen, std::int16_t corner);

}  // namespace tarvolin
