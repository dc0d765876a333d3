#include "sys/applications.h"

#include <algorithm>

namespace tarvolin::sys {

std::string NamedApplications::Find(const std::string& name) {
  Load(false);
  std::string id = Lookup(name);
  if (id.empty() && Load(true)) {
    id = Lookup(name);
  }
  return id;
}

std::vector<std::string> NamedApplications::Names() {
  Load(false);
  std::vector<std::string> names;
  for (const Entry& entry : entries_) {
    for (const std::string* name : {&entry.name, &entry.otherName}) {
      if (!name->empty() && std::find(names.begin(), names.end(), *name) == names.end()) {
        names.push_back(*name);
      }
    }
  }
  return names;
}

bool NamedApplications::Load(bool again) {
  const auto now = std::chrono::steady_clock::now();
  if (loaded_ && (!again || now - loadedAt_ < std::chrono::seconds(2))) {
    return false;
  }
  loaded_ = true;
  loadedAt_ = now;
  entries_ = Read();
  keys_.clear();
  for (const Entry& entry : entries_) {
    keys_.push_back({Folded(entry.name), Folded(entry.otherName)});
  }
  return true;
}

std::string NamedApplications::Lookup(const std::string& name) const {
  const std::string wanted = Folded(name);
  if (wanted.empty()) {
    return {};
  }
  for (const auto field : {&Keys::name, &Keys::otherName}) {
    for (std::size_t k = 0; k < entries_.size(); ++k) {
      if (keys_[k].*field == wanted) {
        return entries_[k].id;
      }
    }
  }
  return {};
}

}  // namespace tarvolin::sys
