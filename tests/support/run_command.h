// Runs a shell command line (a test's own tool call, such as xprop) and
// returns what it printed.
#pragma once

#include <string>

namespace tarvolin::testing {

std::string RunCommand(const std::string& command);

}  // namespace tarvolin::testing
