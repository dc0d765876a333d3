#include "sys/windows/windows_applications.h"

#include <windows.h>
// After <windows.h>.
#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

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

class StartMenuApplications final : public NamedApplications {
 public:
  explicit StartMenuApplications(std::vector<std::string> folders) : folders_(std::move(folders)) {
    if (folders_.empty()) {
      folders_ = {KnownFolder(FOLDERID_Programs), KnownFolder(FOLDERID_CommonPrograms)};
    }
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
  // The shortcuts of each folder and its subfolders, by their file names.
  std::vector<Entry> Read() override {
    namespace fs = std::filesystem;
    std::vector<Entry> shortcuts;
    stamps_.clear();
    for (const std::string& folder : folders_) {
      std::error_code error;
      stamps_.emplace_back(ToWide(folder), fs::last_write_time(ToWide(folder), error));
      fs::recursive_directory_iterator entries(
          ToWide(folder), fs::directory_options::skip_permission_denied, error);
      for (; !error && entries != fs::recursive_directory_iterator(); entries.increment(error)) {
        const fs::path& path = entries->path();
        if (entries->is_directory(error)) {
          stamps_.emplace_back(path, fs::last_write_time(path, error));
        } else if (Folded(FromWide(path.extension().wstring())) == ".lnk" &&
                   entries->is_regular_file(error)) {
          // Shortcuts of one name are told apart by their folders; the
          // shortcut gives its own icon.
          const std::string file = FromWide(path.wstring());
          shortcuts.push_back({file,
                               FromWide(path.stem().wstring()),
                               {},
                               FromWide(path.parent_path().filename().wstring()),
                               file});
        }
      }
    }
    return shortcuts;
  }

  // A shortcut added, renamed or removed changes its folder's time.
  bool Changed() override {
    return std::any_of(stamps_.begin(), stamps_.end(), [](const auto& stamp) {
      std::error_code error;
      return std::filesystem::last_write_time(stamp.first, error) != stamp.second;
    });
  }

  // As Windows compares file names: each letter made small on its own.
  std::string Folded(const std::string& name) const override {
    std::wstring wide = ToWide(name);
    ::CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return FromWide(wide);
  }

  // Decomposed (FoldString's composite mapping), without the marks that
  // sit on a letter.
  std::string Bare(const std::string& folded) const override {
    if (std::all_of(folded.begin(), folded.end(), [](char c) { return (c & 0x80) == 0; })) {
      return folded;
    }
    const std::wstring wide = ToWide(folded);
    const int size =
        ::FoldStringW(MAP_COMPOSITE, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0);
    if (size <= 0) {
      return folded;
    }
    std::wstring decomposed(static_cast<std::size_t>(size), L'\0');
    ::FoldStringW(MAP_COMPOSITE, wide.c_str(), static_cast<int>(wide.size()), decomposed.data(),
                  size);
    std::vector<WORD> types(decomposed.size());
    ::GetStringTypeW(CT_CTYPE3, decomposed.c_str(), static_cast<int>(decomposed.size()),
                     types.data());
    std::wstring bare;
    for (std::size_t k = 0; k < decomposed.size(); ++k) {
      if ((types[k] & C3_NONSPACING) == 0) {
        bare += decomposed[k];
      }
    }
    return FromWide(bare);
  }

  std::vector<std::string> folders_;
  std::vector<std::pair<std::filesystem::path, std::filesystem::file_time_type>> stamps_;
};

}  // namespace

std::unique_ptr<Applications> MakeStartMenuApplications(std::vector<std::string> folders) {
  return std::make_unique<StartMenuApplications>(std::move(folders));
}

}  // namespace tarvolin::sys
