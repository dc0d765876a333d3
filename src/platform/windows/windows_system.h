#pragma once

#include "platform/system.h"

namespace tarvolin::platform {

class WindowsSystem : public System {
 public:
  // GetLocalTime, to the millisecond.
  double SecondsSinceMidnight() const override;
  // ExitProcess(0).
  [[noreturn]] void EndProcess() override;
};

}  // namespace tarvolin::platform
