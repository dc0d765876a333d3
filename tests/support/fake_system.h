// A system whose clock the test sets, and whose end of the process is an
// exception the test can catch.
#pragma once

#include <stdexcept>

#include "platform/system.h"

namespace tarvolin::testing {

struct ProcessEnded : std::runtime_error {
  ProcessEnded() : std::runtime_error("the program ended the process") {}
};

class FakeSystem : public platform::System {
 public:
  double SecondsSinceMidnight() const override { return now; }
  void EndProcess() override {
    ++endCount;
    throw ProcessEnded();
  }

  double now = 3600.0;
  int endCount = 0;
};

}  // namespace tarvolin::testing
