#include "sys/posix/desktop_applications.h"

#include <dirent.h>
#include <gio/gio.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sys/posix/posix_shell.h"

// The entries are read with GLib's key files and started with our own
// spawn, not through GIO's GDesktopAppInfo: creating any of those makes GIO
// walk every folder of entries, following links, which a loop of links
// (`ln -s . applications/loop`) keeps going for ever, and GIO opens anything
// named .desktop, a FIFO that never answers too.

namespace tarvolin::sys {

namespace {

struct Unref {
  void operator()(GKeyFile* file) const { g_key_file_unref(file); }
  void operator()(GDBusConnection* bus) const { g_object_unref(bus); }
};
using EntryKeys = std::unique_ptr<GKeyFile, Unref>;
struct Free {
  void operator()(gpointer memory) const { g_free(memory); }
};
using Text = std::unique_ptr<char, Free>;
struct FreeStrings {
  void operator()(gchar** strings) const { g_strfreev(strings); }
};
using Strings = std::unique_ptr<gchar*, FreeStrings>;

constexpr char kGroup[] = "Desktop Entry";

EntryKeys ReadKeys(const std::string& file) {
  EntryKeys keys(g_key_file_new());
  if (!g_key_file_load_from_file(keys.get(), file.c_str(), G_KEY_FILE_NONE, nullptr) ||
      !g_key_file_has_group(keys.get(), kGroup)) {
    return nullptr;
  }
  return keys;
}

std::string String(GKeyFile* keys, const char* key, bool localized = false) {
  const Text value(localized ? g_key_file_get_locale_string(keys, kGroup, key, nullptr, nullptr)
                             : g_key_file_get_string(keys, kGroup, key, nullptr));
  return value ? value.get() : "";
}

bool Boolean(GKeyFile* keys, const char* key) {
  return g_key_file_get_boolean(keys, kGroup, key, nullptr) != FALSE;
}

// Whether one of the desktops of XDG_CURRENT_DESKTOP is in the list `key`.
bool ListsThisDesktop(GKeyFile* keys, const char* key) {
  const Strings listed(g_key_file_get_string_list(keys, kGroup, key, nullptr, nullptr));
  const char* current = std::getenv("XDG_CURRENT_DESKTOP");
  if (!listed || current == nullptr) {
    return false;
  }
  const Strings desktops(g_strsplit(current, ":", -1));
  for (gchar** desktop = desktops.get(); *desktop != nullptr; ++desktop) {
    if (g_strv_contains(listed.get(), *desktop)) {
      return true;
    }
  }
  return false;
}

// Whether `program` is installed, each one looked for on PATH once a read:
// thousands of entries run a handful of programs.
bool Installed(const std::string& program, std::map<std::string, bool>& known) {
  const auto [at, added] = known.try_emplace(program, false);
  if (added) {
    at->second = !program.empty() && Text(g_find_program_in_path(program.c_str())) != nullptr;
  }
  return at->second;
}

// The words of an Exec line; empty when it does not parse.
std::vector<std::string> ExecWords(const std::string& exec) {
  gint count = 0;
  gchar** words = nullptr;
  if (exec.empty() || !g_shell_parse_argv(exec.c_str(), &count, &words, nullptr)) {
    return {};
  }
  const Strings owned(words);
  return std::vector<std::string>(words, words + count);
}

// An application this desktop shows: not NoDisplay, meant for this
// desktop, its TryExec and Exec programs installed.
bool Shown(GKeyFile* keys, std::map<std::string, bool>& installed) {
  if (String(keys, "Type") != "Application" || Boolean(keys, "NoDisplay") ||
      (g_key_file_has_key(keys, kGroup, "OnlyShowIn", nullptr) &&
       !ListsThisDesktop(keys, "OnlyShowIn")) ||
      ListsThisDesktop(keys, "NotShowIn")) {
    return false;
  }
  const std::string tryExec = String(keys, "TryExec");
  if (!tryExec.empty() && !Installed(tryExec, installed)) {
    return false;
  }
  const std::vector<std::string> exec = ExecWords(String(keys, "Exec"));
  return exec.empty() ? Boolean(keys, "DBusActivatable") : Installed(exec.front(), installed);
}

// Asks the application's own process over the session bus to show itself
// (org.freedesktop.Application), its name and path from its id.
std::string Activate(const std::string& id) {
  const std::string name = id.substr(0, id.size() - std::string(".desktop").size());
  std::string path = "/" + name;
  std::replace(path.begin(), path.end(), '.', '/');
  std::replace(path.begin(), path.end(), '-', '_');
  GError* error = nullptr;
  const std::unique_ptr<GDBusConnection, Unref> bus(
      g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error));
  if (!bus || !g_dbus_is_name(name.c_str()) || !g_variant_is_object_path(path.c_str())) {
    g_clear_error(&error);
    return id + ": there is no session bus to start it through.";
  }
  g_dbus_connection_call(bus.get(), name.c_str(), path.c_str(), "org.freedesktop.Application",
                         "Activate", g_variant_new("(a{sv})", nullptr), nullptr,
                         G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
  g_dbus_connection_flush_sync(bus.get(), nullptr, nullptr);
  return {};
}

class DesktopApplications final : public NamedApplications {
 public:
  std::string Launch(const std::string& id, const std::string& folder, bool inTerminal) override {
    const auto found = files_.find(id);
    const EntryKeys keys = found != files_.end() ? ReadKeys(found->second) : nullptr;
    if (!keys) {
      return id + " is no longer installed.";
    }
    const bool terminal = inTerminal || Boolean(keys.get(), "Terminal");
    if (Boolean(keys.get(), "DBusActivatable") && !terminal) {
      return Activate(id);
    }
    std::vector<std::string> words =
        ExecArguments(ExecWords(String(keys.get(), "Exec")), String(keys.get(), "Name", true),
                      String(keys.get(), "Icon"), found->second);
    if (words.empty()) {
      return id + " names no program to start.";
    }
    if (terminal) {
      std::vector<std::string> command = TerminalCommand();
      if (command.empty()) {
        return kNoTerminalText;
      }
      command.insert(command.end(), words.begin(), words.end());
      words = std::move(command);
    }
    // An entry's own Path wins over the folder commands start in.
    const std::string own = String(keys.get(), "Path");
    const Text program(g_find_program_in_path(words.front().c_str()));
    if (!program) {
      return words.front() + " is not installed.";
    }
    return SpawnDetached(program.get(), {words.begin() + 1, words.end()},
                         own.empty() ? folder : own);
  }

 private:
  // Shown entries only, the user's own first: where two share a name,
  // theirs wins over the system's, Flatpak's and Snap's. Only regular
  // files are read, each folder once.
  std::vector<Entry> Read() override {
    files_.clear();
    folders_.clear();
    installed_.clear();
    std::vector<Entry> entries;
    std::set<std::pair<dev_t, ino_t>> walked;
    for (const std::string& folder : DataFolders()) {
      Walk(folder, "", 0, walked, entries);
    }
    return entries;
  }

  static std::vector<std::string> DataFolders() {
    std::vector<std::string> folders{std::string(g_get_user_data_dir()) + "/applications"};
    for (const char* const* data = g_get_system_data_dirs(); *data != nullptr; ++data) {
      folders.push_back(std::string(*data) + "/applications");
    }
    return folders;
  }

  // A folder's entries, its subfolders' under "sub-" ids, as desktop
  // entries are named; an id found before wins, a hidden one too.
  void Walk(const std::string& folder, const std::string& prefix, int depth,
            std::set<std::pair<dev_t, ino_t>>& walked, std::vector<Entry>& entries) {
    struct stat about {};
    if (depth > kMaxDepth || ::stat(folder.c_str(), &about) != 0 || !S_ISDIR(about.st_mode) ||
        !walked.insert({about.st_dev, about.st_ino}).second) {
      return;
    }
    folders_.emplace_back(folder, Stamp(about));
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
      return;
    }
    std::vector<std::string> names;
    while (const dirent* item = ::readdir(dir.get())) {
      const std::string name = item->d_name;
      if (name != "." && name != "..") {
        names.push_back(name);
      }
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      std::string path = folder;
      path.append("/").append(name);
      if (::stat(path.c_str(), &about) != 0) {
        continue;
      }
      if (S_ISDIR(about.st_mode)) {
        Walk(path, prefix + name + "-", depth + 1, walked, entries);
        continue;
      }
      const std::string id = prefix + name;
      if (!S_ISREG(about.st_mode) || !name.ends_with(".desktop") ||
          about.st_size > kMaxEntryBytes || files_.count(id) != 0) {
        continue;
      }
      files_[id] = path;
      const EntryKeys keys = ReadKeys(path);
      if (keys && !Boolean(keys.get(), "Hidden") && Shown(keys.get(), installed_)) {
        entries.push_back({id, String(keys.get(), "Name", true),
                           String(keys.get(), "GenericName", true), id.substr(0, id.size() - 8),
                           String(keys.get(), "Icon", true)});
      }
    }
  }

  static std::string Stamp(const struct stat& about) {
    return std::to_string(about.st_mtim.tv_sec) + "." + std::to_string(about.st_mtim.tv_nsec) +
           "/" + std::to_string(about.st_ino);
  }

  // Whether a folder walked last time changed since (an entry written,
  // renamed or removed changes its folder), or a data folder came.
  bool Changed() override {
    for (const auto& [folder, stamp] : folders_) {
      struct stat about {};
      if (::stat(folder.c_str(), &about) != 0 || Stamp(about) != stamp) {
        return true;
      }
    }
    for (const std::string& folder : DataFolders()) {
      struct stat about {};
      if (::stat(folder.c_str(), &about) == 0 &&
          std::none_of(folders_.begin(), folders_.end(),
                       [&folder](const auto& known) { return known.first == folder; })) {
        return true;
      }
    }
    return false;
  }

  // As the desktop's search compares: case folded, all of Unicode.
  std::string Folded(const std::string& name) const override {
    if (!g_utf8_validate(name.c_str(), -1, nullptr)) {
      return {};
    }
    return Text(g_utf8_casefold(name.c_str(), -1)).get();
  }

  // Decomposed, without the marks that sit on a letter, composed again.
  std::string Bare(const std::string& folded) const override {
    if (std::all_of(folded.begin(), folded.end(), [](char c) { return (c & 0x80) == 0; })) {
      return folded;
    }
    const Text decomposed(g_utf8_normalize(folded.c_str(), -1, G_NORMALIZE_NFD));
    if (!decomposed) {
      return folded;
    }
    std::string bare;
    for (const char* at = decomposed.get(); *at != '\0'; at = g_utf8_next_char(at)) {
      if (g_unichar_type(g_utf8_get_char(at)) != G_UNICODE_NON_SPACING_MARK) {
        bare.append(at, static_cast<std::size_t>(g_utf8_next_char(at) - at));
      }
    }
    return Text(g_utf8_normalize(bare.c_str(), -1, G_NORMALIZE_NFC)).get();
  }

  // Folders deeper than this are not looked into; a file bigger than this
  // is no desktop entry.
  static constexpr int kMaxDepth = 8;
  static constexpr off_t kMaxEntryBytes = 1 << 20;
  std::map<std::string, std::string> files_;
  std::vector<std::pair<std::string, std::string>> folders_;
  std::map<std::string, bool> installed_;
};

}  // namespace

std::vector<std::string> ExecArguments(const std::vector<std::string>& exec,
                                       const std::string& name, const std::string& icon,
                                       const std::string& file) {
  std::vector<std::string> arguments;
  for (const std::string& word : exec) {
    if (word == "%i") {
      if (!icon.empty()) {
        arguments.insert(arguments.end(), {"--icon", icon});
      }
      continue;
    }
    // Files and addresses: none are given, so their codes go, and a word
    // that was only such a code goes with them.
    static const std::set<std::string> kFileCodes{"%f", "%F", "%u", "%U", "%d",
                                                  "%D", "%n", "%N", "%v", "%m"};
    if (kFileCodes.count(word) != 0) {
      continue;
    }
    std::string argument;
    for (std::size_t k = 0; k < word.size(); ++k) {
      if (word[k] != '%' || k + 1 == word.size()) {
        argument += word[k];
        continue;
      }
      switch (word[++k]) {
        case '%':
          argument += '%';
          break;
        case 'c':
          argument += name;
          break;
        case 'k':
          argument += file;
          break;
        default:
          break;  // a code with nothing to give
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

std::unique_ptr<Applications> MakeDesktopApplications() {
  return std::make_unique<DesktopApplications>();
}

}  // namespace tarvolin::sys

// What the program looks up once it has loaded this module, beside the bar.
extern "C" __attribute__((visibility("default"))) tarvolin::sys::Applications*
tarvolin_create_applications() {
  return tarvolin::sys::MakeDesktopApplications().release();
}
