// A shell that records what it was asked to open, and in which folder.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "sys/shell.h"

namespace tarvolin::testing {

class RecordingShell : public sys::Shell {
 public:
  struct Call {
    std::string target;  // with Start, the program and its arguments joined by blanks
    std::string folder;  // the folder it starts in
    bool operator==(const Call&) const = default;
  };

  // Each call is recorded and answered with `failure` (empty: it started).
  std::string Open(const std::string& target) override {
    std::error_code ec;
    calls.push_back({target, std::filesystem::current_path(ec).string()});
    return failure;
  }
  std::string Start(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& folder) override {
    std::string line = program;
    for (const std::string& argument : arguments) {
      line += " " + argument;
    }
    calls.push_back({line, folder});
    return failure;
  }

  std::vector<Call> calls;
  std::string failure;
};

}  // namespace tarvolin::testing
