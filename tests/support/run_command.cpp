#include "support/run_command.h"

#include <cstdio>

namespace tarvolin::testing {

std::string RunCommand(const std::string& command) {
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
      output += buffer;
    }
    ::pclose(pipe);
  }
  return output;
}

}  // namespace tarvolin::testing
