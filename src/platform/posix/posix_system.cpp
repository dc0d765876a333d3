#include "platform/posix/posix_system.h"

#include <time.h>

#include <cstdlib>

namespace tarvolin::platform {

double PosixSystem::SecondsSinceMidnight() const {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  ::localtime_r(&now.tv_sec, &local);
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
         static_cast<double>(now.tv_nsec) / 1e9;
}

void PosixSystem::EndProcess() {
  std::_Exit(0);
}

}  // namespace tarvolin::platform
