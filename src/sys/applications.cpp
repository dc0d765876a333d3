#include "sys/applications.h"

#include "sys/text.h"

#include <algorithm>
#include <unordered_set>

namespace tarvolin::sys {

std::vector<Applications::Choice> NamedApplications::FindAll(const std::string& name) {
  Load(false);
  std::vector<const Entry*> entries = Lookup(name);
  if (entries.empty() && Load(true)) {
    entries = Lookup(name);
  }
  std::vector<Choice> found;
  found.reserve(entries.size());
  for (const Entry* entry : entries) {
    found.push_back({entry->id, entry->detail, entry->icon, entry->name});
  }
  return found;
}

std::string NamedApplications::Find(const std::string& name) {
  const std::vector<Choice> found = FindAll(name);
  return found.empty() ? std::string() : found.front().id;
}

std::string NamedApplications::Fold(const std::string& name) {
  const std::string folded = Folded(name);
  return folded.empty() ? LowerAscii(name) : Bare(folded);
}

std::vector<std::string> NamedApplications::Names() {
  // Fresh for completion too: read again once a folder they came from
  // changed (asked at most every two seconds).
  if (!Load(false)) {
    Load(true);
  }
  return names_;
}

bool NamedApplications::Load(bool again) {
  const auto now = std::chrono::steady_clock::now();
  if (loaded_ && (!again || now - loadedAt_ < std::chrono::seconds(2) || !Changed())) {
    return false;
  }
  loaded_ = true;
  loadedAt_ = now;
  entries_ = Read();
  keys_.clear();
  names_.clear();
  std::unordered_set<std::string> named;
  for (Entry& entry : entries_) {
    for (std::string* name : {&entry.name, &entry.otherName}) {
      if (name->size() > kMaxNameBytes) {
        name->clear();
      }
      if (!name->empty() && named.insert(*name).second) {
        names_.push_back(*name);
      }
    }
    keys_.push_back({Folded(entry.name), Folded(entry.otherName)});
  }
  return true;
}

std::vector<const NamedApplications::Entry*> NamedApplications::Lookup(
    const std::string& name) const {
  std::vector<const Entry*> found;
  const std::string wanted = Folded(name);
  if (wanted.empty()) {
    return found;
  }
  for (const auto field : {&Keys::name, &Keys::otherName}) {
    for (std::size_t k = 0; k < entries_.size(); ++k) {
      if (keys_[k].*field == wanted) {
        found.push_back(&entries_[k]);
      }
    }
    if (!found.empty()) {
      break;
    }
  }
  return found;
}

}  // namespace tarvolin::sys
