// The first line that needs the desktop's applications, in a process of its
// own as in the bar: the GIO module loaded, the entries read and a name
// looked up that none has; then a second lookup, from what was read.
//
//   apps_bench /path/to/libtarvolin_apps.so   prints "first=MS again=MS"
//
// bench/run runs it with its 500 entries in XDG_DATA_HOME.
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "sys/applications.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: apps_bench /path/to/libtarvolin_apps.so\n");
    return 2;
  }
  using Clock = std::chrono::steady_clock;
  const auto ms = [](Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
  };
  const auto start = Clock::now();
  void* module = ::dlopen(argv[1], RTLD_NOW);
  const auto create = module != nullptr
                          ? reinterpret_cast<tarvolin::sys::ApplicationsFactory>(
                                ::dlsym(module, tarvolin::sys::kApplicationsFactoryName))
                          : nullptr;
  if (create == nullptr) {
    std::fprintf(stderr, "apps_bench: %s\n", ::dlerror());
    return 1;
  }
  const std::unique_ptr<tarvolin::sys::Applications> applications(create());
  const bool missed = applications->Find("no such application").empty();
  const auto first = Clock::now();
  const bool found = !applications->Find("Application 250").empty();
  const auto again = Clock::now();
  if (!missed || !found) {
    std::fprintf(stderr, "apps_bench: the lookups gave the wrong answers\n");
    return 1;
  }
  std::printf("first=%.2f again=%.3f\n", ms(first - start), ms(again - first));
  return 0;
}
