// The program loader: section layout, operand decoding, and rejection of malformed or
// hostile images (every one must fail cleanly, never read or write outside a buffer).
#include <gtest/gtest.h>

#include <cstring>

#include "command_ids.h"
#include "host/families.h"
#include "core/arrays.h"
#include "core/commands.h"
#include "core/image.h"
#include "core/image_format.h"
#include "support/image_builder.h"

namespace zt::test {
namespace {

using B = ImageBuilder;

struct Loaded {
  DispatchTable table;
  ProgramImage image;
  ArrayState arrays;
  std::string error;
  Loaded() { buildDispatchTable(table, commandFamilies()); }
  ~Loaded() { releaseProgram(image, arrays); }
  bool load(const std::string& bytes) { return loadProgram(image, bytes, table, error); }
};

void setWord(std::string& bytes, size_t word, int32_t v) { storeWord(bytes, word, v); }
int32_t getWord(const std::string& bytes, size_t word) { return readWord(bytes, word); }

TEST(Loader, EmptyProgramHasNoTables) {
  B b;
  b.op(CmdEnd);
  Loaded l;
  ASSERT_TRUE(l.load(b.build())) << l.error;
  for (const auto& list : l.image.OwnerLists) EXPECT_TRUE(list.empty());
  EXPECT_EQ(l.image.CodeWords, 1u);
  EXPECT_EQ(l.image.CodeBlock[0].n, CmdEnd.id);
}

TEST(Loader, ConstantsDataAndVariablesLandInTheirCells) {
  B b;
  b.intConst(-5);
  b.floatConst(1.5f);
  b.stringConst("");
  b.stringConst("abc");
  b.stringVar();
  b.intVar(3);
  for (int i = 0; i < 4; ++i) b.dataInt(i);  // a type string of 4 letters gets 4 padding bytes
  b.dataString("");
  b.dataString("xyz");
  b.dataFloat(0.5f);
  b.op(CmdEnd);
  Loaded l;
  ASSERT_TRUE(l.load(b.build())) << l.error;
  auto& v = l.image.ValueArea;
  EXPECT_EQ(v[IntConsts].i, -5);
  EXPECT_EQ(v[FloatConsts].f, 1.5f);
  EXPECT_STREQ(v[StringConsts].s, "");
  EXPECT_STREQ(v[StringConsts + 1].s, "abc");
  EXPECT_STREQ(v[StringVars].s, "");
  EXPECT_EQ(l.image.DataTypes, "llllssf");
  EXPECT_EQ(v[DataCells + 3].i, 3);
  EXPECT_STREQ(v[DataCells + 4].s, "");
  EXPECT_STREQ(v[DataCells + 5].s, "xyz");
  EXPECT_EQ(v[DataCells + 6].f, 0.5f);
  EXPECT_EQ(l.image.OwnerLists[0], std::vector<int32_t>{3});
}

TEST(Loader, OperandWordsDecodeByRange) {
  B b;
  b.op(CmdEnd);
  for (int32_t w : {24999, 25000, 34999, 35000, 36999, 37000, 9999, -4}) b.raw(w);
  std::string bytes = b.build();
  bytes += "\x01\x02";  // trailing bytes that make no whole word are kept out of the code
  Loaded l;
  ASSERT_TRUE(l.load(bytes)) << l.error;
  const auto& c = l.image.CodeBlock;
  ASSERT_EQ(l.image.CodeWords, 9u);
  EXPECT_EQ(c[1].cell, &l.image.ValueArea[14999]);
  EXPECT_EQ(c[2].n, 0);
  EXPECT_EQ(c[3].n, 9999);
  EXPECT_EQ(c[4].n, 35000);
  EXPECT_EQ(c[5].n, 36999);
  EXPECT_EQ(c[6].target, &c[0]);
  EXPECT_EQ(c[7].n, 9999);
  EXPECT_EQ(c[8].n, -4);
}

// Builds a small valid image, lets `spoil` damage it, and expects a clean rejection.
template <class Spoil>
void expectRejected(const char* what, Spoil spoil) {
  B b;
  b.intConst(1);
  b.stringConst("text");
  b.dataString("item");
  b.intVar();
  b.op(CmdPrintL, {b.intConst(7)});
  b.op(CmdEnd);
  std::string bytes = b.build();
  spoil(bytes);
  Loaded l;
  EXPECT_FALSE(l.load(bytes)) << what;
  EXPECT_FALSE(l.image.loaded) << what;
  EXPECT_FALSE(l.error.empty()) << what;
}

TEST(Loader, RejectsMalformedHeadersAndSections) {
  expectRejected("empty file", [](std::string& b) { b.clear(); });
  expectRejected("truncated header", [](std::string& b) { b.resize(40); });
  expectRejected("version 2", [](std::string& b) { setWord(b, 0, 2); });
  expectRejected("sections out of order", [](std::string& b) { setWord(b, 2, getWord(b, 1) - 1); });
  expectRejected("int section before the header end", [](std::string& b) { setWord(b, 1, 3); });
  expectRejected("code beyond the file", [](std::string& b) { setWord(b, 7, int32_t(b.size() / 4 + 1)); });
  expectRejected("data beyond the code", [](std::string& b) { setWord(b, 5, getWord(b, 7) + 1); });
  expectRejected("negative string count", [](std::string& b) { setWord(b, 4, -1); });
  expectRejected("more strings than the section holds", [](std::string& b) { setWord(b, 4, 50); });
  expectRejected("too many DATA items", [](std::string& b) { setWord(b, 6, 14001); });
  expectRejected("DATA items past the section", [](std::string& b) { setWord(b, 6, 400); });
  expectRejected("too many string variables", [](std::string& b) { setWord(b, 10, 2001); });
  expectRejected("owner block larger than its room", [](std::string& b) { setWord(b, 11, 1 << 20); });
  expectRejected("truncated code", [](std::string& b) { b.resize(b.size() - 8); });
}

TEST(Loader, RejectsOverlongAndUnterminatedStrings) {
  B big;
  big.stringConst(std::string(256, 'a'));
  big.op(CmdEnd);
  Loaded l1;
  EXPECT_FALSE(l1.load(big.build()));

  B data;
  data.dataString("abc");
  data.op(CmdEnd);
  std::string bytes = data.build();
  // Fill the string's terminator and padding so it runs into the owner tables.
  int32_t dataStart = getWord(bytes, 5);
  std::memset(&bytes[size_t(dataStart) * 4 + 4], 'x', 8);
  Loaded l2;
  EXPECT_FALSE(l2.load(bytes));
}

TEST(Loader, RejectsCodeThatWouldReadStrayWords) {
  struct Case {
    const char* what;
    void (*make)(B&);
  };
  const Case cases[] = {
      {"integer operand given a string cell", [](B& b) { b.op(CmdPrintL, {b.stringConst("s")}); }},
      {"string operand given a DATA cell number", [](B& b) { b.op(CmdPrintS, {plainWord(0)}); }},
      {"command runs past the code", [](B& b) { b.op(CmdAddLLL, {B::intTemp(0), B::intTemp(1)}); }},
      {"jump target outside the code", [](B& b) { b.op(CmdGoto, {codeWord(500)}); }},
      {"GOTO to a cell", [](B& b) { b.op(CmdGoto, {B::intTemp(0)}); }},
      {"function argument count in a variable",
       [](B& b) {
         int f = b.newLabel();
         b.op(CmdFunction, {Arg::at(f), B::intTemp(0), b.intVar()});
         b.op(CmdEnd);
         b.function(f, {}, 1);
         b.op(CmdEndfunction0);
       }},
      {"argument and parameter of different kinds",
       [](B& b) {
         int f = b.newLabel();
         int32_t p = b.stringVar(1);
         b.call(f, B::intTemp(0), {b.intConst(1)});
         b.op(CmdEnd);
         b.function(f, {p}, 1);
         b.op(CmdEndfunction0);
       }},
  };
  for (const Case& c : cases) {
    B b;
    c.make(b);
    Loaded l;
    EXPECT_FALSE(l.load(b.build())) << c.what;
  }
}

// A command word in the plain-integer encoding (identifier + 25000) decodes to the
// identifier: the walk checks the operands of exactly that command.
TEST(Loader, PlainEncodedIdentifierIsCheckedAsTheCommandThatRuns) {
  B bad;
  bad.raw(B::plain(CmdAddLLL));  // +[ with three plain integers where cells must be
  for (int32_t w : {B::plain(1), B::plain(2), B::plain(3)}) bad.raw(w);
  bad.op(CmdEnd);
  Loaded l1;
  EXPECT_FALSE(l1.load(bad.build()));

  B good;
  good.raw(B::plain(CmdAddLLL));
  for (int32_t w : {B::intTemp(0), B::intTemp(1), B::intTemp(2)}) good.raw(w);
  good.raw(B::plain(CmdEnd));
  Loaded l2;
  ASSERT_TRUE(l2.load(good.build())) << l2.error;
  EXPECT_EQ(commandIdentifier(l2.image.CodeBlock[0].n), CmdAddLLL.id);
  EXPECT_EQ(commandIdentifier(l2.image.CodeBlock[4].n), CmdEnd.id);
}

// Jump targets may name every word up to the end word after the code, not one past it.
TEST(Loader, JumpTargetsReachExactlyTheEndWord) {
  for (int32_t past : {0, 1}) {
    B b;
    b.op(CmdGoto, {codeWord(2 + past)});  // GOTO: two words of code
    Loaded l;
    EXPECT_EQ(l.load(b.build()), past == 0) << past << ": " << l.error;
  }
}

TEST(Loader, RejectsAWordThatIsBothCommandAndOperand) {
  B b;
  int32_t v = b.intVar();
  b.op(CmdAssignLL, {v, b.intConst(5)});  // words 0..2
  b.op(CmdGoto, {codeWord(2)});          // GOTO the second operand of the assignment
  Loaded l;
  EXPECT_FALSE(l.load(b.build()));
  EXPECT_NE(l.error.find("both a command and an operand"), std::string::npos) << l.error;
}

// Parameter words far outside the cell range (the most negative word) are refused
// without any arithmetic on them overflowing.
TEST(Loader, RejectsParameterWordsOutsideTheCellRange) {
  for (int32_t word : {INT32_MIN, INT32_MAX, 9999 + 3000}) {
    B b;
    int f = b.newLabel();
    b.call(f, B::intTemp(0), {b.intConst(1)});
    b.op(CmdEnd);
    b.function(f, {word}, 1);
    b.op(CmdEndfunction0);
    Loaded l;
    EXPECT_FALSE(l.load(b.build())) << word;
  }
}

TEST(Loader, UnreachableWordsAreNotChecked) {
  B b;
  b.op(CmdEnd);
  b.op(CmdPrintL, {b.stringConst("never run")});  // after END: data of any kind may follow
  Loaded l;
  EXPECT_TRUE(l.load(b.build())) << l.error;
}

TEST(Loader, EveryTruncationOfAValidImageFailsOrLoadsCleanly) {
  B b;
  b.intConst(3);
  b.floatConst(2.0f);
  b.stringConst("hello");
  b.dataInt(1);
  b.dataString("two");
  int32_t v = b.intVar();
  int f = b.newLabel();
  b.call(f, B::intTemp(0), {b.intConst(4)});
  b.op(CmdPrintL, {B::intTemp(0)});
  b.op(CmdEnd);
  b.function(f, {v}, 1);
  b.op(CmdEndfunctionL, {v});
  const std::string bytes = b.build();
  Loaded whole;
  ASSERT_TRUE(whole.load(bytes)) << whole.error;
  for (size_t n = 0; n < bytes.size(); ++n) {
    Loaded l;
    l.load(bytes.substr(0, n));  // must return, whatever it decides
  }
  for (size_t i = 0; i < bytes.size(); ++i) {  // every single-byte corruption
    std::string spoiled = bytes;
    spoiled[i] = char(spoiled[i] ^ 0x5A);
    Loaded l;
    l.load(spoiled);
  }
}

}  // namespace
}  // namespace zt::test
