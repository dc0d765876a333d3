// The update check: once per run, while the user leaves AutoUpdate on, asks
// the update server for the newest release's number and offers to open the
// download page when it is higher than the program's own.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "bar/bar_state.h"
#include "online/update_server.h"
#include "platform/http.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "settings/settings_state.h"

namespace tarvolin {

inline constexpr char kUpdatePrompt[] =
    "A new version of Tarvolin is available! Would you like to download the latest version now?";
inline constexpr char kOnlineMessageTitle[] = "Tarvolin";
inline constexpr char kVersionFilePath[] = "prog/Tarvolin/version.txt";
inline constexpr char kDownloadPagePath[] = "prog/download.html";

// Shows a modal Yes/No box (Yes the default) and gives the answer.
using YesNoAsker =
    std::function<platform::MessageBoxAnswer(const std::string& text, const std::string& title)>;

// The program's version as one number: Major + Minor/10 + Revision/100,
// taken as the decimal it stands for (0, 8, 7 is 0.87), so that it compares
// equal to the same number read from the version file. Minor or Revision of
// 10 or more run into the next place: 0, 12, 0 is 1.2.
double LocalVersionNumber(const ProgramVersion& version);

class UpdateCheck {
 public:
  UpdateCheck(platform::HttpClient& http, platform::Shell& shell, BarState& bar,
              const SettingsState& settings, YesNoAsker ask, OnlineConfig config);
  ~UpdateCheck();
  UpdateCheck(const UpdateCheck&) = delete;
  UpdateCheck& operator=(const UpdateCheck&) = delete;

  // The update step of a Timer2 tick. Starts the check when UpdateChecked is
  // false, AutoUpdate is on and no check is under way; returns at once. The
  // answer is handled when it arrives: a higher remote number brings up the
  // offer, and UpdateChecked becomes true once the offer is answered, or at
  // once when there is nothing to offer. A request that fails outright
  // counts as an answer without a number: nothing is offered, and the check
  // is not tried again in this run.
  void Tick();

  // A request or the offer is under way.
  bool Pending() const { return pending_; }

 private:
  void OnAnswer(bool ok, const std::string& body);

  platform::HttpClient& http_;
  platform::Shell& shell_;
  BarState& bar_;
  const SettingsState& settings_;
  YesNoAsker ask_;
  OnlineConfig config_;
  bool pending_ = false;
  // Answers that arrive after this object is gone are dropped.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tarvolin
