// The bar's online services, run from its one-minute timer: the update
// check, then the usage report.
#pragma once

#include "online/update_check.h"
#include "online/usage_report.h"
#include "platform/ui.h"

namespace tarvolin {

class OnlineServices {
 public:
  // `ask` answers the update offer; left empty, the toolkit's Yes/No box
  // does. All references must outlive this object.
  OnlineServices(platform::HttpClient& http, platform::Toolkit& ui, platform::Shell& shell,
                 BarState& bar, const SettingsState& settings, OnlineConfig config,
                 YesNoAsker ask = {});

  // One tick of Timer2: the update step, then the usage step.
  void OnTimer2Tick();

  UpdateCheck& Update() { return update_; }
  UsageReport& Usage() { return usage_; }

 private:
  UpdateCheck update_;
  UsageReport usage_;
};

}  // namespace tarvolin
