// Broken programs: each error is reported at its line and column with a message that
// names the problem, several per compile, and no image is produced.
#include <gtest/gtest.h>

#include <string>

#include "compiler/compiler.h"
#include "compiler/disassembler.h"
#include "support/image_builder.h"

namespace zt::compiler {
namespace {

// The first diagnostic as "line:col: message".
std::string firstError(const std::string& source) {
  CompileResult r = compileText("bad.ztb", source);
  EXPECT_FALSE(r.ok) << source;
  EXPECT_TRUE(r.image.empty());
  if (r.diagnostics.empty()) return "(no error)";
  const Diagnostic& d = r.diagnostics.front();
  return std::to_string(d.pos.line) + ":" + std::to_string(d.pos.column) + ": " + d.message;
}

struct Case {
  const char* source;
  const char* expected;  // "line:col: message"
};

TEST(CompilerDiagnostics, StatementsAndNames) {
  const Case cases[] = {
      {"print 1\nfoo bar\n", "2:1: unknown command FOO (or a missing '=' after it)"},
      {"x = 1\nx 2\n", "2:1: unknown command X (or a missing '=' after it)"},
      {"print 1\nGOTO nowhere\n", "2:1: no label NOWHERE"},
      {"start:\nprint 1\nstart:\n", "3:1: label START is already defined at line 1"},
      {"x = missing(3)\n", "1:5: MISSING is neither an array (no DIM for it) nor a function"},
      {"a = 1\nprint 1 2\n", "2:9: unexpected number 2 after the statement"},
      {"  next i\n", "1:3: NEXT without FOR"},
      {"endif\n", "1:1: ENDIF without IF"},
      {"print 1\nexit\n", "2:1: EXIT outside a loop"},
      {"len = 3\n", "1:1: 'LEN' is not a statement"},
      {"x = 1 +\n", "1:8: expected a value but found end of line"},
      {"print (1 + 2\n", "1:13: expected ')' but found end of line"},
      {"print \"abc\n", "1:7: string has no closing quote"},
      {"x = 2147483648\n", "1:5: integer constant too large"},
      {"x = %102\n", "1:5: malformed binary number"},
      {"x = 3 ? 4\n", "1:7: unexpected character '?'"},
      {"remstart\nprint 1\n", "1:1: REMSTART without REMEND"},
      {"#include \"no_such_file.ztb\"\n", "1:1: cannot read \"no_such_file.ztb\": no such file"},
      {"data 1, x\n", "1:9: DATA items are numbers or strings in quotes, not 'X'"},
      {"for x# = 1 to 3\nnext\n", "1:5: the loop variable of FOR must be an integer variable"},
      {"for i = 1 to 3\nnext j\n", "2:6: NEXT J does not match FOR I"},
  };
  for (const Case& c : cases) EXPECT_EQ(firstError(c.source), c.expected) << c.source;
  EXPECT_EQ(firstError("x = %1" + std::string(32, '0') + "\n"), "1:5: integer constant too large");
}

TEST(CompilerDiagnostics, UnclosedBlocksAreReportedAtTheirOpeningKeyword) {
  CompileResult r = compileText("bad.ztb", "for i = 1 to 3\n  if i = 2\n    print i\nnext i\nwhile 1\n");
  ASSERT_EQ(r.diagnostics.size(), 2u) << r.messages;
  EXPECT_EQ(r.messages, "bad.ztb:2:3: IF has no ENDIF\nbad.ztb:5:1: WHILE has no ENDWHILE\n");
  EXPECT_EQ(firstError("repeat\nprint 1\n"), "1:1: REPEAT has no UNTIL");
  EXPECT_EQ(firstError("do\n"), "1:1: DO has no LOOP");
  EXPECT_EQ(firstError("print 1\nfunction f(a)\nprint a\n"), "2:1: FUNCTION F has no ENDFUNCTION");
}

TEST(CompilerDiagnostics, TypesAndOverloadsListTheAcceptedForms) {
  const Case cases[] = {
      {"x = 1\nset cursor \"a\", x\n", "2:1: SET CURSOR takes (x, y), not (string, integer)"},
      {"print left$(1, 2)\n", "1:7: LEFT$ takes (text$, count), not (integer, integer)"},
      {"print 1\na = \"x\"\n", "2:5: cannot assign a string to A, which holds an integer"},
      {"if \"a\" < \"b\" then print 1\n", "1:8: strings can only be compared with = and <>"},
      {"print \"a\" * 2\n", "1:11: '*' cannot combine a string and an integer"},
      {"print \"a\" * \"b\"\n", "1:11: '*' does not apply to strings"},
      {"print -\"a\"\n", "1:7: a string cannot be negated"},
      {"if \"yes\" then print 1\n", "1:4: a condition must be a number, not a string"},
      {"dim a(3)\na(1) = \"x\"\n", "2:8: cannot store a string in A"},
      {"dim a(3, 3)\nprint a(1)\n", "2:7: A has 2 dimensions, not 1"},
      {"dim a(1,2,3,4,5,6)\n", "1:18: an array has 1 to 5 dimensions"},
      {"inc 5\n", "1:5: INC needs a variable or an array element"},
      {"read 5\n", "1:6: READ needs variables or array elements"},
      {"load array \"f\", nothing()\n", "1:17: NOTHING is not an array (no DIM for it)"},
      // Two entries that differ only in their result type are one form.
      {"print rnd()\n", "1:7: RND takes (integer), not ()"},
  };
  for (const Case& c : cases) EXPECT_EQ(firstError(c.source), c.expected) << c.source;
}

TEST(CompilerDiagnostics, Functions) {
  const Case cases[] = {
      {"print f(1, 2)\nfunction f(a)\nendfunction a\n", "1:7: F takes 1 argument, not 2"},
      {"x = g(1)\nfunction g(a)\nendfunction\n", "1:5: function G returns no value"},
      {"function h(a)\nexitfunction 1\nendfunction\n", "2:14: function H returns no value at ENDFUNCTION"},
      {"function f(n)\nendfunction f(n - 1)\n",
       "2:13: cannot tell the result type of F from its own calls; return the "
       "value through a variable"},
      {"function s$(n)\nendfunction n\n", "2:13: function S$ must return a string, not an integer"},
      {"function f(a, a)\nendfunction\n", "1:15: parameter A appears twice"},
      {"function f(a)\nendfunction\nfunction f(b)\nendfunction\n", "3:10: function F is already defined"},
      {"exitfunction 1\n", "1:1: EXITFUNCTION outside a function"},
      {"function f(a)\nfunction g(b)\nendfunction\n", "2:1: FUNCTION inside another function or statement"},
      {"top:\nf(1)\nfunction f(a)\ngoto top\nendfunction\n",
       "4:1: label TOP is in the main program; GOTO stays within its function"},
      {"x = f(\"a\")\nfunction f(a)\nendfunction a\n", "1:7: argument 1 of F must be an integer, not a string"},
  };
  for (const Case& c : cases) EXPECT_EQ(firstError(c.source), c.expected) << c.source;
}

TEST(CompilerDiagnostics, SeveralErrorsInOneCompile) {
  CompileResult r = compileText("many.ztb", "a = \"x\"\nprint 1\ngoto nowhere\nb$ = 3\nendwhile\n");
  ASSERT_FALSE(r.ok);
  EXPECT_EQ(r.messages,
            "many.ztb:5:1: ENDWHILE without WHILE\n"
            "many.ztb:1:5: cannot assign a string to A, which holds an integer\n"
            "many.ztb:3:1: no label NOWHERE\n"
            "many.ztb:4:6: cannot assign an integer to B$, which holds a string\n");
}

// Programs that exceed a range of the image are refused by the compiler, never left
// to the loader.
TEST(CompilerDiagnostics, LimitsOfTheImage) {
  std::string vars;
  for (int i = 0; i <= 2000; ++i) vars += "v" + std::to_string(i) + " = 1\n";
  EXPECT_EQ(firstError(vars), "2001:1: too many integer variables");

  std::string strings;
  for (int i = 0; i <= 2000; ++i) strings += "print \"s" + std::to_string(i) + "\"\n";
  EXPECT_EQ(firstError(strings), "2001:7: too many string constants");

  std::string floats;
  for (int i = 0; i <= 2000; ++i) floats += "print " + std::to_string(i) + ".5\n";
  EXPECT_EQ(firstError(floats), "2001:7: too many float constants");

  // Parameters are variables of their function: 16 functions of 126 integer parameters
  // need 2016: the 2001st is parameter P110 of F15.
  std::string params;
  for (int f = 0; f < 16; ++f) {
    params += "function f" + std::to_string(f) + "(";
    for (int p = 0; p < 126; ++p) params += (p ? ", p" : "p") + std::to_string(p);
    params += ")\nendfunction\n";
  }
  EXPECT_EQ(firstError(params), "31:564: too many integer variables");

  // Each pending subscript holds a temporary until the last one is known: four a level.
  std::string nested = "x = 1\ndim a(1, 1, 1, 1, 1)\ny = ";
  for (int i = 0; i < 251; ++i) nested += "a(x + 1, x + 2, x + 3, x + 4, ";
  nested += "x";
  nested += std::string(251, ')') + "\n";
  std::string tooMany = firstError(nested);
  EXPECT_EQ(tooMany.substr(0, 2), "3:");
  EXPECT_NE(tooMany.find(": expression too complex: out of temporary cells"), std::string::npos) << tooMany;
  // 249 levels hold 996; the innermost sum needs four more at once (1000), or five (1001).
  auto held = [](const std::string& innermost) {
    std::string s = "x = 1\ndim a(1, 1, 1, 1, 1)\ny = ";
    for (int i = 0; i < 249; ++i) s += "a(x + 1, x + 2, x + 3, x + 4, ";
    return s + innermost + std::string(249, ')') + "\n";
  };
  CompileResult most = compileText("ok.ztb", held("(x + 1) + ((x + 2) + (x + 3))"));
  ASSERT_TRUE(most.ok) << most.messages;
  std::string text, error;
  ASSERT_TRUE(disassemble(most.image, text, error)) << error;
  EXPECT_NE(text.find("L:tmp999"), std::string::npos);
  EXPECT_EQ(firstError(held("(x + 1) + ((x + 2) + ((x + 3) + (x + 4)))")),
            "3:7505: expression too complex: out of temporary cells");

  // RESTORE names its DATA item in a plain operand word: items 0 to 9999.
  auto restoreAfter = [](int items) {
    std::string s = "restore here\nread x\nprint x\ndata 0";
    for (int i = 1; i < items; ++i) s += ", 0";
    return s + "\nhere:\ndata 7\n";
  };
  CompileResult last = compileText("ok.ztb", restoreAfter(9999));
  ASSERT_TRUE(last.ok) << last.messages;
  EXPECT_EQ(test::runImage("compiler_restore_9999", last.image).out, "7\n");
  EXPECT_EQ(firstError(restoreAfter(10000)), "1:1: RESTORE cannot reach DATA item 10000");

  // Nesting deeper than the parser follows is refused, not a stack overflow.
  EXPECT_EQ(firstError("y = " + std::string(100000, '(') + "1" + std::string(100000, ')') + "\n"),
            "1:261: expression nested too deeply (at most 256 levels)");
  EXPECT_EQ(firstError("y = " + std::string(100000, '-') + "1\n"), "1:261: expression nested too deeply (at most 256 levels)");
  std::string nots = "y = ";
  for (int i = 0; i < 100000; ++i) nots += "not ";
  EXPECT_NE(firstError(nots + "1\n").find("expression nested too deeply"), std::string::npos);

  std::string data = "data ";
  for (int i = 0; i < 14000; ++i) data += "1,";
  data += "2\n";
  EXPECT_EQ(firstError(data), "1:28006: too many DATA items (at most 14000)");

  EXPECT_EQ(firstError("print \"" + std::string(256, 'x') + "\"\n"), "1:7: string longer than 255 characters");
  CompileResult longest = compileText("ok.ztb", "print \"" + std::string(255, 'x') + "\"\n");
  EXPECT_TRUE(longest.ok) << longest.messages;
}

}  // namespace
}  // namespace zt::compiler
