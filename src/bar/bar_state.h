// The state the command bar holds for the rest of the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvolin {

inline constexpr char kUnknownCommandText[] = "Unknown command (F1 for help)";

struct BarState {
  // Status text shown for a command that was not carried out.
  std::string UnknownCommandText;
  // Earlier commands, newest first: one to four entries.
  std::vector<std::string> CommandHistory;
  // The entry shown by browsing with Up and Down, -1 for none.
  std::int16_t HistoryPosition = -1;
  // The command being entered was carried out.
  bool CommandHandled = false;
  // Shown in the box when the command is not carried out.
  std::string StatusMessage;
  bool IsBeta = true;
  bool UsageReportSent = false;
  // Time of day, in seconds since midnight, of the last change of the box text.
  double LastEditTime = 0;
  bool UpdateChecked = false;
};

// The program's own version, fixed at build time.
struct ProgramVersion {
  std::int16_t Major;
  std::int16_t Minor;
  std::int16_t Revision;
};

inline constexpr ProgramVersion kProgramVersion{TARVOLIN_VERSION_MAJOR, TARVOLIN_VERSION_MINOR,
                                                TARVOLIN_VERSION_REVISION};

}  // namespace tarvolin
