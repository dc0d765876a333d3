// The INI store: what it reads from a file, and that a write changes exactly
// the bytes it must and no others.
#include "platform/posix/ini_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_folder.h"

namespace tarvolin::platform {
namespace {

using tarvolin::testing::TempFolder;
using namespace std::string_literals;

class IniStoreTest : public ::testing::Test {
 protected:
  std::string Read(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& defaultValue = "<default>") {
    std::vector<char> buffer(4096, 'x');
    const int n = store_.GetPrivateProfileString(section, key, defaultValue, buffer.data(),
                                                 static_cast<int>(buffer.size()), file);
    EXPECT_GE(n, 0);
    EXPECT_EQ(buffer[static_cast<std::size_t>(n)], '\0');
    return std::string(buffer.data(), static_cast<std::size_t>(n));
  }

  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  TempFolder folder_;
  IniStore store_;
};

struct ReadCase {
  const char* name;
  std::string content;
  const char* section;
  const char* key;
  std::string expected;
};

TEST_F(IniStoreTest, ReadsValuesByTheProfileRules) {
  const std::vector<ReadCase> cases = {
      {"plain", "[A]\r\nk=v\r\n", "A", "k", "v"},
      {"section name case", "[tarVOLIN]\r\nk=v\r\n", "Tarvolin", "k", "v"},
      {"key name case", "[A]\r\nWebExtensions=com\r\n", "A", "webextensions", "com"},
      {"blanks and tabs trimmed", " \t[ A\t]  \r\n\t k \t=  v w \t\r\n", "A", "k", "v w"},
      {"double quotes removed", "[A]\r\nk=\"a b\"\r\n", "A", "k", "a b"},
      {"single quotes removed", "[A]\r\nk= 'a b' \r\n", "A", "k", "a b"},
      {"only one pair removed", "[A]\r\nk=\"\"a\"\"\r\n", "A", "k", "\"a\""},
      {"unmatched quotes kept", "[A]\r\nk=\"a'\r\n", "A", "k", "\"a'"},
      {"lone quote kept", "[A]\r\nk=\"\r\n", "A", "k", "\""},
      {"quotes inside kept", "[A]\r\nk=a\"b\"\r\n", "A", "k", "a\"b\""},
      {"no inline comment", "[A]\r\nk=1 ; note\r\n", "A", "k", "1 ; note"},
      {"split at first equals", "[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
      {"empty value is not the default", "[A]\r\nk=\r\n", "A", "k", ""},
      {"blank value is empty", "[A]\r\nk=  \t\r\n", "A", "k", ""},
      {"line without equals is no key", "[A]\r\nk\r\nk=2\r\n", "A", "k", "2"},
      {"first key wins", "[A]\r\nk=1\r\nk=2\r\n", "A", "k", "1"},
      {"first section wins", "[A]\r\nk=1\r\n[A]\r\nk=2\r\n", "A", "k", "1"},
      {"header ends at last bracket", "[a]b]\r\nk=v\r\n", "a]b", "k", "v"},
      {"text after header ignored", "[A] trailing\r\nk=v\r\n", "A", "k", "v"},
      {"key in other section", "[A]\r\nx=1\r\n[B]\r\nk=2\r\n", "A", "k", "<default>"},
      {"key before any section", "k=1\r\n[A]\r\n", "A", "k", "<default>"},
      {"missing section", "[A]\r\nk=1\r\n", "B", "k", "<default>"},
      {"comment line is no key", "[A]\r\n;k=1\r\n", "A", "k", "<default>"},
      {"LF line ends", "[A]\nx=1\nk=2\n", "A", "k", "2"},
      {"CR line ends", "[A]\rx=1\rk=2", "A", "k", "2"},
      {"mixed line ends", "[B]\rk=1\n[A]\r\n\r\rk=2\n", "A", "k", "2"},
      {"last line without line end", "[A]\r\nk=last", "A", "k", "last"},
      {"NUL byte in value", "[A]\r\nk=a\0b\r\n"s, "A", "k", "a\0b"s},
      {"bytes above 127", "[A]\r\nk=\xE4\xFF\x80\r\n", "A", "k", "\xE4\xFF\x80"},
  };
  for (const ReadCase& c : cases) {
    const std::string file = folder_.Write("read.ini", c.content);
    EXPECT_EQ(Read(file, c.section, c.key), c.expected) << c.name;
  }
}

TEST_F(IniStoreTest, MissingFileOrFolderReadsTheDefault) {
  EXPECT_EQ(Read(folder_ / "none.ini", "A", "k", "dflt"), "dflt");
  folder_.MakeFolder("dir.ini");
  EXPECT_EQ(Read(folder_ / "dir.ini", "A", "k", "dflt"), "dflt");
}

TEST_F(IniStoreTest, CutsTheResultToTheBufferSize) {
  const std::string file = folder_.Write("a.ini", "[A]\r\nk=abcdef\r\n");
  char buffer[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};

  EXPECT_EQ(store_.GetPrivateProfileString("A", "k", "", buffer, 4, file), 3);
  EXPECT_EQ(std::string(buffer, 4), "abc\0"s);
  EXPECT_EQ(buffer[4], 'x');

  EXPECT_EQ(store_.GetPrivateProfileString("A", "k", "", buffer, 7, file), 6);
  EXPECT_EQ(std::string(buffer), "abcdef");

  EXPECT_EQ(store_.GetPrivateProfileString("A", "missing", "default", buffer, 3, file), 2);
  EXPECT_EQ(std::string(buffer), "de");

  EXPECT_EQ(store_.GetPrivateProfileString("A", "k", "", buffer, 1, file), 0);
  EXPECT_EQ(buffer[0], '\0');

  buffer[0] = 'x';
  EXPECT_EQ(store_.GetPrivateProfileString("A", "k", "", buffer, 0, file), 0);
  EXPECT_EQ(store_.GetPrivateProfileString("A", "k", "", buffer, -5, file), 0);
  EXPECT_EQ(buffer[0], 'x');
}

struct WriteCase {
  const char* name;
  std::string before;
  const char* section;
  const char* key;
  const char* value;
  std::string after;
};

TEST_F(IniStoreTest, WritesOnlyWhatChanges) {
  const std::vector<WriteCase> cases = {
      {"new file", "", "Tarvolin", "loca", " 4", "[Tarvolin]\r\nloca= 4\r\n"},
      {"new key after last key, before comment and blank line",
       "[A]\r\na=1\r\n; note\r\n\r\n[B]\r\nb=2\r\n", "A", "c", "3",
       "[A]\r\na=1\r\nc=3\r\n; note\r\n\r\n[B]\r\nb=2\r\n"},
      {"new key in the last section", "[A]\r\na=1\r\n[B]\r\nb=2\r\n", "b", "c", "3",
       "[A]\r\na=1\r\n[B]\r\nb=2\r\nc=3\r\n"},
      {"new key in a section without keys", "[A]\r\n\r\n[B]\r\n", "A", "k", "v",
       "[A]\r\nk=v\r\n\r\n[B]\r\n"},
      {"new key after a last line without line end", "[A]\r\na=1", "A", "b", "2",
       "[A]\r\na=1\r\nb=2\r\n"},
      {"new key after a header without line end", "[A]", "A", "k", "v", "[A]\r\nk=v\r\n"},
      {"new key skips a comment holding an equals sign", "[A]\r\na=1\r\n;c=2\r\n", "A", "c", "3",
       "[A]\r\na=1\r\nc=3\r\n;c=2\r\n"},
      {"new key goes into the first of two sections", "[A]\r\na=1\r\n[A]\r\nb=2\r\n", "A", "b", "5",
       "[A]\r\na=1\r\nb=5\r\n[A]\r\nb=2\r\n"},
      {"key before any section is not the section's", "b=1\r\n[A]\r\n", "A", "b", "2",
       "b=1\r\n[A]\r\nb=2\r\n"},
      {"new section at the end", "[A]\r\na=1\r\n\r\n", "B", "b", "2",
       "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n"},
      {"new section after a last line without line end", "[A]\na=1", "B", "b", "2",
       "[A]\na=1\r\n[B]\r\nb=2\r\n"},
      {"new section in a file of other text", "just text", "B", "b", "2",
       "just text\r\n[B]\r\nb=2\r\n"},
      {"replaced in place keeping LF ends", "[A]\na=1\nb=2\n", "A", "a", "9", "[A]\na=9\nb=2\n"},
      {"replaced in place keeping CR ends", "[A]\ra=1\rb=2", "A", "B", "3", "[A]\ra=1\rb=3"},
      {"replaced keeping the key's spelling and spacing", "[a]\r\n  LOCA = 4  \r\nx=1\r\n", "A",
       "loca", "2", "[a]\r\n  LOCA =2\r\nx=1\r\n"},
      {"replaced where the value was empty", "[A]\r\nk=\r\n", "A", "k", "v", "[A]\r\nk=v\r\n"},
      {"replaced quoted value", "[A]\r\nk=\"old\"\r\n", "A", "k", "new", "[A]\r\nk=new\r\n"},
      {"replaced with empty value", "[A]\r\nk=old\r\n", "A", "k", "", "[A]\r\nk=\r\n"},
      {"a value in quotes gets one more pair", "", "A", "k", "\"q\"", "[A]\r\nk=\"\"q\"\"\r\n"},
  };
  for (const WriteCase& c : cases) {
    const std::string file = folder_ / "w.ini";
    std::filesystem::remove(file);
    if (!c.before.empty()) {
      folder_.Write("w.ini", c.before);
    }
    EXPECT_NE(store_.WritePrivateProfileString(c.section, c.key, c.value, file), 0) << c.name;
    EXPECT_EQ(folder_.Read("w.ini"), c.after) << c.name;
  }
}

TEST_F(IniStoreTest, KeepsOddBytesElsewhereInTheFile) {
  const std::string longLine(1 << 20, 'L');
  std::string binary;
  for (int b = 1; b < 256; ++b) {
    if (b != '\r' && b != '\n') {
      binary += static_cast<char>(b);
    }
  }
  const std::string head =
      "; \0header\0\r"s + binary + "\n[Other]\rx=" + longLine + "\r\n\r\r\n[Tarvolin]\nloca=";
  const std::string tail = "\r\nbin=" + binary + "\n\0\0\0\r\n[Z]\r"s + longLine;
  folder_.Write("tv.ini", head + "4" + tail);
  const std::string file = folder_ / "tv.ini";

  ASSERT_NE(store_.WritePrivateProfileString("Tarvolin", "loca", " 3", file), 0);
  EXPECT_TRUE(folder_.Read("tv.ini") == head + " 3" + tail);

  // "bin" is the section's last key; the NUL line after it is no key.
  ASSERT_NE(store_.WritePrivateProfileString("Tarvolin", "AutoUpdate", " 1", file), 0);
  const std::string binLine = "\r\nbin=" + binary + "\n";
  const std::string afterBin = tail.substr(binLine.size());
  EXPECT_TRUE(folder_.Read("tv.ini") == head + " 3" + binLine + "AutoUpdate= 1\r\n" + afterBin);

  EXPECT_EQ(Read(file, "Other", "x").size(), 4095u);
  EXPECT_EQ(Read(file, "tarvolin", "BIN"), binary);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"tv.ini"});
}

TEST_F(IniStoreTest, ValuesReadBackAsWritten) {
  const std::string file = folder_ / "tv.ini";
  const std::vector<std::string> values = {
      "com,org,net", "",    "a=b", "x ; y", "[s]",
      "\"q\"",       "'q'", "\"",  "\"a'",  "\xC3\xA4\xE2\x82\xAC",
      "tab\tinside",
  };
  for (const std::string& value : values) {
    ASSERT_NE(store_.WritePrivateProfileString("Tarvolin", "WebExtensions", value, file), 0)
        << value;
    EXPECT_EQ(Read(file, "Tarvolin", "WebExtensions"), value);
  }
  // Only the line of that one key was ever written.
  EXPECT_EQ(folder_.Read("tv.ini"), "[Tarvolin]\r\nWebExtensions=tab\tinside\r\n");
}

TEST_F(IniStoreTest, RefusesWhatCouldNotBeReadBack) {
  const std::string before = "[A]\r\nk=1\r\n";
  folder_.Write("a.ini", before);
  const std::string file = folder_ / "a.ini";
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"k", "two\r\nlines"}, {"k", "x\ry"}, {"a=b", "v"}, {"", "v"}, {";k", "v"}, {"[k]", "v"},
  };
  for (const auto& [key, value] : refused) {
    EXPECT_EQ(store_.WritePrivateProfileString("A", key, value, file), 0) << key;
  }
  EXPECT_EQ(store_.WritePrivateProfileString("A\nB", "k", "v", file), 0);
  EXPECT_EQ(folder_.Read("a.ini"), before);
}

TEST_F(IniStoreTest, FailedWriteLeavesNothingBehind) {
  EXPECT_EQ(store_.WritePrivateProfileString("A", "k", "v", folder_ / "missing/tv.ini"), 0);
  EXPECT_FALSE(folder_.Exists("missing"));

  folder_.MakeFolder("tv.ini");
  EXPECT_EQ(store_.WritePrivateProfileString("A", "k", "v", folder_ / "tv.ini"), 0);
  EXPECT_TRUE(std::filesystem::is_directory(folder_ / "tv.ini"));
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"tv.ini"});
}

TEST_F(IniStoreTest, WriteIntoReadOnlyFolderFailsAndKeepsTheFile) {
  const std::string sub = folder_.MakeFolder("ro");
  const std::string before = "[A]\r\nk=old\r\n";
  folder_.Write("ro/tv.ini", before);
  std::filesystem::permissions(
      sub, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  if (::access(sub.c_str(), W_OK) == 0) {
    GTEST_SKIP() << "the folder stays writable for this user";
  }
  EXPECT_EQ(store_.WritePrivateProfileString("A", "k", "new", sub + "/tv.ini"), 0);
  EXPECT_EQ(store_.WritePrivateProfileString("B", "k", "new", sub + "/tv.ini"), 0);
  EXPECT_EQ(folder_.Read("ro/tv.ini"), before);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(sub)) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"tv.ini"});
}

TEST_F(IniStoreTest, ReadsAWholeSection) {
  const std::string file = folder_.Write(
      "tv.ini",
      "[Tarvolin]\r\nloca=4\r\n[drives]\r\nc = /\r\n; comment\r\nnote\r\nD='/media/data'\r\n"
      "e=\r\n[Drives]\r\nf=/ignored\r\n");
  std::vector<std::pair<std::string, std::string>> keys = {{"stale", "entry"}};
  ASSERT_TRUE(ReadIniSection(file, "Drives", &keys));
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"c", "/"}, {"D", "/media/data"}, {"e", ""}};
  EXPECT_EQ(keys, expected);

  folder_.Write("empty.ini", "[Drives]\r\n[Next]\r\nc=/\r\n");
  EXPECT_TRUE(ReadIniSection(folder_ / "empty.ini", "drives", &keys));
  EXPECT_TRUE(keys.empty());

  EXPECT_FALSE(ReadIniSection(file, "Missing", &keys));
  EXPECT_FALSE(ReadIniSection(folder_ / "none.ini", "Drives", &keys));
  EXPECT_TRUE(keys.empty());
}

}  // namespace
}  // namespace tarvolin::platform
