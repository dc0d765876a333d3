#include "bar/completion.h"

#include "platform/text.h"

namespace tarvolin {

bool CompletionDue(const BarState& bar, const platform::TextBox& box, double now) {
  return now - bar.LastEditTime > kCompletionPause && box.SelLength() == 0;
}

void CompleteFromHistory(const BarState& bar, platform::TextBox& box) {
  if (box.Text().empty()) {
    return;
  }
  const std::size_t last = bar.CommandHistory.size();
  for (std::size_t i = 0; i < last; ++i) {
    const std::string typed = box.Text();
    const std::string& entry = bar.CommandHistory[i];
    const int n = platform::CharCount(typed);
    if (platform::LeftChars(entry, n) == typed) {
      box.SetText(entry);
      box.SetSelStart(n);
      box.SetSelLength(platform::CharCount(entry) - n);
    }
  }
}

}  // namespace tarvolin
