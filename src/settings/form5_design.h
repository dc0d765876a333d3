#pragma once

#include "platform/ui.h"

namespace tarvolin {

// The options dialog: a tab strip over three frames lying on top of each
// other, one shown at a time.
platform::FormDesign Form5Design();

}  // namespace tarvolin
