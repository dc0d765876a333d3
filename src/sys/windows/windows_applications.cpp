#include "sys/windows/windows_applications.h"

#include <windows.h>
// After <windows.h>.
#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include <chrono>
#include <filesystem>
#include <system_error>
#include <utility>

#include "sys/text.h"

namespace tarvolin::sys {

namespace {

std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::string folder;
  if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path))) {
    folder = FromWide(path);
  }
  ::CoTaskMemFree(path);
  return folder;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

class StartMenuApplications final : public Applications {
 public:
  explicit StartMenuApplications(std::vector<std::string> folders) : folders_(std::move(folders)) {
    if (folders_.empty()) {
      folders_ = {KnownFolder(FOLDERID_Programs), KnownFolder(FOLDERID_CommonPrograms)};
    }
  }

  std::string Find(const std::string& name) override {
    Load(false);
    std::string found = Lookup(name);
    if (found.empty() && Load(true)) {
      found = Lookup(name);
    }
    return found;
  }

  std::vector<std::string> Names() override {
    Load(false);
    std::vector<std::string> names;
    for (const Shortcut& shortcut : shortcuts_) {
      names.push_back(FromWide(shortcut.name));
    }
    return names;
  }

  // The shortcut's own "Start in" wins over the folder given.
  std::string Launch(const std::string& id, const std::string& folder, bool) override {
    const auto code = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", ToWide(id).c_str(), nullptr,
                        folder.empty() ? nullptr : ToWide(folder).c_str(), SW_SHOWNORMAL));
    return code > 32 ? std::string()
                     : id + " could not be opened (error " + std::to_string(code) + ").";
  }

 private:
  struct Shortcut {
    std::wstring name;
    std::string path;
  };

  bool Load(bool again) {
    const auto now = std::chrono::steady_clock::now();
    if (loaded_ && (!again || now - loadedAt_ < std::chrono::seconds(2))) {
      return false;
    }
    loaded_ = true;
    loadedAt_ = now;
    shortcuts_.clear();
    namespace fs = std::filesystem;
    for (const std::string& folder : folders_) {
      std::error_code error;
      fs::recursive_directory_iterator entries(
          ToWide(folder), fs::directory_options::skip_permission_denied, error);
      for (; !error && entries != fs::recursive_directory_iterator(); entries.increment(error)) {
        const fs::path& path = entries->path();
        std::wstring name = path.stem().wstring();
        if (!SameName(path.extension().wstring(), L".lnk") || !entries->is_regular_file(error)) {
          continue;
        }
        bool known = false;
        for (const Shortcut& shortcut : shortcuts_) {
          known = known || SameName(shortcut.name, name);
        }
        if (!known) {
          shortcuts_.push_back({std::move(name), FromWide(path.wstring())});
        }
      }
    }
    return true;
  }

  std::string Lookup(const std::string& name) const {
    const std::wstring wanted = ToWide(name);
    for (const Shortcut& shortcut : shortcuts_) {
      if (SameName(shortcut.name, wanted)) {
        return shortcut.path;
      }
    }
    return {};
  }

  std::vector<std::string> folders_;
  bool loaded_ = false;
  std::chrono::steady_clock::time_point loadedAt_;
  std::vector<Shortcut> shortcuts_;
};

}  // namespace

std::unique_ptr<Applications> MakeStartMenuApplications(std::vector<std::string> folders) {
  return std::make_unique<StartMenuApplications>(std::move(folders));
}

}  // namespace tarvolin::sys
