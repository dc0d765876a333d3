#pragma once

#include "platform/ui.h"

namespace tarvolin {

// The command bar: a borderless strip that its text box fills.
platform::FormDesign Form1Design();

}  // namespace tarvolin
