// Process-wide services: the time of day and ending the process.
#pragma once

namespace tarvolin::platform {

class System {
 public:
  virtual ~System() = default;
  // Seconds since midnight, local time, with fractions.
  virtual double SecondsSinceMidnight() const = 0;
  // Ends the process at once: nothing is saved, no window is closed.
  virtual void EndProcess() = 0;
};

}  // namespace tarvolin::platform
