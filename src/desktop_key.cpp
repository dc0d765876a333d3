#include "desktop_key.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/key_names.h"

namespace tarvolin {

namespace {

constexpr char kListSchema[] = "org.gnome.settings-daemon.plugins.media-keys";
constexpr char kListKey[] = "custom-keybindings";
constexpr char kPath[] =
    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/tarvolin/";
constexpr char kEntrySchema[] = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";

// Runs gsettings with `arguments`: its output, and whether it succeeded.
bool Gsettings(const std::vector<std::string>& arguments, std::string* output = nullptr) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) {
    return false;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    return false;
  }
  if (child == 0) {
    ::dup2(pipeFds[1], STDOUT_FILENO);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    std::vector<char*> argv{const_cast<char*>("gsettings")};
    for (const std::string& argument : arguments) {
      argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    ::execvp("gsettings", argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  std::string text;
  char block[4096];
  ssize_t n = 0;
  while ((n = ::read(pipeFds[0], block, sizeof block)) > 0) {
    text.append(block, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (output != nullptr) {
    *output = text;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The paths of a gsettings list of strings: "['/a/', '/b/']" or "@as []".
std::vector<std::string> Paths(const std::string& list) {
  std::vector<std::string> paths;
  std::size_t at = 0;
  while ((at = list.find('\'', at)) != std::string::npos) {
    const std::size_t end = list.find('\'', at + 1);
    if (end == std::string::npos) {
      break;
    }
    paths.push_back(list.substr(at + 1, end - at - 1));
    at = end + 1;
  }
  return paths;
}

std::string ListOf(const std::vector<std::string>& paths) {
  std::string list = "[";
  for (const std::string& path : paths) {
    list += (list.size() > 1 ? ", '" : "'") + path + "'";
  }
  return list + "]";
}

bool SchemaHere() {
  std::string schemas;
  return Gsettings({"list-schemas"}, &schemas) &&
         schemas.find(std::string(kListSchema) + "\n") != std::string::npos;
}

bool SetList(const std::vector<std::string>& paths) {
  return Gsettings({"set", kListSchema, kListKey, ListOf(paths)});
}

std::vector<std::string> CurrentPaths() {
  std::string list;
  Gsettings({"get", kListSchema, kListKey}, &list);
  return Paths(list);
}

// A key of a custom shortcut, as gsettings prints it: "'<Super>e'".
std::string EntryValue(const std::string& path, const char* key) {
  std::string value;
  Gsettings({"get", std::string(kEntrySchema) + ":" + path, key}, &value);
  while (!value.empty() && (value.back() == '\n' || value.back() == ' ')) {
    value.pop_back();
  }
  return value;
}

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

}  // namespace

int BindGnomeKey(const std::string& key, const std::string& command) {
  const auto combination = ParseKeyCombination(key);
  if (!combination) {
    std::fprintf(stderr, "tarvolin: %s\n", NotAKeyCombination(key).c_str());
    return 2;
  }
  const std::string accelerator = GnomeAccelerator(*combination);
  if (!SchemaHere()) {
    std::fprintf(stderr,
                 "tarvolin: no GNOME keyboard settings here (%s); bind %s in the desktop's own "
                 "settings\n",
                 kListSchema, command.c_str());
    return 1;
  }
  std::vector<std::string> paths = CurrentPaths();
  bool listed = false;
  for (const std::string& path : paths) {
    listed = listed || path == kPath;
    // The desktop would run one of the two: a key is bound once.
    if (path != kPath && EntryValue(path, "binding") == Quoted(accelerator)) {
      std::fprintf(stderr,
                   "tarvolin: %s already runs the custom shortcut %s in GNOME's keyboard "
                   "settings; free it there or bind another key (--bind-key=KEY)\n",
                   key.c_str(), EntryValue(path, "name").c_str());
      return 1;
    }
  }
  if (!listed) {
    paths.emplace_back(kPath);
  }
  const std::string entry = std::string(kEntrySchema) + ":" + kPath;
  if (!Gsettings({"set", entry, "name", "Tarvolin"}) ||
      !Gsettings({"set", entry, "command", command}) ||
      !Gsettings({"set", entry, "binding", accelerator}) || !SetList(paths)) {
    std::fprintf(stderr, "tarvolin: GNOME's keyboard settings could not be written\n");
    return 1;
  }
  // Without a session bus gsettings keeps what it is given in memory and
  // says it worked: what reads back is what holds.
  const std::vector<std::string> kept = CurrentPaths();
  if (EntryValue(kPath, "binding") != Quoted(accelerator) ||
      std::find(kept.begin(), kept.end(), kPath) == kept.end()) {
    std::fprintf(stderr,
                 "tarvolin: GNOME's keyboard settings did not keep the shortcut (is there a "
                 "session bus?); bind %s to %s in the desktop's own settings\n",
                 key.c_str(), command.c_str());
    return 1;
  }
  std::printf(
      "%s now runs %s (GNOME Settings, Keyboard, Custom Shortcuts); "
      "tarvolin --unbind-key takes it back\n",
      key.c_str(), command.c_str());
  return 0;
}

int UnbindGnomeKey() {
  if (!SchemaHere()) {
    return 0;
  }
  std::vector<std::string> paths = CurrentPaths();
  std::vector<std::string> kept;
  for (const std::string& path : paths) {
    if (path != kPath) {
      kept.push_back(path);
    }
  }
  const std::string entry = std::string(kEntrySchema) + ":" + kPath;
  if ((kept.size() != paths.size() && !SetList(kept)) || !Gsettings({"reset-recursively", entry})) {
    std::fprintf(stderr, "tarvolin: GNOME's keyboard settings could not be written\n");
    return 1;
  }
  return 0;
}

bool GnomeKeyRuns(const std::string& command) {
  if (!SchemaHere()) {
    return false;
  }
  for (const std::string& path : CurrentPaths()) {
    const std::string binding = EntryValue(path, "binding");
    if (EntryValue(path, "command").find(command) != std::string::npos && !binding.empty() &&
        binding != "''") {
      return true;
    }
  }
  return false;
}

}  // namespace tarvolin
