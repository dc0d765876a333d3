#include "core/interpreter.h"

#include <algorithm>
#include <array>

#include "sys/text.h"

namespace tarvolin {

namespace {

bool StartsWith(const std::string& s, const char* prefix) {
  return s.rfind(prefix, 0) == 0;
}

bool EndsWith(const std::string& s, const std::string& ending) {
  return s.size() >= ending.size() &&
         s.compare(s.size() - ending.size(), ending.size(), ending) == 0;
}

bool IsDrivePath(const std::string& cmd) {
  const auto isLetter = [](char c) { return c >= 'a' && c <= 'z'; };
  return (cmd.size() >= 2 && isLetter(cmd[0]) && cmd[1] == ':') ||
         (cmd.size() == 1 && isLetter(cmd[0]));
}

Command DrivePath(const std::string& cmd, sys::FileSystem& files) {
  const std::string path = NormalizeDrivePath(cmd);
  const bool exists =
      !files.FirstMatchingEntry(path, sys::kAttrDirectory | sys::kAttrNormal).empty() ||
      !files.FirstMatchingEntry(path, sys::kAttrReadOnly | sys::kAttrNormal).empty();
  Command command;
  const std::string folder = FolderOfTarget(files, path);
  if (exists) {
    command.kind = Command::Kind::kRunPath;
    command.target = path;
    command.folder = folder;
  } else {
    command.status = folder.empty() ? kPathNotFoundStatus : kFileNotFoundStatus;
  }
  return command;
}

Command WindowsFolderProgram(const std::string& name, sys::FileSystem& files) {
  const std::array<std::string, 4> candidates = {
      "C:\\windows\\" + name + ".exe",
      "C:\\windows\\" + name + ".com",
      "C:\\windows\\system32\\" + name + ".exe",
      "C:\\windows\\system32\\" + name + ".com",
  };
  Command command;
  for (const std::string& candidate : candidates) {
    if (!files.FirstMatchingEntry(candidate, sys::kAttrNormal).empty()) {
      command.kind = Command::Kind::kOpen;
      command.target = candidate;
      break;
    }
  }
  return command;
}

}  // namespace

Command DispatchCommand(const std::string& text, const SettingsState& settings,
                        sys::FileSystem& files) {
  const std::string cmd = sys::LowerAscii(text);
  Command command;
  if (cmd.empty()) {
    return command;
  }
  if (cmd == "quit" || cmd == "exit") {
    command.kind = Command::Kind::kQuit;
    return command;
  }
  if (cmd == "edit" || cmd == "options" || cmd == "mirelo") {
    command.kind = Command::Kind::kOpenDialog;
    command.dialog = cmd == "edit"      ? Dialog::kEditor
                     : cmd == "options" ? Dialog::kOptions
                                        : Dialog::kHidden;
    return command;
  }
  if (StartsWith(cmd, "https://") || StartsWith(cmd, "http://") || StartsWith(cmd, "www.")) {
    command.kind = Command::Kind::kOpen;
    command.target = cmd;
    return command;
  }
  // The first matching ending decides, and endings come before drive paths.
  const auto& endings = settings.WebExtensionList;
  if (std::any_of(endings.begin(), endings.end(),
                  [&](const std::string& ending) { return EndsWith(cmd, ending); })) {
    command.kind = Command::Kind::kOpen;
    command.target = "http://" + cmd;
    return command;
  }
  if (IsDrivePath(cmd)) {
    return DrivePath(cmd, files);
  }
  return WindowsFolderProgram(cmd, files);
}

std::string NormalizeDrivePath(const std::string& p) {
  if (p.size() == 1) {
    return p + ":\\";
  }
  if (p.size() < 3 || p[2] != '\\') {
    return p.substr(0, 2) + "\\" + p.substr(std::min<std::size_t>(2, p.size()));
  }
  return p;
}

std::string FolderOfTarget(sys::FileSystem& files, const std::string& p) {
  std::string q = NormalizeDrivePath(p);
  // A dot anywhere but in the last place marks a file name: cut once, after
  // the last separator before the final character.
  const std::size_t dot = q.find('.');
  if (dot != std::string::npos && dot + 1 < q.size()) {
    const std::size_t cut = q.find_last_of("\\:", q.size() - 2);
    if (cut != std::string::npos) {
      q.erase(cut + 1);
    }
  }
  if (files.FirstMatchingEntry(q, sys::kAttrDirectory | sys::kAttrNormal).empty()) {
    return {};
  }
  return q;
}

bool IsValidTarget(sys::FileSystem& files, const std::string& s) {
  // Every test is made every time; only the first touches the file system.
  bool valid = false;
  if (s.size() >= 2 && s[1] == ':' && !FolderOfTarget(files, s).empty()) {
    valid = true;
  }
  if (StartsWith(s, "http://") || StartsWith(s, "www.") || StartsWith(s, "https://")) {
    valid = true;
  }
  return valid;
}

}  // namespace tarvolin
