#include "core/interpreter.h"

#include <algorithm>
#include <array>

#include "sys/environment.h"
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

// A web address as the browser should get it: its scheme and host in small
// letters, its path, query and fragment as typed (they may tell capitals
// apart).
std::string WebAddress(const std::string& text) {
  const std::size_t scheme = text.find("://");
  const std::size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
  const std::size_t hostEnd = std::min(text.find_first_of("/?#", hostStart), text.size());
  return sys::LowerAscii(text.substr(0, hostEnd)) + text.substr(hostEnd);
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

bool Exists(sys::FileSystem& files, const std::string& path) {
  return !files.FirstMatchingEntry(path, sys::kAttrDirectory | sys::kAttrNormal).empty();
}

// The folder a system path lives in: "/a/b" gives "/a", "/a" gives "/".
std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
  return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// A system path: the whole line first, since a path may hold blanks; then a
// program with its arguments.
Command SystemPath(const std::string& line, sys::FileSystem& files) {
  Command command;
  if (Exists(files, line)) {
    command.kind = Command::Kind::kRunPath;
    command.target = line;
    command.folder = Exists(files, line + "/") ? line : ParentOf(line);
    return command;
  }
  const std::vector<std::string> words = SplitWords(line);
  if (!words.empty() && words.front().find('/') != std::string::npos) {
    const std::string program = files.NativePath(words.front());
    if (sys::IsExecutableFile(program)) {
      command.kind = Command::Kind::kStart;
      command.target = program;
      command.arguments.assign(words.begin() + 1, words.end());
      command.folder = ParentOf(program);
      return command;
    }
  }
  command.status = Exists(files, ParentOf(line) + "/") ? kFileNotFoundStatus : kPathNotFoundStatus;
  return command;
}

Command ProgramOnPath(const std::string& line, const sys::Environment& environment) {
  Command command;
  const std::vector<std::string> words = SplitWords(line);
  const std::string program = words.empty() ? std::string() : environment.FindOnPath(words.front());
  if (!program.empty()) {
    command.kind = Command::Kind::kStart;
    command.target = program;
    command.arguments.assign(words.begin() + 1, words.end());
    command.folder = environment.HomeFolder();
  }
  return command;
}

bool IsNameCharacter(char c, bool first) {
  return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         (!first && c >= '0' && c <= '9');
}

}  // namespace

std::string ExpandVariables(const std::string& text, const sys::Environment& environment) {
  std::string result;
  std::size_t pos = 0;
  // Outside quotes, as a shell reads a line: a ~ that starts a word.
  char quote = 0;
  bool wordStart = true;
  while (pos < text.size()) {
    const char c = text[pos];
    const bool blank = c == ' ' || c == '\t';
    if (quote == 0 && wordStart && c == '~' &&
        (pos + 1 == text.size() || text[pos + 1] == '/' || text[pos + 1] == ' ' ||
         text[pos + 1] == '\t')) {
      result += environment.HomeFolder();
      ++pos;
      wordStart = false;
      continue;
    }
    if (quote != 0) {
      quote = c == quote ? 0 : quote;
    } else if (c == '"' || c == '\'') {
      quote = c;
    }
    wordStart = quote == 0 && blank;
    if (quote == '\'') {
      result += c;
      ++pos;
      continue;
    }
    std::size_t nameStart = std::string::npos;
    std::size_t nameEnd = 0;
    std::size_t next = 0;
    if (text[pos] == '$' && pos + 1 < text.size() && text[pos + 1] == '{') {
      const std::size_t close = text.find('}', pos + 2);
      if (close != std::string::npos) {
        nameStart = pos + 2;
        nameEnd = close;
        next = close + 1;
      }
    } else if (text[pos] == '$') {
      std::size_t end = pos + 1;
      while (end < text.size() && IsNameCharacter(text[end], end == pos + 1)) {
        ++end;
      }
      nameStart = pos + 1;
      nameEnd = end;
      next = end;
    } else if (text[pos] == '%') {
      const std::size_t close = text.find('%', pos + 1);
      if (close != std::string::npos) {
        nameStart = pos + 1;
        nameEnd = close;
        next = close + 1;
      }
    }
    const auto value = nameStart != std::string::npos && nameEnd > nameStart
                           ? environment.Variable(text.substr(nameStart, nameEnd - nameStart))
                           : std::nullopt;
    if (value) {
      result += *value;
      pos = next;
    } else {
      result += text[pos++];
    }
  }
  return result;
}

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (const char c : line) {
    if (quote != 0) {
      if (c == quote) {
        quote = 0;
      } else {
        word += c;
      }
    } else if (c == '"' || c == '\'') {
      quote = c;
      inWord = true;
    } else if (c == ' ' || c == '\t') {
      if (inWord) {
        words.push_back(std::move(word));
        word.clear();
        inWord = false;
      }
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) {
    words.push_back(std::move(word));
  }
  return words;
}

std::string QuoteWord(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\"'$%") == std::string::npos && word[0] != '~') {
    return word;
  }
  if (word.find_first_of("\"$%") == std::string::npos) {
    return '"' + word + '"';
  }
  std::string quoted = "'";
  for (const char c : word) {
    quoted += c == '\'' ? std::string("'\"'\"'") : std::string(1, c);
  }
  return quoted + "'";
}

Command DispatchCommand(const std::string& text, const SettingsState& settings,
                        sys::FileSystem& files, sys::Applications* applications) {
  const std::string cmd = sys::LowerAscii(text);
  Command command;
  if (cmd.empty()) {
    return command;
  }
  if (cmd == "quit" || cmd == "exit") {
    command.kind = Command::Kind::kQuit;
    return command;
  }
  // The help screen names "help" beside F1: the word opens it too.
  if (cmd == "help" || cmd == "edit" || cmd == "options" || cmd == "mirelo") {
    command.kind = Command::Kind::kOpenDialog;
    command.dialog = cmd == "help"      ? Dialog::kHelp
                     : cmd == "edit"    ? Dialog::kEditor
                     : cmd == "options" ? Dialog::kOptions
                                        : Dialog::kHidden;
    return command;
  }
  if (StartsWith(cmd, "https://") || StartsWith(cmd, "http://") || StartsWith(cmd, "www.")) {
    command.kind = Command::Kind::kOpen;
    command.target = WebAddress(text);
    return command;
  }
  // The first matching ending decides, and endings come before drive paths.
  const auto& endings = settings.WebExtensionList;
  if (std::any_of(endings.begin(), endings.end(), [&](const std::string& ending) {
        return EndsWith(cmd, sys::LowerAscii(ending));
      })) {
    command.kind = Command::Kind::kOpen;
    command.target = "http://" + WebAddress(text);
    return command;
  }
  const std::string expanded = ExpandVariables(text, files.Env());
  const std::string lowered = sys::LowerAscii(expanded);
  if (IsDrivePath(lowered)) {
    return DrivePath(lowered, files);
  }
  Command windows = WindowsFolderProgram(lowered, files);
  if (windows.kind != Command::Kind::kNothing) {
    return windows;
  }
  // The system's own lines, as typed: its names are not folded.
  if (expanded.empty()) {
    return {};
  }
  if (expanded.front() == '/') {
    return SystemPath(expanded, files);
  }
  command = ProgramOnPath(expanded, files.Env());
  if (command.kind == Command::Kind::kNothing && applications != nullptr) {
    // Tab puts a name with blanks in quotes: the name is what they hold.
    const std::vector<std::string> words = SplitWords(text);
    command.target = applications->Find(text);
    if (command.target.empty() && words.size() == 1 && words.front() != text) {
      command.target = applications->Find(words.front());
    }
    if (!command.target.empty()) {
      command.kind = Command::Kind::kLaunch;
    }
  }
  return command;
}

std::vector<Candidate> TabCandidates(const std::string& word, const std::vector<Offer>& offers,
                                     sys::FileSystem& files,
                                     const std::function<std::string(const std::string&)>& fold) {
  std::vector<Candidate> candidates;
  const bool drive = IsDrivePath(sys::LowerAscii(word.substr(0, 2))) && word.size() >= 2;
  const bool system = !word.empty() && (word.front() == '/' || word.front() == '~');
  if (drive || system) {
    // The folder part as typed, the name begun after it.
    const std::size_t cut = word.find_last_of(drive ? "\\/:" : "/");
    const std::string folder = cut == std::string::npos ? word + "/" : word.substr(0, cut + 1);
    const std::string begun = cut == std::string::npos ? "" : word.substr(cut + 1);
    const std::string listed =
        ExpandVariables(drive ? NormalizeDrivePath(folder) : folder, files.Env());
    for (const std::string& entry : files.ListFolder(listed)) {
      const bool match = drive ? sys::LowerAscii(entry).rfind(sys::LowerAscii(begun), 0) == 0
                               : entry.rfind(begun, 0) == 0;
      if (match && (entry.front() != '.' || begun.rfind('.', 0) == 0)) {
        const bool isFolder = files.WhatIsHere(listed + entry) == sys::EntryKind::kFolder;
        candidates.push_back({folder + entry + (isFolder ? (drive ? "\\" : "/") : ""),
                              isFolder ? CandidateKind::kFolder : CandidateKind::kFile});
      }
    }
    return candidates;
  }
  // How well a name matches, best first: the whole of it, its start, the
  // start of one of its words, its letters in order; none at all.
  enum Match { kWhole, kStart, kWordStart, kInOrder, kNone };
  const std::string folded = fold(word);
  const auto match = [&](const Offer& offer) {
    const bool program = offer.candidate.kind == CandidateKind::kProgram;
    const std::string& compared = offer.compared;
    const std::string& wanted = program ? word : folded;
    if (compared.empty()) {
      return kNone;
    }
    if (compared == wanted) {
      return kWhole;
    }
    if (compared.starts_with(wanted)) {
      return kStart;
    }
    // Programs by their start only: thousands of them would bury the rest.
    if (program || wanted.empty()) {
      return kNone;
    }
    for (std::size_t at = compared.find(wanted); at != std::string::npos;
         at = compared.find(wanted, at + 1)) {
      const char before = compared[at - 1];
      if (before == ' ' || before == '-' || before == '_' || before == '.' || before == '(') {
        return kWordStart;
      }
    }
    std::size_t at = 0;
    for (const char c : wanted) {
      at = compared.find(c, at);
      if (at == std::string::npos) {
        return kNone;
      }
      ++at;
    }
    return kInOrder;
  };
  struct Found {
    Match how;
    const Offer* offer;
  };
  std::vector<Found> found;
  found.reserve(offers.size());
  for (const Offer& offer : offers) {
    if (const Match how = match(offer); how != kNone) {
      found.push_back({how, &offer});
    }
  }
  std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    return a.how != b.how ? a.how < b.how : a.offer->weight > b.offer->weight;
  });
  // The best of them: more than anyone would step through with Tab.
  found.resize(std::min(found.size(), kMaxCandidates));
  candidates.reserve(found.size());
  for (const Found& each : found) {
    candidates.push_back(each.offer->candidate);
  }
  return candidates;
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
  // A file without a dot in its name (a program on Linux) lives in the
  // folder before its last separator too.
  const std::size_t dot = q.find('.');
  if ((dot != std::string::npos && dot + 1 < q.size()) ||
      files.WhatIsHere(q) == sys::EntryKind::kFile) {
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

bool IsValidTarget(sys::FileSystem& files, const std::string& s, sys::Applications* applications) {
  // Every test is made every time; only the first touches the file system.
  bool valid = false;
  if (s.size() >= 2 && s[1] == ':' && !FolderOfTarget(files, s).empty()) {
    valid = true;
  }
  if (StartsWith(s, "http://") || StartsWith(s, "www.") || StartsWith(s, "https://")) {
    valid = true;
  }
  const std::string expanded = ExpandVariables(s, files.Env());
  if (!expanded.empty() && expanded.front() == '/' &&
      (Exists(files, ParentOf(expanded) + "/") ||
       SystemPath(expanded, files).kind != Command::Kind::kNothing)) {
    valid = true;
  }
  if (!expanded.empty() && expanded.front() != '/' && !IsDrivePath(sys::LowerAscii(expanded)) &&
      ProgramOnPath(expanded, files.Env()).kind != Command::Kind::kNothing) {
    valid = true;
  }
  if (!valid && applications != nullptr && !applications->Find(s).empty()) {
    valid = true;
  }
  return valid;
}

}  // namespace tarvolin
