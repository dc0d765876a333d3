#pragma once

#include "platform/ui.h"

namespace tarvolin {

// The help screen: the command list in a frame, two buttons for the
// program's documents at the right.
platform::FormDesign Form3Design();

// The hidden screen: a picture and one line of text.
platform::FormDesign Form4Design();

}  // namespace tarvolin
