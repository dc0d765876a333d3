// The usage report: once per run, an anonymous request to the update server
// that says a copy is in use, with the machine's local address and the
// program's version. The answer is not read, and a failure goes unnoticed.
#pragma once

#include <string>

#include "bar/bar_state.h"
#include "online/update_server.h"
#include "platform/http.h"

namespace tarvolin {

inline constexpr char kProductName[] = "Tarvolin";

class UsageReport {
 public:
  UsageReport(platform::HttpClient& http, BarState& bar, OnlineConfig config);

  // The usage step of a Timer2 tick: sends the report while UsageReportSent
  // is false; afterwards navigates to the empty address, which requests
  // nothing.
  void Tick();

  // Requests the report address in the background and sets UsageReportSent.
  void SendUsageReport();

  // The report's address: base, path, then ip, prog_name and Version, none
  // of them escaped. Version is Major "." Minor Revision, with "BETA" after
  // it in a beta.
  std::string ReportAddress() const;

 private:
  // Starts loading the address without waiting for it; the answer is
  // dropped. The empty address loads nothing.
  void Navigate(const std::string& address);

  platform::HttpClient& http_;
  BarState& bar_;
  OnlineConfig config_;
};

}  // namespace tarvolin
