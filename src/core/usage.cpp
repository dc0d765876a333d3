#include "core/usage.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>
#include <string_view>

namespace tarvolin {

namespace {

constexpr char kHeader[] = "runs\t";

template <typename Number>
bool ParseNumber(std::string_view text, Number* value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

// Line by line: "runs\tN" once, then "weight\trun\tname" for each name.
UsageTable UsageTable::Parse(const std::string& bytes) {
  UsageTable table;
  std::istringstream lines(bytes);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (line.starts_with(kHeader)) {
      ParseNumber(std::string_view(line).substr(sizeof kHeader - 1), &table.runs_);
      continue;
    }
    const std::size_t first = line.find('\t');
    const std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
    Use use;
    if (second == std::string::npos || second + 1 == line.size() ||
        line.find('\r') != std::string::npos ||
        !ParseNumber(std::string_view(line).substr(0, first), &use.weight) ||
        !ParseNumber(std::string_view(line).substr(first + 1, second - first - 1), &use.at) ||
        !std::isfinite(use.weight) || use.weight <= 0) {
      continue;
    }
    table.uses_[line.substr(second + 1)] = use;
  }
  // A run from the future (a file edited by hand) counts as the latest.
  for (auto& [name, use] : table.uses_) {
    use.at = std::min(use.at, table.runs_);
  }
  while (table.uses_.size() > kMaxNames) {
    table.Record({});
  }
  return table;
}

std::string UsageTable::Format() const {
  std::ostringstream text;
  text.precision(6);
  text << kHeader << runs_ << '\n';
  for (const auto& [name, use] : uses_) {
    text << use.weight << '\t' << use.at << '\t' << name << '\n';
  }
  return text.str();
}

double UsageTable::WeightOf(const Use& use) const {
  return use.weight * std::exp2(-static_cast<double>(runs_ - use.at) / kHalfLife);
}

double UsageTable::Weight(const std::string& name) const {
  const auto found = uses_.find(name);
  return found == uses_.end() ? 0 : WeightOf(found->second);
}

void UsageTable::Record(const std::string& name) {
  // A name that would break its line is not kept; an empty one only makes
  // room.
  if (!name.empty() && name.find_first_of("\r\n") == std::string::npos) {
    const double weight = Weight(name) + 1;
    uses_[name] = {weight, ++runs_};
  }
  while (uses_.size() > kMaxNames) {
    auto lightest = uses_.begin();
    for (auto it = uses_.begin(); it != uses_.end(); ++it) {
      if (WeightOf(it->second) < WeightOf(lightest->second)) {
        lightest = it;
      }
    }
    uses_.erase(lightest);
  }
}

}  // namespace tarvolin
