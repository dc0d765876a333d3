#include "core/version.h"

namespace tarvolin {

std::string VersionNumberText(const ProgramVersion& version) {
  return std::to_string(version.Major) + "." + std::to_string(version.Minor) +
         std::to_string(version.Revision);
}

std::string HelpCaption(const ProgramVersion& version, bool isBeta) {
  return "Tarvolin - Version " + VersionNumberText(version) + (isBeta ? " BETA" : "");
}

double LocalVersionNumber(const ProgramVersion& version) {
  // Summing the parts in floating point can land a hair below the decimal
  // (0.3 + 0.03 < 0.33), which would offer this very release as an update;
  // one division of the exact hundredths cannot.
  const long hundredths = 100L * version.Major + 10L * version.Minor + version.Revision;
  return static_cast<double>(hundredths) / 100.0;
}

}  // namespace tarvolin
