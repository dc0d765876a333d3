// A shell that records what it was asked to open or start, and the folder
// it starts in, and answers with `failure` (empty: it started); `failed`
// are openings that fail later.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sys/shell.h"

namespace tarvolin::testing {

using Calls = std::vector<std::pair<std::string, std::string>>;

struct RecordingShell : sys::Shell {
  std::string Open(const std::string& target, const std::string& folder) override {
    calls.emplace_back(target, folder);
    return failure;
  }
  // A program and its arguments, joined by "|".
  std::string Start(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& folder) override {
    std::string line = program;
    for (const std::string& argument : arguments) {
      line += "|" + argument;
    }
    calls.emplace_back(line, folder);
    return failure;
  }
  std::string StartInTerminal(const std::string& program, const std::vector<std::string>& arguments,
                              const std::string& folder) override {
    return Start("terminal " + program, arguments, folder);
  }
  std::vector<std::string> FailedOpenings() override { return std::exchange(failed, {}); }
  bool Watching() const override { return watching; }
  Calls Taken() { return std::exchange(calls, {}); }

  Calls calls;
  std::string failure;
  std::vector<std::string> failed;
  bool watching = false;
};

}  // namespace tarvolin::testing
