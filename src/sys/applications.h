// The desktop's applications by the names its menus show them under: what
// a user types who does not know (or have) the program's file name.
#pragma once

#include <string>
#include <vector>

namespace tarvolin::sys {

class Applications {
 public:
  virtual ~Applications() = default;

  // The application a name stands for, compared without regard to case
  // (its Name, else its GenericName; the user's own entries first), as an
  // id for Launch; empty when there is none.
  virtual std::string Find(const std::string& name) = 0;

  // Every name Find knows, each once, for completion.
  virtual std::vector<std::string> Names() = 0;

  // Starts the application found as `id` in `folder`; in a terminal when
  // `inTerminal` or when the application says it needs one. Empty text
  // when it started, else why not.
  virtual std::string Launch(const std::string& id, const std::string& folder, bool inTerminal) = 0;
};

using ApplicationsFactory = Applications* (*)();
inline constexpr char kApplicationsFactoryName[] = "tarvolin_create_applications";

}  // namespace tarvolin::sys
