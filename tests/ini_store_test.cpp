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
