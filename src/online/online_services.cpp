#include "online/online_services.h"

#include <utility>

namespace tarvolin {

namespace {

YesNoAsker AskerOr(YesNoAsker ask, platform::Toolkit& ui) {
  if (ask) {
    return ask;
  }
  return [&ui](const std::string& text, const std::string& title) {
    return ui.MessageBoxYesNo(text, title);
  };
}

}  // namespace

OnlineServices::OnlineServices(platform::HttpClient& http, platform::Toolkit& ui,
                               platform::Shell& shell, BarState& bar, const SettingsState& settings,
                               OnlineConfig config, YesNoAsker ask)
    : update_(http, shell, bar, settings, AskerOr(std::move(ask), ui), config),
      usage_(http, bar, config) {}

void OnlineServices::OnTimer2Tick() {
  update_.Tick();
  usage_.Tick();
}

}  // namespace tarvolin
