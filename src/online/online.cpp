#include "online/online.h"

#include <utility>

#ifndef TARVOLIN_UPDATE_SERVER
#define TARVOLIN_UPDATE_SERVER "http://updates.tarvolin.invalid/"
#endif

namespace tarvolin {

const char* const kDefaultUpdateServer = TARVOLIN_UPDATE_SERVER;

std::string UpdateServerBase(sys::ProfileStore& profile, const std::string& iniPath) {
  std::string base = profile.Read(kSettingsSection, "UpdateServer", iniPath);
  if (base.empty()) {
    base = kDefaultUpdateServer;
  }
  if (base.empty() || base.back() != '/') {
    base += '/';
  }
  return base;
}

OnlineServices::OnlineServices(HttpClient& http, const SettingsState& settings, OnlineConfig config,
                               std::function<bool(const std::string&)> askYesNo,
                               std::function<void(const std::string&)> open)
    : http_(http),
      settings_(settings),
      config_(std::move(config)),
      askYesNo_(std::move(askYesNo)),
      open_(std::move(open)) {}

void OnlineServices::Tick() {
  if (!updateChecked_ && settings_.AutoUpdate && !checkPending_) {
    checkPending_ = true;
    std::weak_ptr<bool> alive = alive_;
    http_.Get(config_.baseAddress + kVersionFilePath, config_.timeoutMs, config_.maxBytes,
              [this, alive](bool ok, const std::string& body) {
                if (!alive.expired()) {
                  OnVersionAnswer(ok, body);
                }
              });
  }
  // After the report every tick navigates to the empty address, which
  // requests nothing.
  if (!usageReportSent_) {
    http_.Get(ReportAddress(), config_.timeoutMs, config_.maxBytes,
              [](bool, const std::string&) {});
    usageReportSent_ = true;
  }
}

std::string OnlineServices::ReportAddress() const {
  return config_.baseAddress +
         "prog/statsupdate.asp?pass=pushstats&ip=" + http_.LocalIPv4Address() +
         "&prog_name=Tarvolin&Version=" + VersionNumberText(config_.version) +
         (config_.isBeta ? "BETA" : "");
}

void OnlineServices::OnVersionAnswer(bool ok, const std::string& body) {
  const double remote = ok ? LeadingNumber(body) : 0.0;
  if (LocalVersionNumber(config_.version) < remote && askYesNo_(kUpdatePrompt)) {
    open_(config_.baseAddress + kDownloadPagePath);
  }
  updateChecked_ = true;
  checkPending_ = false;
}

}  // namespace tarvolin
