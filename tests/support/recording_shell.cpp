#include "support/recording_shell.h"

#include <filesystem>
#include <system_error>

namespace tarvolin::testing {

std::string RecordingShell::Open(const std::string& target) {
  std::error_code ec;
  calls.push_back({target, std::filesystem::current_path(ec).string()});
  return failure;
}

std::string RecordingShell::Start(const std::string& program,
                                  const std::vector<std::string>& arguments,
                                  const std::string& folder) {
  std::string line = program;
  for (const std::string& argument : arguments) {
    line += " " + argument;
  }
  calls.push_back({line, folder});
  return failure;
}

}  // namespace tarvolin::testing
