#include "online/update_check.h"

#include <utility>

#include "settings/settings_file.h"

namespace tarvolin {

double LocalVersionNumber(const ProgramVersion& version) {
  // Summing the three parts in floating point can land a hair below the
  // decimal (0.3 + 0.03 < 0.33), which would offer this very release as an
  // update; one division of the exact hundredths cannot.
  const long hundredths = 100L * version.Major + 10L * version.Minor + version.Revision;
  return static_cast<double>(hundredths) / 100.0;
}

UpdateCheck::UpdateCheck(platform::HttpClient& http, platform::Shell& shell, BarState& bar,
                         const SettingsState& settings, YesNoAsker ask, OnlineConfig config)
    : http_(http),
      shell_(shell),
      bar_(bar),
      settings_(settings),
      ask_(std::move(ask)),
      config_(std::move(config)) {}

UpdateCheck::~UpdateCheck() = default;

void UpdateCheck::Tick() {
  if (bar_.UpdateChecked || !settings_.AutoUpdate || pending_) {
    return;
  }
  pending_ = true;
  std::weak_ptr<bool> alive = alive_;
  http_.Get(config_.baseAddress + kVersionFilePath, config_.timeoutMs, config_.maxBytes,
            [this, alive](bool ok, const std::string& body) {
              if (!alive.expired()) {
                OnAnswer(ok, body);
              }
            });
}

void UpdateCheck::OnAnswer(bool ok, const std::string& body) {
  const double remote = ok ? LeadingNumber(body) : 0.0;
  if (LocalVersionNumber(config_.version) < remote) {
    // Ticks that come while the box is open find the check still pending
    // and start nothing, so there is one offer per run.
    if (ask_(kUpdatePrompt, kOnlineMessageTitle) == platform::MessageBoxAnswer::kYes) {
      shell_.Open(config_.baseAddress + kDownloadPagePath);
    }
  }
  bar_.UpdateChecked = true;
  pending_ = false;
}

}  // namespace tarvolin
