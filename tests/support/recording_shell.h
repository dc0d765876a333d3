// A shell that records what it was asked to open, and in which folder.
#pragma once

#include <string>
#include <vector>

#include "sys/shell.h"

namespace tarvolin::testing {

class RecordingShell : public sys::Shell {
 public:
  struct Call {
    std::string target;
    std::string folder;  // the current folder at the moment of the call
    bool operator==(const Call&) const = default;
  };

  void Open(const std::string& target) override;

  std::vector<Call> calls;
};

}  // namespace tarvolin::testing
