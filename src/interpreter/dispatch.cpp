#include "interpreter/dispatch.h"

#include <array>
#include <exception>

#include "bar/form1.h"
#include "bar/history.h"
#include "bar/program.h"
#include "interpreter/launcher.h"
#include "interpreter/path_functions.h"
#include "platform/text.h"

namespace tarvolin {

using platform::LowerAscii;

namespace {

constexpr char kMessageTitle[] = "Tarvolin";
constexpr char kPathNotFoundStatus[] = "-::Path not found::-";
constexpr char kFileNotFoundStatus[] = "-::File not found::-";

bool StartsWith(const std::string& s, const char* prefix) {
  return s.rfind(prefix, 0) == 0;
}

bool EndsWith(const std::string& s, const std::string& ending) {
  return s.size() >= ending.size() &&
         s.compare(s.size() - ending.size(), ending.size(), ending) == 0;
}

void Record(Program& program) {
  AddToHistory(program.bar, program.form1().Text1());
}

// Opens a web address the way RunTarget opens a file.
void OpenAddress(Program& program, const std::string& address) {
  program.platform.shell.Open(address);
}

bool IsDrivePath(const std::string& cmd) {
  const auto isLetter = [](char c) { return c >= 'a' && c <= 'z'; };
  return (cmd.size() >= 2 && isLetter(cmd[0]) && cmd[1] == ':') ||
         (cmd.size() == 1 && isLetter(cmd[0]));
}

void RunDrivePath(Program& program, const std::string& cmd) {
  platform::FileSystem& files = program.platform.files;
  const std::string path = NormalizeDrivePath(cmd);
  const bool exists =
      !files.FirstMatchingEntry(path, platform::kAttrDirectory | platform::kAttrNormal).empty() ||
      !files.FirstMatchingEntry(path, platform::kAttrReadOnly | platform::kAttrNormal).empty();
  if (exists) {
    Record(program);
    // The program starts in its own folder; the bar's folder comes back after.
    if (!files.SetCurrentFolder(FolderOfTarget(files, path))) {
      program.platform.ui.MessageBoxOk("Path not found", kMessageTitle);
      return;
    }
    try {
      RunTarget(program.platform.shell, path);
    } catch (const std::exception&) {
      program.platform.ui.MessageBoxOk("File not found", kMessageTitle);
      return;
    }
    files.SetCurrentFolder(files.ProgramFolder());
  }
  // Shown only when nothing above was carried out.
  program.bar.StatusMessage =
      FolderOfTarget(files, path).empty() ? kPathNotFoundStatus : kFileNotFoundStatus;
}

bool RunFromWindowsFolders(Program& program, const std::string& name) {
  const std::array<std::string, 4> candidates = {
      "C:\\windows\\" + name + ".exe",
      "C:\\windows\\" + name + ".com",
      "C:\\windows\\system32\\" + name + ".exe",
      "C:\\windows\\system32\\" + name + ".com",
  };
  for (const std::string& candidate : candidates) {
    if (!program.platform.files.FirstMatchingEntry(candidate, platform::kAttrNormal).empty()) {
      RunTarget(program.platform.shell, candidate);
      Record(program);
      return true;
    }
  }
  return false;
}

}  // namespace

void RunQuickcommand(Program& program, const std::string& text) {
  const bool caseSensitive = program.settings.CaseSensitive;
  const std::string typed = caseSensitive ? text : LowerAscii(text);
  for (const QuickcommandEntry& entry : program.quickcommands.Entries()) {
    const bool match = caseSensitive ? entry.Name == typed : LowerAscii(entry.Name) == typed;
    if (match) {
      // The target may be a built-in word that ends the program or opens a
      // dialog; the entry is copied so that nothing it does can pull the
      // text from under the call.
      const std::string target = entry.Target;
      DispatchCommand(program, target);
      return;
    }
  }
}

void DispatchCommand(Program& program, std::string text) {
  const std::string cmd = LowerAscii(text);

  if (cmd == "quit" || cmd == "exit") {
    program.platform.system.EndProcess();
    return;
  }
  if (cmd == "edit" || cmd == "options" || cmd == "mirelo") {
    Record(program);
    program.RollOutForm(cmd == "edit"      ? Dialog::kEditor
                        : cmd == "options" ? Dialog::kOptions
                                           : Dialog::kHidden);
    return;
  }

  if (StartsWith(cmd, "https://") || StartsWith(cmd, "http://") || StartsWith(cmd, "www.")) {
    OpenAddress(program, cmd);
    Record(program);
    return;
  }
  for (const std::string& ending : program.settings.WebExtensionList) {
    if (EndsWith(cmd, ending)) {
      OpenAddress(program, "http://" + cmd);
      Record(program);
      return;
    }
  }

  if (IsDrivePath(cmd)) {
    RunDrivePath(program, cmd);
    return;
  }

  RunFromWindowsFolders(program, cmd);
}

}  // namespace tarvolin
