// Line tables: written and read back, places looked up by code word, and malformed or
// mismatched tables rejected whole.
#include "formats/line_table.h"

#include <gtest/gtest.h>

#include <string>

namespace zt {
namespace {

LineTable sample() {
  LineTable t;
  t.imageSize = 3;
  t.imageHash = lineTableHash("abc");
  t.files = {"game.ztb", "lib/util.ztb"};
  t.functions = {"move_enemy"};
  t.places = {{0, 0, 1, 1, 0}, {5, 1, 2, 3, 0}, {9, 0, 40, 9, 1}};
  return t;
}

// The sample's text with `line` (counted from 1) replaced by `replacement`.
std::string withLine(size_t line, const std::string& replacement) {
  std::string text = writeLineTable(sample()), out;
  size_t start = 0;
  for (size_t n = 1; start < text.size(); ++n) {
    const size_t end = text.find('\n', start);
    out += (n == line ? replacement : text.substr(start, end - start)) + "\n";
    start = end + 1;
  }
  return out;
}

bool accepted(const std::string& text) {
  LineTable t;
  std::string error;
  return readLineTable(text, t, error);
}

TEST(LineTable, WrittenTablesReadBackWithEveryField) {
  LineTable t = sample();
  t.files.push_back(std::string("odd %name\twith\nbreaks \xE9\x01", 24));
  t.places.push_back({12, 2, 7, 2, 1});
  LineTable back;
  std::string error;
  ASSERT_TRUE(readLineTable(writeLineTable(t), back, error)) << error;
  EXPECT_EQ(back.imageSize, t.imageSize);
  EXPECT_EQ(back.imageHash, t.imageHash);
  EXPECT_EQ(back.files, t.files);
  EXPECT_EQ(back.functions, t.functions);
  ASSERT_EQ(back.places.size(), t.places.size());
  for (size_t i = 0; i < t.places.size(); ++i) {
    EXPECT_EQ(back.places[i].word, t.places[i].word);
    EXPECT_EQ(back.places[i].file, t.places[i].file);
    EXPECT_EQ(back.places[i].line, t.places[i].line);
    EXPECT_EQ(back.places[i].column, t.places[i].column);
    EXPECT_EQ(back.places[i].function, t.places[i].function);
  }
  EXPECT_EQ(writeLineTable(back), writeLineTable(t));
}

TEST(LineTable, EachWordBelongsToTheLastPlaceAtOrBeforeIt) {
  const LineTable t = sample();
  EXPECT_EQ(t.find(0)->line, 1u);
  EXPECT_EQ(t.find(4)->line, 1u);
  EXPECT_EQ(t.find(5)->line, 2u);
  EXPECT_EQ(t.find(8)->line, 2u);
  EXPECT_EQ(t.find(9)->line, 40u);
  EXPECT_EQ(t.find(1000000)->line, 40u);
  EXPECT_EQ(t.describe(*t.find(9)), "game.ztb:40:9 in FUNCTION move_enemy");
  EXPECT_EQ(t.describe(*t.find(6)), "lib/util.ztb:2:3");
  LineTable late = sample();
  late.places.erase(late.places.begin());
  EXPECT_EQ(late.find(4), nullptr);  // before the first range
  EXPECT_EQ(LineTable{}.find(0), nullptr);
}

TEST(LineTable, DescribesOnlyTheImageItWasWrittenFor) {
  const LineTable t = sample();
  EXPECT_TRUE(t.describes("abc"));
  EXPECT_FALSE(t.describes("abd"));   // same size, other bytes
  EXPECT_FALSE(t.describes("abcd"));  // other size
  EXPECT_NE(lineTableHash(""), lineTableHash(std::string(1, '\0')));
}

TEST(LineTable, SitsBesideTheImageWithItsOwnExtension) {
  EXPECT_EQ(lineTablePath("prog.img"), "prog.zmap");
  EXPECT_EQ(lineTablePath("out/prog"), "out/prog.zmap");
  EXPECT_EQ(lineTablePath("my.dir/prog"), "my.dir/prog.zmap");
  EXPECT_EQ(lineTablePath("a/.hidden"), "a/.hidden.zmap");
  EXPECT_EQ(lineTablePath("a/b.c.img"), "a/b.c.zmap");
}

TEST(LineTable, HeaderAndImageRecordsAreChecked) {
  EXPECT_TRUE(accepted(writeLineTable(sample())));
  EXPECT_FALSE(accepted(""));
  EXPECT_FALSE(accepted(withLine(1, "zentropia-lines 2")));  // a later version
  EXPECT_FALSE(accepted(withLine(1, "zentropia-lines 01")));
  EXPECT_FALSE(accepted(withLine(1, "lines 1")));
  EXPECT_FALSE(accepted("zentropia-lines 1\n"));  // no image record
  EXPECT_FALSE(accepted(withLine(2, "file game.ztb")));
  EXPECT_FALSE(accepted(withLine(2, "image 3 00000000000000a")));    // 15 hex digits
  EXPECT_FALSE(accepted(withLine(2, "image 3 00000000000000abc")));  // 17
  EXPECT_TRUE(accepted(withLine(2, "image 3 00000000000000ab")));
  EXPECT_FALSE(accepted(withLine(2, "image -3 00000000000000ab")));
  std::string text = writeLineTable(sample());
  text.pop_back();
  EXPECT_FALSE(accepted(text));  // the last line has no line break
  EXPECT_FALSE(accepted(withLine(4, "directory lib")));
}

TEST(LineTable, PlacesMustNameWhatTheTableHolds) {
  // Line 7 is the second place (word 5, file 1, line 2, column 3, main program).
  EXPECT_TRUE(accepted(withLine(7, "at 5 1 2 3 1")));   // the last function
  EXPECT_FALSE(accepted(withLine(7, "at 5 1 2 3 2")));  // one past it
  EXPECT_FALSE(accepted(withLine(7, "at 5 2 2 3 0")));  // one file past the last
  EXPECT_TRUE(accepted(withLine(7, "at 5 1 1 1 0")));
  EXPECT_FALSE(accepted(withLine(7, "at 5 1 0 3 0")));  // lines count from 1
  EXPECT_FALSE(accepted(withLine(7, "at 5 1 2 0 0")));  // and columns
  EXPECT_TRUE(accepted(withLine(7, "at 1 1 2 3 0")));   // just after the first place's word
  EXPECT_FALSE(accepted(withLine(7, "at 0 1 2 3 0")));  // the same word as the first
  EXPECT_TRUE(accepted(withLine(7, "at 8 1 2 3 0")));   // just before the next
  EXPECT_FALSE(accepted(withLine(7, "at 9 1 2 3 0")));
  EXPECT_FALSE(accepted(withLine(7, "at 5 1 2 3")));
  EXPECT_FALSE(accepted(withLine(7, "at 5 1 2 3 0 0")));
  EXPECT_FALSE(accepted(withLine(7, "at 5 1 2 3 x")));
  EXPECT_FALSE(accepted(withLine(7, "at 5 1 2 4294967296 0")));
  EXPECT_TRUE(accepted(withLine(7, "at 5 1 2 4294967295 0")));
  EXPECT_FALSE(accepted(withLine(7, "file late.ztb")));  // names come before the places
}

TEST(LineTable, NamesAreEscapedAndLimited) {
  EXPECT_TRUE(accepted(withLine(3, "file " + std::string(MaxLineTableName, 'n'))));
  EXPECT_FALSE(accepted(withLine(3, "file " + std::string(MaxLineTableName + 1, 'n'))));
  EXPECT_TRUE(accepted(withLine(3, "file a%20b")));
  EXPECT_FALSE(accepted(withLine(3, "file a b")));  // a blank must be escaped
  EXPECT_FALSE(accepted(withLine(3, "file ab%2")));
  EXPECT_FALSE(accepted(withLine(3, "file ab%zz")));
  EXPECT_FALSE(accepted(withLine(3, "file ")));
  EXPECT_FALSE(accepted(withLine(5, "function ")));
}

TEST(LineTable, EveryTruncationIsRejectedOrReadWithoutHarm) {
  const std::string text = writeLineTable(sample());
  for (size_t n = 0; n < text.size(); ++n) {
    LineTable t;
    std::string error;
    if (readLineTable(text.substr(0, n), t, error)) {
      for (const LinePlace& p : t.places) EXPECT_FALSE(t.describe(p).empty());
    } else {
      EXPECT_TRUE(t.places.empty() && t.files.empty());
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST(LineTable, TablesAboveTheSizeLimitAreNotRead) {
  std::string text = writeLineTable(sample());
  text += std::string(MaxLineTableBytes - text.size(), '\n');
  LineTable t;
  std::string error;
  EXPECT_FALSE(readLineTable(text, t, error));  // empty lines are no records, but it is read
  EXPECT_EQ(error.find("larger"), std::string::npos);
  text += "\n";
  EXPECT_FALSE(readLineTable(text, t, error));
  EXPECT_NE(error.find("larger"), std::string::npos);
}

}  // namespace
}  // namespace zt
