// How often and how lately the user ran each name: Tab's candidates that
// match equally well come in this order. The table is kept in a small
// file of its own; it never changes what a line means.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace tarvolin {

inline constexpr char kUsageFileName[] = "usage.cfg";

class UsageTable {
 public:
  // At most this many names are kept: the one that weighs least goes.
  static constexpr std::size_t kMaxNames = 300;
  // A run counts half after this many later runs, a quarter after twice as
  // many, and so on.
  static constexpr double kHalfLife = 50;

  // Reads the file's text; a line that makes no sense is skipped.
  static UsageTable Parse(const std::string& bytes);
  std::string Format() const;
  // One more run of `name` (as the caller folds names).
  void Record(const std::string& name);
  // How much `name` weighs now: 0 for a name never run.
  double Weight(const std::string& name) const;
  std::size_t Size() const { return uses_.size(); }

 private:
  struct Use {
    double weight = 0;
    std::uint64_t at = 0;
  };
  double WeightOf(const Use& use) const;

  // Runs recorded so far: a run's number says how lately it was.
  std::uint64_t runs_ = 0;
  std::unordered_map<std::string, Use> uses_;
};

}  // namespace tarvolin
