// The program's own version, fixed at build time.
#pragma once

#include <cstdint>
#include <string>

namespace tarvolin {

struct ProgramVersion {
  std::int16_t Major;
  std::int16_t Minor;
  std::int16_t Revision;
};

inline constexpr ProgramVersion kProgramVersion{TARVOLIN_VERSION_MAJOR, TARVOLIN_VERSION_MINOR,
                                                TARVOLIN_VERSION_REVISION};
// This release is marked as a beta.
inline constexpr bool kIsBeta = true;

// Major "." Minor Revision, joined without padding: 0, 8, 7 gives "0.87" and
// 0, 12, 5 gives "0.125".
std::string VersionNumberText(const ProgramVersion& version);

// "Tarvolin - Version 0.87", with " BETA" after it in a beta.
std::string HelpCaption(const ProgramVersion& version, bool isBeta);

// The version as one number, Major + Minor/10 + Revision/100, taken as the
// decimal it stands for (0, 8, 7 is exactly the double nearest 0.87), so it
// compares equal to the same number read from the update server.
double LocalVersionNumber(const ProgramVersion& version);

}  // namespace tarvolin
