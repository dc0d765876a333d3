#include "support/recording_shell.h"

#include <filesystem>
#include <system_error>

namespace tarvolin::testing {

void RecordingShell::Open(const std::string& target) {
  std::error_code ec;
  calls.push_back({target, std::filesystem::current_path(ec).string()});
}

}  // namespace tarvolin::testing
