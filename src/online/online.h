// The bar's online services, run from its one-minute timer: once per run an
// update check (while AutoUpdate is on) that offers the download page when
// the server names a higher version, then once per run a usage report.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "core/settings.h"
#include "core/version.h"
#include "online/http_client.h"
#include "sys/profile.h"

namespace tarvolin {

inline constexpr char kUpdatePrompt[] =
    "A new version of Tarvolin is available! Would you like to download the latest version now?";
inline constexpr char kVersionFilePath[] = "prog/Tarvolin/version.txt";
inline constexpr char kDownloadPagePath[] = "prog/download.html";

// The built-in base address: TARVOLIN_UPDATE_SERVER at configure time, by
// default a name under the reserved .invalid domain, so that a build nobody
// pointed anywhere sends nothing.
extern const char* const kDefaultUpdateServer;

// The key "UpdateServer" of section "Tarvolin" when it holds a value, else
// the built-in default; always ending in "/". The program never writes it.
std::string UpdateServerBase(sys::ProfileStore& profile, const std::string& iniPath);

struct OnlineConfig {
  std::string baseAddress;  // ends in "/"
  ProgramVersion version = kProgramVersion;
  bool isBeta = kIsBeta;
  // Every request is given up after this time, and its answer is not read
  // past this size: the bar never waits and never fills up on a bad server.
  int timeoutMs = 10000;
  std::size_t maxBytes = std::size_t{64} * 1024;
};

class OnlineServices {
 public:
  // `askYesNo` shows the offer (true for Yes); `open` opens the download
  // page. All references must outlive this object.
  OnlineServices(HttpClient& http, const SettingsState& settings, OnlineConfig config,
                 std::function<bool(const std::string&)> askYesNo,
                 std::function<void(const std::string&)> open);

  // One tick: the update step, then the usage step. Returns at once; the
  // answers are handled when they arrive. A tick while the check or its
  // offer is under way starts nothing, so there is one offer per run. A
  // request that fails counts as an answer without a number: nothing is
  // offered and the check is not tried again in this run.
  void Tick();

  // "prog/statsupdate.asp?..." below the base, none of the values escaped.
  std::string ReportAddress() const;

  bool UpdateChecked() const { return updateChecked_; }
  bool UsageReportSent() const { return usageReportSent_; }

 private:
  void OnVersionAnswer(bool ok, const std::string& body);

  HttpClient& http_;
  const SettingsState& settings_;
  OnlineConfig config_;
  std::function<bool(const std::string&)> askYesNo_;
  std::function<void(const std::string&)> open_;
  bool updateChecked_ = false;
  bool checkPending_ = false;
  bool usageReportSent_ = false;
  // Answers that arrive after this object is gone are dropped.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tarvolin
