#include "online/usage_report.h"

#include <utility>

namespace tarvolin {

UsageReport::UsageReport(platform::HttpClient& http, BarState& bar, OnlineConfig config)
    : http_(http), bar_(bar), config_(std::move(config)) {}

void UsageReport::Tick() {
  if (!bar_.UsageReportSent) {
    SendUsageReport();
  } else {
    Navigate("");
  }
}

std::string UsageReport::ReportAddress() const {
  const std::string betaTag = bar_.IsBeta ? "BETA" : "";
  const ProgramVersion& version = config_.version;
  return config_.baseAddress +
         "prog/statsupdate.asp?pass=pushstats&ip=" + http_.LocalIPv4Address() +
         "&prog_name=" + kProductName + "&Version=" + std::to_string(version.Major) + "." +
         std::to_string(version.Minor) + std::to_string(version.Revision) + betaTag;
}

void UsageReport::SendUsageReport() {
  Navigate(ReportAddress());
  bar_.UsageReportSent = true;
}

void UsageReport::Navigate(const std::string& address) {
  http_.Get(address, config_.timeoutMs, config_.maxBytes, [](bool, const std::string&) {});
}

}  // namespace tarvolin
