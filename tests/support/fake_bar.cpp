// A stand-in for the bar's library, for the launcher's test: it notes where
// it was loaded from and the arguments it was given, and ends with status 7.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

extern "C" __attribute__((visibility("default"))) int tarvolin_bar_main(int argc, char* argv[]) {
  Dl_info self{};
  ::dladdr(reinterpret_cast<void*>(&tarvolin_bar_main), &self);
  std::FILE* log = std::fopen(std::getenv("FAKE_BAR_LOG"), "w");
  std::fputs(self.dli_fname, log);
  for (int i = 1; i < argc; ++i) {
    std::fprintf(log, " %s", argv[i]);
  }
  std::fputs(argv[argc] == nullptr ? "" : " (no end to the arguments)", log);
  std::fclose(log);
  return 7;
}
