// The images the compiler writes: their layout, the code it generates for calls, loops
// and array files, and that the loader accepts them; the disassembler's listing.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "compiler/disassembler.h"
#include "core/commands.h"
#include "core/image.h"
#include "core/image_format.h"
#include "core/runtime.h"
#include "support/image_builder.h"

namespace zt::compiler {
namespace {

std::vector<int32_t> words(const std::string& image) {
  std::vector<int32_t> w(image.size() / 4);
  for (size_t i = 0; i < w.size(); ++i) w[i] = readWord(image, i);
  return w;
}

std::string compiled(const std::string& source) {
  CompileResult r = compileText("test.ztb", source);
  EXPECT_TRUE(r.ok) << r.messages;
  return r.image;
}

std::string listing(const std::string& source) {
  std::string text, error;
  EXPECT_TRUE(disassemble(compiled(source), text, error)) << error;
  return text;
}

bool loads(const std::string& image, std::string& error) {
  auto rt = std::make_unique<Runtime>();
  return loadProgram(rt->image, image, rt->dispatch, error);
}

TEST(CompilerImage, HeaderSectionsAndOwnerTables) {
  std::string image = compiled(
      "a = 5 : b# = 2.5 : c$ = \"hi\" : d$ = \"\"\n"
      "data 1, 2.5, \"abc\", 4\n"
      "dim arr(3)\n"
      "print f(a)\n"
      "function f(n)\n  local = n\nendfunction local\n");
  std::vector<int32_t> w = words(image);
  ASSERT_GE(w.size(), 12u);
  EXPECT_EQ(w[0], 1);
  EXPECT_EQ(w[1], 12);
  // Integer constants 5, 3 and 1 (the argument count), float 2.5, strings "hi" and "".
  EXPECT_EQ(w[2] - w[1], 3);
  EXPECT_EQ(w[3] - w[2], 1);
  EXPECT_EQ(w[4], 2);
  EXPECT_EQ(std::string(image.data() + w[3] * 4, 4), std::string("hi\0\0", 4));
  // DATA: four letters and four padding bytes, then the values ("abc" and its NUL take 8 bytes).
  EXPECT_EQ(w[6], 4);
  EXPECT_EQ(std::string(image.data() + w[5] * 4, 8), std::string("lfsl\0\0\0\0", 8));
  EXPECT_EQ(w[w[5] + 2], 1);
  EXPECT_EQ(std::string(image.data() + (w[5] + 4) * 4, 4), std::string("abc\0", 4));
  EXPECT_EQ(w[w[5] + 6], 4);
  // Variables: a, arr, n, local (integer); b#; c$, d$. The array belongs to no function.
  EXPECT_EQ(w[8], 4);
  EXPECT_EQ(w[9], 1);
  EXPECT_EQ(w[10], 2);
  const int32_t* owners = &w[size_t(w[7] - w[11])];
  EXPECT_EQ(w[11], 3 + 4 + 1 + 2);
  EXPECT_EQ(std::vector<int32_t>(owners, owners + 5), (std::vector<int32_t>{4, 0, 0xFFFF, 1, 1}));
  std::string error;
  EXPECT_TRUE(loads(image, error)) << error;
}

TEST(CompilerImage, FunctionCallAndEntryLayout) {
  std::string text = listing("print f(2, 1.5, \"s\")\nfunction f(a, b#, c$)\nendfunction c$\n");
  EXPECT_NE(text.find("     0  FUNCTION -> 10, S:tmp2000, =3, =2, =1.5, =\"s\"\n     7  PRINT S:tmp2000\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("     9  END\n    10  .entry function 1 (L:var3000@f1, F:var5000@f1, S:var7000@f1)\n"
                      "    14  ENDFUNCTION S:var7000@f1\n"),
            std::string::npos)
      << text;
}

// The result of a call goes to a temporary; before the next call of the same expression
// it moves to a hidden variable of the caller, which the call saves and restores.
TEST(CompilerImage, CallResultsMoveToHiddenVariablesBeforeTheNextCall) {
  std::string text =
      listing("print fib(5)\nfunction fib(n)\n  if n < 2 then exitfunction n\nendfunction fib(n - 1) + fib(n - 2)\n");
  EXPECT_NE(text.find("FUNCTION -> 8, L:tmp1, =1, L:tmp0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("= L:var3001@f1, L:tmp1\n"), std::string::npos) << text;
  EXPECT_NE(text.find("+[ L:tmp0, L:var3001@f1, L:tmp1\n"), std::string::npos) << text;
}

TEST(CompilerImage, ForStartsOneStepEarlyAndKeepsBoundsInHiddenVariables) {
  std::string text = listing("n = 4\nfor i = 1 to n * 2 step n\nnext i\nfor j = 10 to 1 step -2\nnext\n");
  EXPECT_NE(text.find("*[ L:tmp0, L:var3000, =2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("= L:var3002, L:tmp0\n"), std::string::npos) << text;     // the limit
  EXPECT_NE(text.find("= L:var3003, L:var3000\n"), std::string::npos) << text;  // the step
  EXPECT_NE(text.find("-[ L:var3001, =1, L:var3003\n"), std::string::npos) << text;
  EXPECT_NE(text.find("FOR L:var3001, L:var3002, L:var3003  -> "), std::string::npos) << text;
  // Constant bounds stay constants and the start is folded: 10 - (-2).
  EXPECT_NE(text.find("= L:var3004, =12\n"), std::string::npos) << text;
  EXPECT_NE(text.find("FOR L:var3004, =1, =-2  -> "), std::string::npos) << text;
}

TEST(CompilerImage, ArrayFilesFollowAnElementReadOfTheirArray) {
  std::vector<int32_t> w = words(compiled("dim s$(3)\nsave array \"f\" + \".txt\", s$()\n"));
  std::vector<int32_t> code(w.begin() + w[7], w.end());
  // DIM, then the file name, then @[ 671 (result, array, subscript 0), then SAVE ARRAY 5006.
  ASSERT_GE(code.size(), 15u);
  EXPECT_EQ(code[0], 521);
  EXPECT_EQ(code[3], 87);
  EXPECT_EQ(code[7], 671);
  EXPECT_EQ(code[9], code[1]);  // the array variable
  EXPECT_EQ(code[11], 5006);
  EXPECT_EQ(code[12], code[4]);  // the file name
  EXPECT_EQ(code[13], code[8]);  // the element read's result
}

// The longest keyword wins: "LOOP SOUND" is a command inside DO ... LOOP; names that
// only begin a keyword ("ADD" of "ADD LIMB") are free for variables and functions.
TEST(CompilerImage, KeywordsOfSeveralWords) {
  std::string text = listing(
      "do\n  loop sound 1\n  set cursor 1, 2 : perform checklist for files\n  if 1 then exit\nloop\n"
      "add = 2 : total = add * 3 : print checklist value a(total)\n");
  EXPECT_NE(text.find("     0  LOOP SOUND =1\n     2  SET CURSOR =1, =2\n     5  PERFORM CHECKLIST FOR FILES\n"
                      "     6  IF =1  -> 11\n     9  EXIT -> 13\n    11  LOOP -> 0\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("CHECKLIST VALUE A[ L:tmp0, L:var3001\n"), std::string::npos) << text;
}

TEST(CompilerImage, ConversionsUseTheAssignmentForms) {
  std::string text = listing("x = 3\ny# = x / 2.0\nz = y# * x\n");
  EXPECT_NE(text.find("/[ F:var5000, L:var3000, =2.0\n"), std::string::npos) << text;  // 64 FLF, straight into y#
  EXPECT_NE(text.find("*[ F:tmp1000, F:var5000, L:var3000\n"), std::string::npos) << text;
  EXPECT_NE(text.find("= L:var3001, F:tmp1000\n"), std::string::npos) << text;  // 154 LF
  text = listing("x = 7\nprint 2.5 ^ x# & x\n");
  EXPECT_NE(text.find("= L:tmp0, F:var5000\n"), std::string::npos) << text;  // the exponent truncated
  EXPECT_NE(text.find("= L:tmp0, F:tmp1000\n"), std::string::npos) << text;  // the power truncated for &
}

TEST(CompilerImage, DisassemblerListsDataStringsAndUnreachedWords) {
  std::string text = listing("data 7, \"x\"\nrestore here\nhere:\nprint \"a\"\nfunction unused(a)\nendfunction\n");
  EXPECT_NE(text.find("; data #0 l 7\n; data #1 s \"x\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("; string 13000 = \"a\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("     0  RESTORE data #2\n     2  PRINT =\"a\"\n     4  END\n     5  .word 13000\n"),
            std::string::npos)
      << text;
  std::string out, error;
  EXPECT_FALSE(disassemble("short", out, error));
  EXPECT_FALSE(disassemble(std::string(48, '\0'), out, error));
  EXPECT_EQ(error, "format version 0, not 1");
}

// Operand words at the far end of the 32-bit range are listed as unknown, never computed
// with (an argument count or a RESTORE item of 0x80000000 overflowed).
TEST(CompilerImage, ListingOfExtremeOperandWords) {
  std::string image = compiled("restore here\nhere:\nprint f(1)\nfunction f(a)\nendfunction a\n");
  const size_t code = size_t(words(image)[7]) * 4;
  auto patched = [&](size_t word, uint32_t value) {
    std::string bytes = image;
    storeWord(bytes, code / 4 + word, int32_t(value));
    std::string text, error;
    EXPECT_TRUE(disassemble(bytes, text, error)) << error;
    return text;
  };
  EXPECT_NE(patched(1, 0x80000000u).find("     0  RESTORE ?-2147483648\n"), std::string::npos);
  EXPECT_NE(patched(1, 0x7FFFFFFFu).find("     0  RESTORE ?2147483647\n"), std::string::npos);
  // RESTORE at 0, FUNCTION (entry, result, count, argument) at 2.
  std::string listed = patched(0, 31);
  ASSERT_NE(listed.find("     2  FUNCTION -> "), std::string::npos) << listed;
  EXPECT_NE(patched(5, 0x80000000u).find("     2  FUNCTION (bad layout)\n"), std::string::npos);
  std::string entry = patched(3, 0x80000000u);
  EXPECT_NE(entry.find("     2  FUNCTION -> ?-2147483648, "), std::string::npos) << entry;
  EXPECT_EQ(entry.find(".entry"), std::string::npos) << entry;
}

// The largest programs the ranges allow still load.
TEST(CompilerImage, ProgramsAtTheLimitsLoad) {
  std::string source;
  for (int i = 0; i < 2000; ++i) source += "v" + std::to_string(i) + " = " + std::to_string(i) + "\n";
  for (int i = 0; i < 1999; ++i) source += "print \"s" + std::to_string(i) + "\"\n";
  source += "data 1";
  for (int i = 1; i < 14000; ++i) source += ", \"d\"";
  source += "\n";
  std::string image = compiled(source);
  std::string error;
  EXPECT_TRUE(loads(image, error)) << error;
  EXPECT_EQ(words(image)[6], 14000);
}

// The engine runs a .ztb file by compiling it in memory; a program that does not compile
// does not start: its errors go to stderr and the exit code is 2.
TEST(CompilerImage, EngineRunsSourceFilesAndRefusesBrokenOnes) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path(ZT_TEST_WORK_DIR) / "compiler_engine";
  fs::remove_all(dir);
  fs::create_directories(dir / "lib");
  std::ofstream(dir / "good.ztb") << "#include \"lib/part.ztb\"\nprint twice(21)\n";
  std::ofstream(dir / "lib" / "part.ztb") << "function twice(n)\nendfunction n * 2\n";
  std::ofstream(dir / "bad.ztb") << "print 1\ngosub nowhere\n";
  auto run = [&](const char* file, std::string& out, std::string& err) {
    std::string cmd = "cd '" + dir.string() + "' && '" ZT_ENGINE_BINARY "' --headless --echo " + file + " 2>err.txt";
    FILE* p = popen(cmd.c_str(), "r");
    char buf[512];
    size_t n;
    out.clear();
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int status = pclose(p);
    err = test::readFile((dir / "err.txt").string());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  std::string out, err;
  EXPECT_EQ(run("good.ztb", out, err), 0) << err;
  EXPECT_EQ(out, "42\n");
  EXPECT_EQ(run("bad.ztb", out, err), 2);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "bad.ztb:2:1: no label NOWHERE\n");
}

}  // namespace
}  // namespace zt::compiler
