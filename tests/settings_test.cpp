// tv.ini and the settings: the profile routines, the reading of numbers,
// the web-extension list and LoadSettings.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/ini_store.h"
#include "support/temp_folder.h"

namespace tarvolin {
namespace {

using testing::TempFolder;
using Strings = std::vector<std::string>;

// The file system as LoadSettings sees it: only the search for an ordinary
// file and the program folder matter, so both stand on the real folder.
class FolderFileSystem : public platform::FileSystem {
 public:
  explicit FolderFileSystem(std::string folder) : folder_(std::move(folder)) {}

  std::string FirstMatchingEntry(const std::string& pattern, unsigned attributes) override {
    ++searches;
    lastAttributes = attributes;
    const std::filesystem::path path(pattern);
    std::error_code ec;
    const std::string name = path.filename().string();
    if (!std::filesystem::is_regular_file(path, ec) || name.empty() || name.front() == '.') {
      return "";
    }
    return name;
  }
  bool SetCurrentFolder(const std::string&) override { return false; }
  std::string CurrentFolder() const override { return folder_; }
  std::string ProgramFolder() const override { return folder_; }
  std::string NativePath(const std::string& path) const override { return path; }

  int searches = 0;
  unsigned lastAttributes = 99;

 private:
  std::string folder_;
};

// A profile store that records each call and answers with a fixed text.
class RecordingProfile : public platform::ProfileStore {
 public:
  struct Call {
    std::string section, key, defaultValue, fileName;
    int size;
    bool bufferWasZero;
  };

  int GetPrivateProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, char* buffer, int size,
                              const std::string& fileName) override {
    bool zero = true;
    for (int i = 0; i < size; ++i) {
      zero = zero && buffer[i] == '\0';
    }
    calls.push_back({section, key, defaultValue, fileName, size, zero});
    // Fill more of the buffer than the count says, as a sloppy store might.
    std::memcpy(buffer, answer.data(), std::min<std::size_t>(answer.size(), 255));
    return count;
  }
  int WritePrivateProfileString(const std::string&, const std::string&, const std::string&,
                                const std::string&) override {
    return writeResult;
  }

  std::vector<Call> calls;
  std::string answer = "abcdefgh";
  int count = 3;
  int writeResult = 1;
};

TEST(ReadIniValueTest, CallsTheStoreWithAZeroBufferOf255AndKeepsTheCount) {
  RecordingProfile profile;
  EXPECT_EQ(ReadIniValue(profile, "Tarvolin", "loca", "/p/tv.ini"), "abc");
  ASSERT_EQ(profile.calls.size(), 1u);
  const RecordingProfile::Call& call = profile.calls[0];
  EXPECT_EQ(call.section, "Tarvolin");
  EXPECT_EQ(call.key, "loca");
  EXPECT_EQ(call.defaultValue, "");
  EXPECT_EQ(call.fileName, "/p/tv.ini");
  EXPECT_EQ(call.size, 255);
  EXPECT_TRUE(call.bufferWasZero);

  profile.count = 0;
  EXPECT_EQ(ReadIniValue(profile, "Tarvolin", "loca", "/p/tv.ini"), "");
}

TEST(WriteIniValueTest, ReportsTheStoresResult) {
  RecordingProfile profile;
  profile.writeResult = 0;
  EXPECT_EQ(WriteIniValue(profile, "S", "k", "v", "f"), 0);
  // A result whose low 16 bits are zero is still a success.
  profile.writeResult = 0x10000;
  EXPECT_NE(WriteIniValue(profile, "S", "k", "v", "f"), 0);

  TempFolder folder;
  platform::IniStore store;
  EXPECT_NE(WriteIniValue(store, "S", "k", "v", folder / "tv.ini"), 0);
  EXPECT_EQ(WriteIniValue(store, "S", "k", "v", folder / "no/tv.ini"), 0);
}

TEST(LeadingNumberTest, ReadsTheNumberATextBeginsWith) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* text;
    double expected;
  } cases[] = {
      {"2.5", 2.5},     {"3.5", 3.5},  {"abc", 0},     {"", 0},
      {" 1", 1},        {"-1", -1},    {"+2", 2},      {"1e1", 10},
      {"1E2", 100},     {"1e-1", 0.1}, {"1e+2", 100},  {"  4  ", 4},
      {"4abc", 4},      {"1 2", 12},   {"- 3", -3},    {"\t\n7\n", 7},
      {"1 e 2", 100},   {".5", 0.5},   {"5.", 5},      {"1e", 1},
      {"1e+", 1},       {"2ex", 2},    {"1.2.3", 1.2}, {"1,5", 1},
      {"--1", 0},       {"-", 0},      {".", 0},       {"\r1", 0},
      {"yes", 0},       {"0", 0},      {"007", 7},     {"1e999", inf},
      {"-1e999", -inf}, {"1e-999", 0}, {"0e999", 0},   {"0.0001e400", inf},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(LeadingNumberTest, IgnoresTheUsersLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  const char* found = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      found = name;
      break;
    }
  }
  if (found == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  }
  const double value = LeadingNumber("2.5");
  const double comma = LeadingNumber("2,5");
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(value, 2.5) << found;
  EXPECT_EQ(comma, 2.0) << found;
}

TEST(RoundToInt16Test, RoundsHalfToEvenWithinRange) {
  const struct {
    double value;
    std::int16_t expected;
  } cases[] = {
      {2.5, 2},      {3.5, 4},    {-2.5, -2},       {-3.5, -4},   {0.5, 0},
      {1.5, 2},      {-0.5, 0},   {2.4999, 2},      {2.5001, 3},  {-0.4, 0},
      {4, 4},        {-1, -1},    {32767.4, 32767}, {32767.5, 0}, {-32768.5, -32768},
      {-32768.6, 0}, {-32769, 0}, {1e10, 0},        {-1e300, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RoundToInt16(c.value), c.expected) << c.value;
  }
  EXPECT_EQ(RoundToInt16(std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(RoundToInt16(-std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(RoundToInt16(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(NumberTextTest, PutsABlankWhereTheSignWouldStand) {
  EXPECT_EQ(NumberText(4), " 4");
  EXPECT_EQ(NumberText(0), " 0");
  EXPECT_EQ(NumberText(-3), "-3");
  EXPECT_EQ(NumberText(32767), " 32767");
  EXPECT_EQ(NumberText(-32768), "-32768");
}

TEST(ParseWebExtensionsTest, SplitsAtEveryCommaButTheLast) {
  const struct {
    const char* text;
    Strings expected;
  } cases[] = {
      {"com,org,net", {".com", ".org", ".net"}},
      {"com", {".com"}},
      {"com,,net", {".com", ".", ".net"}},
      {",com", {".", ".com"}},
      {"com,org,", {".com", ".org,"}},
      {",", {".,"}},
      {",,", {".", ".,"}},
      {"", {"."}},
      {"com, org", {".com", ". org"}},
      {"COM", {".COM"}},
      {"c", {".c"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseWebExtensions(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(FileInFolderTest, JoinsWithOneSeparator) {
#ifdef _WIN32
  EXPECT_EQ(platform::FileInFolder("C:\\prog", "tv.ini"), "C:\\prog\\tv.ini");
  EXPECT_EQ(platform::FileInFolder("C:\\", "tv.ini"), "C:\\tv.ini");
#else
  EXPECT_EQ(platform::FileInFolder("/home/x/prog", "tv.ini"), "/home/x/prog/tv.ini");
  EXPECT_EQ(platform::FileInFolder("/home/x/prog/", "tv.ini"), "/home/x/prog/tv.ini");
  EXPECT_EQ(platform::FileInFolder("/", "tv.ini"), "/tv.ini");
#endif
}

class LoadSettingsTest : public ::testing::Test {
 protected:
  LoadSettingsTest() : files_(folder_.Path()) {
    // Values LoadSettings must overwrite whenever it reads the file.
    settings_.CornerCode = 7;
    settings_.CaseSensitive = true;
    settings_.AutoUpdate = true;
  }

  // Writes tv.ini with the one key (or none when `value` is null) and loads.
  SettingsState LoadWith(const char* key, const char* value) {
    std::string text = "[Tarvolin]\r\n";
    if (value != nullptr) {
      text += std::string(key) + "=" + value + "\r\n";
    }
    folder_.Write("tv.ini", text);
    SettingsState settings = settings_;
    LoadSettings(settings, store_, files_, [this] { ++firstRuns_; });
    return settings;
  }

  TempFolder folder_;
  FolderFileSystem files_;
  platform::IniStore store_;
  SettingsState settings_;
  int firstRuns_ = 0;
};

TEST_F(LoadSettingsTest, CornerIsTheRoundedLeadingNumber) {
  const struct {
    const char* value;
    std::int16_t expected;
  } cases[] = {
      {"2.5", 2}, {"3.5", 4}, {"abc", 0},  {"", 0},      {nullptr, 0}, {" 1", 1},
      {"-1", -1}, {"2", 2},   {"1e1", 10}, {"  4  ", 4}, {"4abc", 4},  {"\"3\"", 3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LoadWith("loca", c.value).CornerCode, c.expected)
        << (c.value ? c.value : "(missing)");
  }
  EXPECT_EQ(firstRuns_, 0);
}

TEST_F(LoadSettingsTest, SwitchesAreOnForAnyNonZeroNumber) {
  const struct {
    const char* value;
    bool expected;
  } cases[] = {
      {"-1", true}, {"2", true}, {" 1", true},     {"0.5", true},  {"yes", false},
      {"0", false}, {"", false}, {nullptr, false}, {"0.0", false}, {"true", false},
  };
  for (const auto& c : cases) {
    const char* shown = c.value ? c.value : "(missing)";
    EXPECT_EQ(LoadWith("CaseSensitive", c.value).CaseSensitive, c.expected) << shown;
    EXPECT_EQ(LoadWith("AutoUpdate", c.value).AutoUpdate, c.expected) << shown;
  }
}

TEST_F(LoadSettingsTest, WebExtensionsFillTheListOnlyWhenNotEmpty) {
  EXPECT_EQ(LoadWith("WebExtensions", "com,org,net").WebExtensionList,
            (Strings{".com", ".org", ".net"}));
  EXPECT_TRUE(LoadWith("WebExtensions", "").WebExtensionList.empty());
  EXPECT_TRUE(LoadWith("WebExtensions", nullptr).WebExtensionList.empty());

  // An empty text leaves whatever the list held.
  settings_.WebExtensionList = {".kept"};
  EXPECT_EQ(LoadWith("WebExtensions", "").WebExtensionList, Strings{".kept"});
  EXPECT_EQ(LoadWith("WebExtensions", "de").WebExtensionList, Strings{".de"});
}

TEST_F(LoadSettingsTest, ReadsTheFourKeysInOrderFromTheProgramFolder) {
  folder_.Write("tv.ini", "[Tarvolin]\r\n");
  RecordingProfile profile;
  profile.answer = "1";
  profile.count = 1;
  SettingsState settings;
  LoadSettings(settings, profile, files_, [this] { ++firstRuns_; });

  Strings keys;
  for (const RecordingProfile::Call& call : profile.calls) {
    keys.push_back(call.key);
    EXPECT_EQ(call.section, "Tarvolin");
    EXPECT_EQ(call.fileName, folder_ / "tv.ini");
  }
  EXPECT_EQ(keys, (Strings{"loca", "CaseSensitive", "AutoUpdate", "WebExtensions"}));
  EXPECT_EQ(files_.lastAttributes, platform::kAttrNormal);
  EXPECT_EQ(settings.CornerCode, 1);
  EXPECT_EQ(settings.WebExtensionList, Strings{".1"});
  EXPECT_EQ(firstRuns_, 0);
}

TEST_F(LoadSettingsTest, WithoutAnOrdinaryFileRunsFirstRunSetUpInstead) {
  for (const bool asFolder : {false, true}) {
    if (asFolder) {
      folder_.MakeFolder("tv.ini");
    }
    RecordingProfile profile;
    int runs = 0;
    SettingsState settings;
    LoadSettings(settings, profile, files_, [&] {
      ++runs;
      settings.CornerCode = 3;
      settings.WebExtensionList = {".set"};
    });
    EXPECT_EQ(runs, 1) << asFolder;
    EXPECT_TRUE(profile.calls.empty()) << asFolder;
    EXPECT_EQ(settings.CornerCode, 3) << asFolder;
    EXPECT_EQ(settings.WebExtensionList, Strings{".set"}) << asFolder;
  }
}

TEST_F(LoadSettingsTest, FirstRunFileIsReadBackAtTheNextStart) {
  const std::string path = SettingsFilePath(files_);
  auto firstRun = [&] {
    ++firstRuns_;
    WriteIniValue(store_, kSettingsSection, "loca", NumberText(4), path);
    WriteIniValue(store_, kSettingsSection, "AutoUpdate", NumberText(1), path);
    WriteIniValue(store_, kSettingsSection, "CaseSensitive", NumberText(0), path);
    WriteIniValue(store_, kSettingsSection, "WebExtensions", "com,org,net", path);
  };
  SettingsState first;
  LoadSettings(first, store_, files_, firstRun);
  EXPECT_EQ(firstRuns_, 1);
  EXPECT_EQ(folder_.Read("tv.ini"),
            "[Tarvolin]\r\nloca= 4\r\nAutoUpdate= 1\r\nCaseSensitive= 0\r\n"
            "WebExtensions=com,org,net\r\n");

  SettingsState second;
  LoadSettings(second, store_, files_, firstRun);
  EXPECT_EQ(firstRuns_, 1);
  EXPECT_EQ(second.CornerCode, 4);
  EXPECT_FALSE(second.CaseSensitive);
  EXPECT_TRUE(second.AutoUpdate);
  EXPECT_EQ(second.WebExtensionList, (Strings{".com", ".org", ".net"}));

  // The options dialog's order changes values only, not the order of lines.
  WriteIniValue(store_, kSettingsSection, "loca", NumberText(-3), path);
  WriteIniValue(store_, kSettingsSection, "CaseSensitive", NumberText(1), path);
  WriteIniValue(store_, kSettingsSection, "AutoUpdate", NumberText(0), path);
  WriteIniValue(store_, kSettingsSection, "WebExtensions", "de", path);
  EXPECT_EQ(folder_.Read("tv.ini"),
            "[Tarvolin]\r\nloca=-3\r\nAutoUpdate= 0\r\nCaseSensitive= 1\r\nWebExtensions=de\r\n");
}

}  // namespace
}  // namespace tarvolin
