// The calculator's cost: loading muParser's library (which the bar's own
// library loads at start-up, as it needs it), the first "=" (the parser
// made), and each one after, against a line's other work measured as the
// same process's floor (an empty evaluation loop). Run by hand:
//
//   build/bench/calculator_bench
#include <dlfcn.h>

#include <chrono>
#include <cstdio>

#include "bar/calculator.h"

namespace {

double Milliseconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main() {
  auto start = std::chrono::steady_clock::now();
  void* library = ::dlopen("libmuparser.so.2", RTLD_NOW | RTLD_NOLOAD);
  const bool loadedAlready = library != nullptr;
  const double load = Milliseconds(start);
  start = std::chrono::steady_clock::now();
  const auto first = tarvolin::bar::Calculate("2+3*4");
  const double firstMs = Milliseconds(start);
  constexpr int kRounds = 1000;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) {
    tarvolin::bar::Calculate("sqrt(2)/3+0x1f^2");
  }
  const double each = Milliseconds(start) / kRounds;
  std::printf("muParser's library loaded with the program: %s (lookup %.3f ms)\n",
              loadedAlready ? "yes" : "no", load);
  std::printf("first calculation (parser made): %.3f ms -> %s\n", firstMs, first.text.c_str());
  std::printf("each calculation after:          %.4f ms (first/after %.1fx)\n", each,
              firstMs / each);
}
