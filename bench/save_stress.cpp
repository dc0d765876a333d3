// Saves files.cfg and tv.ini in a loop, each time switching between two
// contents, until it is killed: bench/save-stress kills it again and again
// in the middle of its saves and checks that each file always holds one of
// its two contents whole.
//
//   save_stress FOLDER
#include <cstdio>
#include <string>

#include "core/quickcommands.h"
#include "core/settings.h"
#include "sys/posix/ini_store.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: save_stress FOLDER\n");
    return 2;
  }
  using namespace tarvolin;
  const std::string folder = argv[1];
  sys::IniStore profile;
  const QuickcommandTable tables[2] = {
      {{"C:\\Games\\run.exe", "play"}, {"www.example.org", "web"}},
      {{"www.other.org", "other"}, {"C:\\Music", "music"}, {"C:\\Tools\\x.exe", "x"}}};
  SettingsState settings[2];
  settings[0].CornerCode = 1;
  settings[1].CornerCode = 4;
  settings[1].CaseSensitive = true;
  for (unsigned round = 0;; ++round) {
    QuickcommandTable table = tables[round % 2];
    std::string error;
    if (!SaveQuickcommands(table, true, folder + "/files.cfg", &error) ||
        !WriteOptions(settings[round % 2], round % 2 == 0 ? "com,org" : "net", profile,
                      folder + "/tv.ini")) {
      std::fprintf(stderr, "a save failed: %s\n", error.c_str());
      return 1;
    }
  }
}
