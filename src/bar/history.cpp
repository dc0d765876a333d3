#include "bar/history.h"

#include "platform/text.h"

namespace tarvolin {

void SelectAll(platform::TextBox& box) {
  box.SetSelStart(0);
  box.SetSelLength(platform::CharCount(box.Text()));
}

void AddToHistory(BarState& bar, platform::TextBox& box) {
  std::vector<std::string>& history = bar.CommandHistory;
  if (history.empty()) {
    history.emplace_back();
  }
  if (!history.front().empty() && history.size() < kHistorySize) {
    history.emplace_back();
  }
  for (std::size_t i = history.size() - 1; i >= 1; --i) {
    history[i] = history[i - 1];
  }
  history.front() = box.Text();
  bar.CommandHandled = true;
  bar.HistoryPosition = -1;
  box.SetText("");
}

void BrowseOlder(BarState& bar, platform::TextBox& box) {
  const auto last = static_cast<std::int16_t>(bar.CommandHistory.size() - 1);
  bar.HistoryPosition = static_cast<std::int16_t>(bar.HistoryPosition + 1);
  if (bar.HistoryPosition > last) {
    bar.HistoryPosition = last;
  }
  box.SetText(bar.CommandHistory[static_cast<std::size_t>(bar.HistoryPosition)]);
  box.SetFocus();
  SelectAll(box);
  box.SetFocus();
}

void BrowseNewer(BarState& bar, platform::TextBox& box) {
  bar.HistoryPosition = static_cast<std::int16_t>(bar.HistoryPosition - 1);
  if (bar.HistoryPosition < 0) {
    bar.HistoryPosition = -1;
  }
  box.SetText("");
  if (bar.HistoryPosition != -1) {
    box.SetText(bar.CommandHistory[static_cast<std::size_t>(bar.HistoryPosition)]);
  }
  box.Refresh();
  SelectAll(box);
}

}  // namespace tarvolin
