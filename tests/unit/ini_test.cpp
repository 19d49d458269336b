// Profile files: the rules programs and the engine's own settings depend on.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/ini.h"
#include "platform/profile.h"
#include "support/image_builder.h"

namespace zt {
namespace {

TEST(Ini, NamesMatchWithoutCaseAndBlanksAreIgnored) {
  IniFile f;
  f.parse("; comment\r\n[Settings]\r\n  WindowMode = 1 \r\nquoted=\"two words\"\r\n[other]\nkey=x\n");
  EXPECT_EQ(f.get("SETTINGS", "windowmode", "0"), "1");
  EXPECT_EQ(f.get("settings", "QUOTED", ""), "two words");
  EXPECT_EQ(f.get("OTHER", "KEY", ""), "x");
  EXPECT_EQ(f.get("settings", "missing", "dflt"), "dflt");
  EXPECT_EQ(f.get("nosection", "key", "dflt"), "dflt");
}

TEST(Ini, QuotesComeOffOnlyInMatchingPairs) {
  IniFile f;
  f.parse("[s]\nempty=\"\"\nsingles=''\nlone=\"\nnothing=\nmixed=\"x'\nspaced=\" a \"\n");
  EXPECT_EQ(f.get("s", "empty", "dflt"), "");  // an empty value, not the default
  EXPECT_EQ(f.get("s", "singles", "dflt"), "");
  EXPECT_EQ(f.get("s", "lone", "dflt"), "\"");
  EXPECT_EQ(f.get("s", "nothing", "dflt"), "");
  EXPECT_EQ(f.get("s", "mixed", "dflt"), "\"x'");
  EXPECT_EQ(f.get("s", "spaced", "dflt"), " a ");
  EXPECT_EQ(f.text(), "[s]\r\nempty=\"\"\r\nsingles=''\r\nlone=\"\r\nnothing=\r\nmixed=\"x'\r\nspaced=\" a \"\r\n");
}

TEST(Ini, WritesReplaceInPlaceAndAppendNewKeysToTheirSection) {
  IniFile f;
  f.parse("[A]\r\nk1=1\r\nk2=2\r\n[B]\r\nk=b\r\n");
  f.set("a", "K1", "one");
  f.set("A", "k3", "3");
  f.set("C", "new", "c");
  EXPECT_EQ(f.text(), "[A]\r\nk1=one\r\nk2=2\r\nk3=3\r\n[B]\r\nk=b\r\n[C]\r\nnew=c\r\n");
  EXPECT_EQ(f.keyCount("a"), 3u);
}

TEST(Ini, MissingFileReadsAsDefaultsAndWriteCreatesIt) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path(ZT_TEST_WORK_DIR) / "ini";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string path = (dir / "x.ini").string();
  EXPECT_EQ(readProfileString(path, "s", "k", "d"), "d");
  ASSERT_TRUE(writeProfileString(path, "s", "k", "v"));
  ASSERT_TRUE(writeProfileString(path, "S", "K", "w"));
  EXPECT_EQ(readProfileString(path, "s", "k", "d"), "w");
  EXPECT_EQ(test::readFile(path), "[s]\r\nk=w\r\n");
  // A folder in the file's place reads as an empty profile and cannot be written.
  fs::create_directories(dir / "folder.ini");
  EXPECT_EQ(readProfileString((dir / "folder.ini").string(), "s", "k", "d"), "d");
  EXPECT_FALSE(writeProfileString((dir / "folder.ini").string(), "s", "k", "v"));
}

}  // namespace
}  // namespace zt
