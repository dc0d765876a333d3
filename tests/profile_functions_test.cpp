// The profile functions as Windows documents them. Every case runs against
// our own INI store and, on Windows, against GetPrivateProfileStringA and
// WritePrivateProfileStringA themselves, so the two cannot drift apart.
//
// Wine rewrites the whole file on a write from what it parsed: blank lines
// are dropped and a new key goes after the section's comment lines. The
// cases where that shows are marked as Wine's and skipped for the system's
// functions under Wine; our store keeps to the Windows behaviour.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/filesystem.h"
#include "platform/posix/ini_store.h"
#include "settings/settings_file.h"
#include "support/system_info.h"
#include "support/temp_folder.h"
#ifdef _WIN32
#include "platform/windows/windows_profile.h"
#endif

namespace tarvolin {
namespace {

using testing::TempFolder;

enum class Store {
  kOurs,    // the INI store of our own
  kSystem,  // the Windows profile functions
};

std::unique_ptr<platform::ProfileStore> MakeStore(Store store) {
#ifdef _WIN32
  if (store == Store::kSystem) {
    return std::make_unique<platform::WindowsProfileStore>();
  }
#endif
  (void)store;
  return std::make_unique<platform::IniStore>();
}

std::vector<Store> Stores() {
#ifdef _WIN32
  return {Store::kOurs, Store::kSystem};
#else
  return {Store::kOurs};
#endif
}

const char* StoreName(Store store) {
  return store == Store::kOurs ? "OurStore" : "Win32";
}

// A case name as a test name: letters and digits only.
std::string TestName(Store store, const std::string& name) {
  std::string result = std::string(StoreName(store)) + "_";
  bool upper = true;
  for (const char c : name) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alnum) {
      upper = true;
      continue;
    }
    result += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    upper = false;
  }
  return result;
}

class ProfileTest : public ::testing::Test {
 protected:
  void UseStore(Store store) { store_ = MakeStore(store); }

  std::string File(const std::string& name) const {
    return platform::FileInFolder(folder_.Path(), name);
  }

  std::string Read(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& defaultValue = "<default>") {
    std::vector<char> buffer(4096, 'x');
    const int n = store_->GetPrivateProfileString(section, key, defaultValue, buffer.data(),
                                                  static_cast<int>(buffer.size()), file);
    EXPECT_GE(n, 0);
    EXPECT_EQ(buffer[static_cast<std::size_t>(n)], '\0');
    return std::string(buffer.data(), static_cast<std::size_t>(n));
  }

  TempFolder folder_;
  std::unique_ptr<platform::ProfileStore> store_;
};

// --- Reading ---------------------------------------------------------------

struct ReadCase {
  const char* name;
  const char* content;
  const char* section;
  const char* key;
  const char* expected;
  const char* wineDeparts = nullptr;  // why Wine reads something else, or null
};

// Failure messages name the case rather than dump its bytes.
void PrintTo(const ReadCase& c, std::ostream* out) {
  *out << c.name;
}

const ReadCase kReadCases[] = {
    {"plain", "[A]\r\nk=v\r\n", "A", "k", "v"},
    {"section name in any case", "[tarVOLIN]\r\nk=v\r\n", "Tarvolin", "k", "v"},
    {"key name in any case", "[A]\r\nWebExtensions=com\r\n", "A", "webextensions", "com"},
    {"blanks and tabs trimmed", " \t[ A\t]  \r\n\t k \t=  v w \t\r\n", "A", "k", "v w"},
    {"double quotes removed", "[A]\r\nk=\"a b\"\r\n", "A", "k", "a b"},
    {"single quotes removed", "[A]\r\nk= 'a b' \r\n", "A", "k", "a b"},
    {"unmatched quotes kept", "[A]\r\nk=\"a'\r\n", "A", "k", "\"a'"},
    {"quotes inside kept", "[A]\r\nk=a\"b\"\r\n", "A", "k", "a\"b\""},
    {"no inline comment", "[A]\r\nk=1 ; note\r\n", "A", "k", "1 ; note"},
    {"split at first equals", "[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
    {"empty value is not the default", "[A]\r\nk=\r\n", "A", "k", ""},
    {"line without equals is no key", "[A]\r\nk\r\nk=2\r\n", "A", "k", "2",
     "Wine takes a line without \"=\" for a key without a value and reads the default"},
    {"first key wins", "[A]\r\nk=1\r\nk=2\r\n", "A", "k", "1"},
    {"first section wins", "[A]\r\nk=1\r\n[A]\r\nk=2\r\n", "A", "k", "1"},
    {"header ends at last bracket", "[a]b]\r\nk=v\r\n", "a]b", "k", "v"},
    {"key in another section", "[A]\r\nx=1\r\n[B]\r\nk=2\r\n", "A", "k", "<default>"},
    {"key before any section", "k=1\r\n[A]\r\n", "A", "k", "<default>"},
    {"missing section", "[A]\r\nk=1\r\n", "B", "k", "<default>"},
    {"missing key", "[A]\r\nk=1\r\n", "A", "j", "<default>"},
    {"LF line ends", "[A]\nx=1\nk=2\n", "A", "k", "2"},
    {"CR line ends", "[A]\rx=1\rk=2", "A", "k", "2"},
    {"mixed line ends", "[B]\rk=1\n[A]\r\n\r\rk=2\n", "A", "k", "2"},
    {"last line without line end", "[A]\r\nk=last", "A", "k", "last"},
};

class ProfileReadTest : public ProfileTest,
                        public ::testing::WithParamInterface<std::tuple<Store, ReadCase>> {};

TEST_P(ProfileReadTest, ReadsTheValue) {
  const auto& [store, c] = GetParam();
  if (store == Store::kSystem && c.wineDeparts != nullptr && testing::RunningUnderWine()) {
    GTEST_SKIP() << "Wine's own behaviour: " << c.wineDeparts;
  }
  UseStore(store);
  const std::string file = File("read.ini");
  folder_.Write("read.ini", c.content);
  EXPECT_EQ(Read(file, c.section, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileReadTest,
                         ::testing::Combine(::testing::ValuesIn(Stores()),
                                            ::testing::ValuesIn(kReadCases)),
                         [](const auto& p) {
                           return TestName(std::get<0>(p.param), std::get<1>(p.param).name);
                         });

// --- Writing ---------------------------------------------------------------

struct WriteCase {
  const char* name;
  const char* before;  // null: no file
  const char* section;
  const char* key;
  const char* value;
  const char* after;
  const char* wineDeparts;  // why Wine writes something else, or null
};

void PrintTo(const WriteCase& c, std::ostream* out) {
  *out << c.name;
}

void PrintTo(Store store, std::ostream* out) {
  *out << StoreName(store);
}

const WriteCase kWriteCases[] = {
    {"new file", nullptr, "Tarvolin", "loca", "4", "[Tarvolin]\r\nloca=4\r\n", nullptr},
    {"new key after the last key of its section", "[A]\r\na=1\r\n[B]\r\nb=2\r\n", "A", "c", "3",
     "[A]\r\na=1\r\nc=3\r\n[B]\r\nb=2\r\n", nullptr},
    {"new key in the last section", "[A]\r\na=1\r\n[B]\r\nb=2\r\n", "b", "c", "3",
     "[A]\r\na=1\r\n[B]\r\nb=2\r\nc=3\r\n", nullptr},
    {"new section at the end", "[A]\r\na=1\r\n", "B", "b", "2", "[A]\r\na=1\r\n[B]\r\nb=2\r\n",
     nullptr},
    {"value replaced in place keeping the key's spelling", "[tarvolin]\r\nLOCA=4\r\nx=1\r\n",
     "Tarvolin", "loca", "2", "[tarvolin]\r\nLOCA=2\r\nx=1\r\n", nullptr},
    {"quoted value replaced", "[A]\r\nk=\"old\"\r\n", "A", "k", "new", "[A]\r\nk=new\r\n", nullptr},
    {"value emptied", "[A]\r\nk=old\r\n", "A", "k", "", "[A]\r\nk=\r\n", nullptr},
    {"comments and other sections kept", "; head\r\n[A]\r\na=1\r\n[B]\r\n; note\r\nb=2\r\n", "A",
     "a", "5", "; head\r\n[A]\r\na=5\r\n[B]\r\n; note\r\nb=2\r\n", nullptr},
    {"blank lines kept", "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n", "A", "a", "5",
     "[A]\r\na=5\r\n\r\n[B]\r\nb=2\r\n", "Wine drops blank lines when it rewrites the file"},
    {"new key before a comment and a blank line", "[A]\r\na=1\r\n; note\r\n\r\n[B]\r\nb=2\r\n", "A",
     "c", "3", "[A]\r\na=1\r\nc=3\r\n; note\r\n\r\n[B]\r\nb=2\r\n",
     "Wine puts a new key after the section's comment lines and drops blank lines"},
};

class ProfileWriteTest : public ProfileTest,
                         public ::testing::WithParamInterface<std::tuple<Store, WriteCase>> {};

TEST_P(ProfileWriteTest, WritesOnlyWhatChanges) {
  const auto& [store, c] = GetParam();
  if (store == Store::kSystem && c.wineDeparts != nullptr && testing::RunningUnderWine()) {
    GTEST_SKIP() << "Wine's own behaviour: " << c.wineDeparts;
  }
  UseStore(store);
  const std::string file = File("write.ini");
  if (c.before != nullptr) {
    folder_.Write("write.ini", c.before);
  }
  EXPECT_NE(store_->WritePrivateProfileString(c.section, c.key, c.value, file), 0);
  EXPECT_EQ(folder_.Read("write.ini"), c.after);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileWriteTest,
                         ::testing::Combine(::testing::ValuesIn(Stores()),
                                            ::testing::ValuesIn(kWriteCases)),
                         [](const auto& p) {
                           return TestName(std::get<0>(p.param), std::get<1>(p.param).name);
                         });

// --- Both ways ---------------------------------------------------------------

class ProfileStoreTest : public ProfileTest, public ::testing::WithParamInterface<Store> {
 protected:
  void SetUp() override { UseStore(GetParam()); }
};

TEST_P(ProfileStoreTest, MissingFileOrFolderReadsTheDefault) {
  EXPECT_EQ(Read(File("none.ini"), "A", "k", "dflt"), "dflt");
  folder_.MakeFolder("dir.ini");
  EXPECT_EQ(Read(File("dir.ini"), "A", "k", "dflt"), "dflt");
}

TEST_P(ProfileStoreTest, CutsTheResultToTheBufferSize) {
  const std::string file = File("a.ini");
  folder_.Write("a.ini", "[A]\r\nk=abcdef\r\n");
  char buffer[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};

  EXPECT_EQ(store_->GetPrivateProfileString("A", "k", "", buffer, 4, file), 3);
  EXPECT_EQ(std::string(buffer, 5), std::string("abc\0x", 5));

  EXPECT_EQ(store_->GetPrivateProfileString("A", "k", "", buffer, 7, file), 6);
  EXPECT_EQ(std::string(buffer), "abcdef");

  EXPECT_EQ(store_->GetPrivateProfileString("A", "missing", "default", buffer, 3, file), 2);
  EXPECT_EQ(std::string(buffer), "de");

  EXPECT_EQ(store_->GetPrivateProfileString("A", "k", "", buffer, 1, file), 0);
  EXPECT_EQ(buffer[0], '\0');
}

TEST_P(ProfileStoreTest, ValuesReadBackAsWrittenApartFromSurroundingBlanks) {
  const std::string file = File("tv.ini");
  const std::vector<std::pair<std::string, std::string>> values = {
      {"com,org,net", "com,org,net"},
      {"", ""},
      {"a=b", "a=b"},
      {"x ; y", "x ; y"},
      {"[s]", "[s]"},
      {" 4", "4"},
      {"-3", "-3"},
      {"tab\tinside", "tab\tinside"},
  };
  for (const auto& [written, read] : values) {
    ASSERT_NE(store_->WritePrivateProfileString("Tarvolin", "WebExtensions", written, file), 0)
        << written;
    EXPECT_EQ(Read(file, "Tarvolin", "WebExtensions"), read) << written;
  }
}

TEST_P(ProfileStoreTest, ReadIniValueCutsLongValuesTo254) {
  const std::string file = File("tv.ini");
  std::string value;
  for (int i = 0; i < 300; ++i) {
    value += static_cast<char>('a' + i % 26);
  }
  ASSERT_NE(WriteIniValue(*store_, "Tarvolin", "WebExtensions", value, file), 0);
  EXPECT_EQ(ReadIniValue(*store_, "Tarvolin", "WebExtensions", file), value.substr(0, 254));
  EXPECT_NE(folder_.Read("tv.ini").find(value), std::string::npos);
}

TEST_P(ProfileStoreTest, FirstRunFileHoldsTheFourKeysInOrder) {
  const std::string file = File("tv.ini");
  WriteIniValue(*store_, kSettingsSection, "loca", "4", file);
  WriteIniValue(*store_, kSettingsSection, "AutoUpdate", "1", file);
  WriteIniValue(*store_, kSettingsSection, "CaseSensitive", "0", file);
  WriteIniValue(*store_, kSettingsSection, "WebExtensions", "com,org,net", file);
  const std::string created =
      "[Tarvolin]\r\nloca=4\r\nAutoUpdate=1\r\nCaseSensitive=0\r\nWebExtensions=com,org,net\r\n";
  EXPECT_EQ(folder_.Read("tv.ini"), created);

  // The options dialog's order changes the values only.
  WriteIniValue(*store_, kSettingsSection, "loca", "-3", file);
  WriteIniValue(*store_, kSettingsSection, "CaseSensitive", "1", file);
  WriteIniValue(*store_, kSettingsSection, "AutoUpdate", "0", file);
  WriteIniValue(*store_, kSettingsSection, "WebExtensions", "de", file);
  EXPECT_EQ(folder_.Read("tv.ini"),
            "[Tarvolin]\r\nloca=-3\r\nAutoUpdate=0\r\nCaseSensitive=1\r\nWebExtensions=de\r\n");
}

TEST_P(ProfileStoreTest, WriteIntoAMissingFolderFailsAndCreatesNothing) {
  EXPECT_EQ(store_->WritePrivateProfileString("A", "k", "v", File("missing/tv.ini")), 0);
  EXPECT_FALSE(folder_.Exists("missing"));
}

INSTANTIATE_TEST_SUITE_P(Stores, ProfileStoreTest, ::testing::ValuesIn(Stores()),
                         [](const auto& p) { return std::string(StoreName(p.param)); });

#ifdef _WIN32
// The system's functions read and write the ANSI code page; the program's
// text is UTF-8, converted by ReadIniValue and WriteIniValue.
TEST(WindowsProfileStoreTest, SettingsTextIsInTheAnsiCodePage) {
  if (testing::AnsiCodePage() != 1252) {
    GTEST_SKIP() << "the cases are written for code page 1252, this system uses "
                 << testing::AnsiCodePage();
  }
  TempFolder folder;
  const std::string file = platform::FileInFolder(folder.Path(), "tv.ini");
  platform::WindowsProfileStore store;
  // a umlaut, euro sign, and a character code page 1252 lacks.
  ASSERT_NE(WriteIniValue(store, "T\xC3\xA4", "k", "\xC3\xA4\xE2\x82\xAC\xE6\x97\xA5", file), 0);
  EXPECT_EQ(folder.Read("tv.ini"), "[T\xE4]\r\nk=\xE4\x80?\r\n");
  EXPECT_EQ(ReadIniValue(store, "T\xC3\xA4", "k", file), "\xC3\xA4\xE2\x82\xAC?");

  // The cut to 254 counts characters of the code page, not bytes of UTF-8.
  folder.Write("long.ini", "[A]\r\nk=" + std::string(300, '\xE4') + "\r\n");
  std::string expected;
  for (int i = 0; i < 254; ++i) {
    expected += "\xC3\xA4";
  }
  EXPECT_EQ(ReadIniValue(store, "A", "k", platform::FileInFolder(folder.Path(), "long.ini")),
            expected);
}
#endif

}  // namespace
}  // namespace tarvolin
