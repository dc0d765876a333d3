// The desktop's applications by the names its menus show them under: what
// a user types who does not know (or have) the program's file name.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "sys/text.h"

namespace tarvolin::sys {

class Applications {
 public:
  virtual ~Applications() = default;

  // The application a name stands for, compared without regard to case
  // (its Name, else its GenericName; the user's own entries first), as an
  // id for Launch; empty when there is none.
  virtual std::string Find(const std::string& name) = 0;

  // An application told apart from others of the same name: its id for
  // Launch, what tells it apart (its entry's or shortcut's name), its icon
  // (a themed icon's name or a file) and its name as it gives it, each
  // empty where it has none.
  struct Choice {
    std::string id;
    std::string detail;
    std::string icon;
    std::string name = {};
  };
  // Every application `name` stands for, Find's first.
  virtual std::vector<Choice> FindAll(const std::string& name) = 0;

  // Every name Find knows, each once, for completion.
  virtual std::vector<std::string> Names() = 0;

  // Starts the application found as `id` in `folder`; in a terminal when
  // `inTerminal` or when the application says it needs one. Empty text
  // when it started, else why not.
  virtual std::string Launch(const std::string& id, const std::string& folder, bool inTerminal) = 0;

  // `name` as Tab compares it: case folded as the system folds it, the
  // letters A to Z at least. Inline, as every virtual here: the module
  // and its users share no object file that could hold them.
  virtual std::string Fold(const std::string& name) { return LowerAscii(name); }

  // Reads the names beside the GUI thread now, so that the first line that
  // needs them finds them in; the next question waits for what is left.
  virtual void Prefetch() {}
};

// What both systems' applications share: the names are read at the first
// question, and again when a name is not found, they were read two seconds
// or more before and a folder they came from changed (an application
// installed since). A name longer than kMaxNameBytes is no application's.
class NamedApplications : public Applications {
 public:
  std::string Find(const std::string& name) final;
  std::vector<Choice> FindAll(const std::string& name) final;
  std::vector<std::string> Names() final;
  std::string Fold(const std::string& name) final;

  static constexpr std::size_t kMaxNameBytes = 1024;

 protected:
  // An application and the names it goes by: its name, and a second one
  // (GenericName) that a name matches only where no application's first
  // name does; empty when it has none.
  struct Entry {
    std::string id;
    std::string name;
    std::string otherName;
    std::string detail = {};
    std::string icon = {};
  };
  // Every application, in the order a name is looked for among them.
  virtual std::vector<Entry> Read() = 0;
  // The form in which two names that the system holds alike compare
  // equal; empty for a name that matches nothing.
  virtual std::string Folded(const std::string& name) const = 0;
  // A folded name as Tab compares it: the system's accents taken off its
  // letters (é to e), so that a bare letter typed finds them.
  virtual std::string Bare(const std::string& folded) const { return folded; }
  // Whether the entries may have changed since Read: true when the system
  // cannot tell cheaply.
  virtual bool Changed() { return true; }

 private:
  // Reads the entries unless they were read already (with `again`, read
  // two seconds or more before). True when it read them.
  bool Load(bool again);
  // The entries `name` stands for: those it names first, else those it
  // names second.
  std::vector<const Entry*> Lookup(const std::string& name) const;

  // Each entry's names, folded.
  struct Keys {
    std::string name;
    std::string otherName;
  };
  bool loaded_ = false;
  std::chrono::steady_clock::time_point loadedAt_;
  std::vector<Entry> entries_;
  std::vector<Keys> keys_;
  std::vector<std::string> names_;
};

using ApplicationsFactory = Applications* (*)();
inline constexpr char kApplicationsFactoryName[] = "tarvolin_create_applications";

}  // namespace tarvolin::sys
