#pragma once

#include "platform/ui.h"

namespace tarvolin {

// The quickcommand editor: targets on the left, names on the right, two
// entry boxes and three buttons below.
platform::FormDesign Form2Design();

}  // namespace tarvolin
