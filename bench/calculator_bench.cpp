// The calculator's cost as the Linux bar pays it: whether loading the bar's
// own library loads muParser's (it should not), then the first "=" (the
// calculator's module loaded, muParser's library with it, and the parser
// made), and each one after, which is the same process's floor for a
// calculation. Run by hand:
//
//   build/bench/calculator_bench build/bin
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bar/calculator.h"

namespace {

double Milliseconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

bool MuParserLoaded() {
  return ::dlopen("libmuparser.so.2", RTLD_NOW | RTLD_NOLOAD) != nullptr;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: calculator_bench PROGRAM_FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  auto start = std::chrono::steady_clock::now();
  if (::dlopen((folder + "/libtarvolin-bar.so").c_str(), RTLD_LAZY | RTLD_LOCAL) == nullptr) {
    std::fprintf(stderr, "calculator_bench: %s\n", ::dlerror());
    return 1;
  }
  const double bar = Milliseconds(start);
  const bool withBar = MuParserLoaded();
  start = std::chrono::steady_clock::now();
  void* module = ::dlopen((folder + "/libtarvolin_calc.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  const auto calculate = module != nullptr ? reinterpret_cast<tarvolin::bar::CalculateFunction>(
                                                 ::dlsym(module, tarvolin::bar::kCalculateName))
                                           : nullptr;
  if (calculate == nullptr) {
    std::fprintf(stderr, "calculator_bench: %s\n", ::dlerror());
    return 1;
  }
  const std::string first = "2+3*4";
  tarvolin::bar::Calculation result;
  calculate(&first, &result);
  const double firstMs = Milliseconds(start);
  constexpr int kRounds = 1000;
  const std::string line = "sqrt(2)/3+0x1f^2";
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) {
    calculate(&line, &result);
  }
  const double each = Milliseconds(start) / kRounds;
  std::printf("the bar's library loaded: %.2f ms; muParser's with it: %s\n", bar,
              withBar ? "yes" : "no");
  std::printf("first \"=\" (module, muParser and parser): %.3f ms\n", firstMs);
  std::printf("each \"=\" after:                          %.4f ms (first/after %.0fx)\n", each,
              firstMs / each);
}
