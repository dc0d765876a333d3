#pragma once

#include "platform/system.h"

namespace tarvolin::platform {

class PosixSystem : public System {
 public:
  double SecondsSinceMidnight() const override;
  void EndProcess() override;
};

}  // namespace tarvolin::platform
