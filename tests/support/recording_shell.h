// A shell that records what it was asked to open, and in which folder.
#pragma once

#include <string>
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

  // Records the call and answers with `failure` (empty: it started).
  std::string Open(const std::string& target) override;
  std::string Start(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& folder) override;

  std::vector<Call> calls;
  std::string failure;
};

}  // namespace tarvolin::testing
