// Name resolution and the file operations of platform/fs: program names with drive
// letters, backslashes and any letter case find their files; nothing is overwritten.
#include "platform/fs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "support/image_builder.h"

namespace zt::test {
namespace {

namespace stdfs = std::filesystem;

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder per test: the tests may run at the same time.
    dir = (stdfs::path(ZT_TEST_WORK_DIR) / "fs_test" / ::testing::UnitTest::GetInstance()->current_test_info()->name())
              .string();
    stdfs::remove_all(dir);
    stdfs::create_directories(dir + "/Data/Sub");
    write(dir + "/Data/Scores.TXT", "12345");
    ASSERT_TRUE(fs.changeDirectory(dir));
  }
  static void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

  std::string dir;
  FileSystem fs;
};

TEST_F(FileSystemTest, NamesResolveInAnyCaseWithEitherSeparator) {
  const std::string scores = dir + "/Data/Scores.TXT";
  for (const char* name : {"data/scores.txt", "DATA\\SCORES.TXT", "Data\\Scores.TXT", ".\\data\\sub\\..\\scores.txt",
                           "data//scores.txt", "C:data\\scores.txt", "c:data\\scores.txt"})
    EXPECT_EQ(fs.resolve(name), scores) << name;
  EXPECT_EQ(fs.resolve("C:" + dir + "\\DATA\\scores.txt"), scores);
  EXPECT_EQ(fs.resolve(dir + "/data/SCORES.txt"), scores);
  // What does not exist keeps the program's spelling after the part that does.
  EXPECT_EQ(fs.resolve("DATA\\New Folder\\New.Txt"), dir + "/Data/New Folder/New.Txt");
  EXPECT_EQ(fs.resolve("C:\\"), "/");
  EXPECT_EQ(fs.resolve("\\..\\..\\"), "/");
  EXPECT_EQ(fs.resolve("C:"), dir);
}

TEST_F(FileSystemTest, NamesThatCannotBeFilesResolveToNothing) {
  for (const char* name :
       {"", "D:\\data", "Z:", "a?b", "a*", "x<y", "x>y", "say\"hi", "a|b", "a:b", "data\\x:y", "tab\there", "1:"})
    EXPECT_EQ(fs.resolve(name), "") << name;
  EXPECT_FALSE(isReadableFile(fs.resolve("a?b")));
  EXPECT_FALSE(makeDirectory(""));
  EXPECT_FALSE(removeDirectory(""));
}

TEST_F(FileSystemTest, AmbiguousCaseTakesTheFirstNameInByteOrder) {
  write(dir + "/Data/scores.txt", "lower");
  EXPECT_EQ(fs.resolve("data\\scores.txt"), dir + "/Data/scores.txt");  // exact spelling first
  EXPECT_EQ(fs.resolve("data\\SCORES.txt"), dir + "/Data/Scores.TXT");
}

TEST_F(FileSystemTest, CurrentDirectoryAsProgramsSeeIt) {
  std::string expected = "C:" + dir;
  std::replace(expected.begin(), expected.end(), '/', '\\');
  EXPECT_EQ(fs.currentDirectory(), expected);
  EXPECT_TRUE(fs.changeDirectory("DATA\\sub"));
  EXPECT_EQ(fs.currentDirectory(), expected + "\\Data\\Sub");
  EXPECT_FALSE(fs.changeDirectory("..\\Scores.txt"));  // a file is no directory
  EXPECT_FALSE(fs.changeDirectory("missing"));
  EXPECT_EQ(fs.currentDirectory(), expected + "\\Data\\Sub");
  EXPECT_TRUE(fs.changeDirectory("C:\\"));
  EXPECT_EQ(fs.currentDirectory(), "C:\\");
  EXPECT_EQ(FileSystem::drives(), std::vector<char>{'C'});
}

TEST_F(FileSystemTest, ListingsSortIgnoringCaseAfterDotEntries) {
  write(dir + "/Data/alpha", "");
  write(dir + "/Data/_under", "");
  write(dir + "/Data/Beta", "");
  std::vector<DirectoryEntry> entries;
  ASSERT_TRUE(listDirectory(dir + "/Data", entries));
  std::vector<std::string> names;
  for (const DirectoryEntry& e : entries) names.push_back(e.name + (e.isDirectory ? "/" : ""));
  EXPECT_EQ(names, (std::vector<std::string>{"./", "../", "alpha", "Beta", "Scores.TXT", "Sub/", "_under"}));
  EXPECT_EQ(entries[4].size, 5);
  ASSERT_TRUE(listDirectory("/", entries));
  for (const DirectoryEntry& e : entries) EXPECT_TRUE(e.name != "." && e.name != "..");
  EXPECT_FALSE(listDirectory(dir + "/missing", entries));
}

TEST_F(FileSystemTest, CopyAndMoveNeverReplaceAnything) {
  const std::string scores = dir + "/Data/Scores.TXT", other = dir + "/other.txt";
  write(other, "other");
  EXPECT_FALSE(copyFile(scores, other));
  EXPECT_FALSE(moveFile(scores, other));
  EXPECT_EQ(readFile(other), "other");
  EXPECT_FALSE(moveFile(dir + "/Data/Sub", dir + "/Data"));
  stdfs::create_directory(dir + "/empty");
  EXPECT_FALSE(moveFile(dir + "/Data/Sub", dir + "/empty"));  // not even an empty folder
  EXPECT_FALSE(copyFile(dir + "/Data", dir + "/copy"));       // folders are not copied
  EXPECT_FALSE(stdfs::exists(dir + "/copy"));
  EXPECT_TRUE(copyFile(scores, dir + "/copy.txt"));
  EXPECT_EQ(readFile(dir + "/copy.txt"), "12345");
  EXPECT_TRUE(moveFile(dir + "/copy.txt", dir + "/Data/Sub/moved.txt"));
  EXPECT_EQ(readFile(dir + "/Data/Sub/moved.txt"), "12345");
  EXPECT_FALSE(stdfs::exists(dir + "/copy.txt"));
}

TEST_F(FileSystemTest, OpenModesAndReplacement) {
  const std::string scores = dir + "/Data/Scores.TXT";
  EXPECT_EQ(openFile(scores, OpenMode::CreateNew), nullptr);
  EXPECT_EQ(openFile(dir + "/Data", OpenMode::ReadExisting), nullptr);
  EXPECT_EQ(openFile(dir + "/Data", OpenMode::ReadAlways), nullptr);
  ASSERT_EQ(::mkfifo((dir + "/pipe").c_str(), 0600), 0);
  EXPECT_EQ(openFile(dir + "/pipe", OpenMode::ReadExisting), nullptr);  // refused, without blocking
  EXPECT_FALSE(isReadableFile(dir + "/pipe"));
  EXPECT_TRUE(pathExists(dir + "/pipe"));
  EXPECT_EQ(fileSize(scores), 5);
  EXPECT_EQ(fileSize(dir + "/Data"), -1);
  EXPECT_NE(openFile(dir + "/made.dat", OpenMode::ReadAlways), nullptr);
  EXPECT_EQ(fileSize(dir + "/made.dat"), 0);

  EXPECT_TRUE(replaceFile(scores, "new"));
  EXPECT_EQ(readFile(scores), "new");
  EXPECT_FALSE(replaceFile(dir + "/Data/Sub", "x"));  // a folder stays, no temporary is left
  EXPECT_FALSE(replaceFile(dir + "/missing/x.dat", "x"));
  size_t count = 0;
  for ([[maybe_unused]] auto& e : stdfs::directory_iterator(dir + "/Data")) ++count;
  EXPECT_EQ(count, 2u);
}

TEST_F(FileSystemTest, WholeFilesAreReadUpToTheirLimitAndNeverFromFoldersOrDevices) {
  std::string bytes = "stale";
  ASSERT_TRUE(readWholeFile(dir + "/Data/Scores.TXT", bytes, 5));
  EXPECT_EQ(bytes, "12345");
  EXPECT_FALSE(readWholeFile(dir + "/Data/Scores.TXT", bytes, 4));
  EXPECT_EQ(bytes, "");
  write(dir + "/empty", "");
  ASSERT_TRUE(readWholeFile(dir + "/empty", bytes, 0));
  EXPECT_EQ(bytes, "");
  EXPECT_FALSE(readWholeFile(dir + "/Data", bytes));
  EXPECT_FALSE(readWholeFile(dir + "/missing", bytes));
  EXPECT_FALSE(readWholeFile("", bytes));
  EXPECT_FALSE(readWholeFile("/dev/zero", bytes, 1 << 20));
  // A pipe without a writer reads as empty at once instead of waiting for one.
  ASSERT_EQ(::mkfifo((dir + "/pipe").c_str(), 0600), 0);
  ASSERT_TRUE(readWholeFile(dir + "/pipe", bytes));
  EXPECT_EQ(bytes, "");
}

}  // namespace
}  // namespace zt::test
