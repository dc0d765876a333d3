#include "sys/posix/desktop_applications.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "sys/posix/posix_shell.h"

namespace tarvolin::sys {

namespace {

struct Unref {
  void operator()(gpointer object) const { g_object_unref(object); }
  void operator()(GKeyFile* file) const { g_key_file_unref(file); }
  void operator()(GAppLaunchContext* context) const { g_object_unref(context); }
};
using AppInfo = std::unique_ptr<GDesktopAppInfo, Unref>;
struct Free {
  void operator()(gpointer memory) const { g_free(memory); }
};
using Text = std::unique_ptr<char, Free>;

constexpr char kGroup[] = "Desktop Entry";

// Between fork and exec in the application's process: only chdir.
void EnterFolder(gpointer folder) {
  [[maybe_unused]] const int ignored = ::chdir(static_cast<const char*>(folder));
}

// The same entry with its Exec line run by the user's terminal; null when
// there is no terminal.
AppInfo InTerminal(GDesktopAppInfo* info) {
  const std::vector<std::string> terminal = TerminalCommand();
  const char* file = g_desktop_app_info_get_filename(info);
  std::unique_ptr<GKeyFile, Unref> keys(g_key_file_new());
  if (terminal.empty() || file == nullptr ||
      !g_key_file_load_from_file(keys.get(), file, G_KEY_FILE_KEEP_TRANSLATIONS, nullptr)) {
    return nullptr;
  }
  const Text exec(g_key_file_get_string(keys.get(), kGroup, "Exec", nullptr));
  // The terminal's words go in as they are: a % of theirs is doubled, or
  // GIO would read it as a field code (%c, the entry's name).
  std::string line;
  for (const std::string& word : terminal) {
    std::string plain;
    for (const char c : word) {
      plain += c == '%' ? std::string("%%") : std::string(1, c);
    }
    line += Text(g_shell_quote(plain.c_str())).get();
    line += ' ';
  }
  line += exec ? exec.get() : "";
  g_key_file_set_string(keys.get(), kGroup, "Exec", line.c_str());
  g_key_file_set_boolean(keys.get(), kGroup, "Terminal", FALSE);
  g_key_file_remove_key(keys.get(), kGroup, "DBusActivatable", nullptr);
  return AppInfo(g_desktop_app_info_new_from_keyfile(keys.get()));
}

class DesktopApplications final : public NamedApplications {
 public:
  std::string Launch(const std::string& id, const std::string& folder, bool inTerminal) override {
    AppInfo info(g_desktop_app_info_new(id.c_str()));
    if (!info) {
      return id + " is no longer installed.";
    }
    const bool terminal = inTerminal || g_desktop_app_info_get_boolean(info.get(), "Terminal");
    if (terminal) {
      info = InTerminal(info.get());
      if (!info) {
        return kNoTerminalText;
      }
    }
    std::unique_ptr<GAppLaunchContext, Unref> context(g_app_launch_context_new());
    GError* error = nullptr;
    gboolean started = FALSE;
    if (g_desktop_app_info_get_boolean(info.get(), "DBusActivatable")) {
      // The application's own process, asked over the session bus, starts
      // where it likes.
      started = g_app_info_launch(G_APP_INFO(info.get()), nullptr, context.get(), &error);
    } else {
      // An entry's own Path wins over the folder commands start in.
      const bool ownFolder = g_desktop_app_info_has_key(info.get(), "Path") || folder.empty();
      started = g_desktop_app_info_launch_uris_as_manager(
          info.get(), nullptr, context.get(), G_SPAWN_SEARCH_PATH,
          ownFolder ? nullptr : EnterFolder, const_cast<char*>(folder.c_str()), nullptr, nullptr,
          &error);
    }
    if (started) {
      return {};
    }
    std::string why = error != nullptr ? error->message : "it did not start";
    g_clear_error(&error);
    return g_app_info_get_name(G_APP_INFO(info.get())) + std::string(": ") + why;
  }

 private:
  // Shown entries only, the user's own first: where two share a name,
  // theirs wins over the system's, Flatpak's and Snap's.
  std::vector<Entry> Read() override {
    const std::string own = std::string(g_get_user_data_dir()) + "/applications/";
    std::vector<Entry> entries;
    std::vector<Entry> others;
    GList* all = g_app_info_get_all();
    for (GList* item = all; item != nullptr; item = item->next) {
      auto* info = G_DESKTOP_APP_INFO(item->data);
      if (!g_app_info_should_show(G_APP_INFO(info)) || g_desktop_app_info_get_is_hidden(info)) {
        continue;
      }
      const char* name = g_app_info_get_name(G_APP_INFO(info));
      const char* genericName = g_desktop_app_info_get_generic_name(info);
      const char* file = g_desktop_app_info_get_filename(info);
      const bool users = file != nullptr && std::string(file).rfind(own, 0) == 0;
      (users ? entries : others)
          .push_back({g_app_info_get_id(G_APP_INFO(info)), name != nullptr ? name : "",
                      genericName != nullptr ? genericName : ""});
    }
    g_list_free_full(all, g_object_unref);
    entries.insert(entries.end(), others.begin(), others.end());
    return entries;
  }

  // As the desktop's search compares: case folded, all of Unicode.
  std::string Folded(const std::string& name) const override {
    if (!g_utf8_validate(name.c_str(), -1, nullptr)) {
      return {};
    }
    return Text(g_utf8_casefold(name.c_str(), -1)).get();
  }
};

}  // namespace

std::unique_ptr<Applications> MakeDesktopApplications() {
  return std::make_unique<DesktopApplications>();
}

}  // namespace tarvolin::sys

// The program loads this module at the first line that needs it: GIO and
// its libraries are not loaded at start-up.
extern "C" __attribute__((visibility("default"))) tarvolin::sys::Applications*
tarvolin_create_applications() {
  return tarvolin::sys::MakeDesktopApplications().release();
}
