// Operators and run-time errors run through the engine binary: arithmetic edge cases,
// mixed and string forms, and the exact final texts of the errors the core raises.
#include <gtest/gtest.h>

#include <string>

#include "command_ids.h"
#include "support/image_builder.h"

namespace zt::test {
namespace {

using B = ImageBuilder;

// Prints the integer result of `id` over two operands.
void printInt(B& b, int id, int32_t l, int32_t r) {
  b.op(id, {B::intTemp(0), l, r});
  b.op(CmdPrintL, {B::intTemp(0)});
}

void printFloat(B& b, int id, int32_t l, int32_t r) {
  b.op(id, {B::floatTemp(0), l, r});
  b.op(CmdPrintF, {B::floatTemp(0)});
}

void printString(B& b, int id, int32_t l, int32_t r) {
  b.op(id, {B::stringTemp(0), l, r});
  b.op(CmdPrintS, {B::stringTemp(0)});
}

TEST(ProgramOperators, ArithmeticEdgeCases) {
  B b;
  auto i = [&](int32_t v) { return b.intConst(v); };
  auto f = [&](float v) { return b.floatConst(v); };
  printInt(b, CmdPowerLLL, i(2), i(0));             // 2: an exponent below 2 gives the base
  printInt(b, CmdPowerLLL, i(2), i(3));             // 8
  printInt(b, CmdPowerLLL, i(3), i(-5));            // 3
  printInt(b, CmdPowerLLL, i(2), i(32));            // wraps to 0
  printFloat(b, CmdPowerFFL, f(2.0f), i(-1));       // 2
  printFloat(b, CmdPowerFFL, f(1.5f), i(2));        // 2.25
  printInt(b, CmdDivideLLL, i(7), i(2));             // 3
  printInt(b, CmdDivideLLL, i(-7), i(2));            // -3
  printInt(b, CmdDivideLLL, i(1), i(0));             // 0, soft error: the program goes on
  printInt(b, CmdDivideLLL, i(INT32_MIN), i(-1));    // -2147483648, no trap
  printFloat(b, CmdDivideFFF, f(1.0f), f(0.0f));     // 0
  printFloat(b, CmdDivideFLF, i(1), f(4.0f));      // 0.25
  printInt(b, CmdAddLLL, i(INT32_MAX), i(1));     // wraps
  printInt(b, CmdSubtractLLL, i(INT32_MIN), i(1));     // wraps
  printInt(b, CmdMultiplyLLL, i(65536), i(65536));     // wraps to 0
  printFloat(b, CmdAddFLF, i(16777217), f(0.0f));  // the sum is rounded to single precision
  printInt(b, CmdGreaterEqualLFL, f(2.0f), i(2));         // 1
  printInt(b, CmdLessLLF, i(1), f(1.5f));         // 1
  printInt(b, CmdAnd, i(6), i(3));               // 2
  printInt(b, CmdOr, i(6), i(3));                // 7
  b.op(CmdAssignLF, {B::intTemp(1), f(-1.9f)});    // truncates toward zero: -1
  b.op(CmdPrintL, {B::intTemp(1)});
  b.op(CmdAssignFL, {B::floatTemp(1), i(16777217)});  // nearest single: 16777216
  b.op(CmdPrintF, {B::floatTemp(1)});
  b.op(CmdEnd);
  RunResult r = runImage("arithmetic", b.build());
  EXPECT_EQ(r.out,
            "2\n8\n3\n0\n2\n2.25\n3\n-3\n0\n-2147483648\n0\n0.25\n-2147483648\n2147483647\n0\n1.67772e+007\n"
            "1\n1\n2\n7\n-1\n1.67772e+007\n");
  EXPECT_EQ(r.exitCode, 0);
}

TEST(ProgramOperators, StringsConcatenateRemoveAndCompare) {
  B b;
  auto s = [&](const std::string& v) { return b.stringConst(v); };
  printString(b, CmdAddSSS, s("abc"), s(""));
  printString(b, CmdSubtractSSS, s("HELLO WORLD"), s("O"));
  printString(b, CmdSubtractSSS, s("HELLO"), s("XYZ"));
  printString(b, CmdSubtractSSS, s("HI"), s("HIGH"));
  printString(b, CmdSubtractSSS, s("HELLO"), s(""));
  printInt(b, CmdEqualLSS, s("abc"), s("abc"));
  printInt(b, CmdEqualLSS, s("abc"), s("ABC"));
  printInt(b, CmdNotEqualLSS, s("abc"), s("ab"));
  b.op(CmdAddSSS, {B::stringTemp(1), s(std::string(200, 'x')), s(std::string(55, 'y'))});
  b.op(CmdAddLLL, {B::intTemp(0), b.intConst(0), b.intConst(0)});
  b.op(CmdPrintS, {s("255 ok")});
  b.op(CmdEnd);
  RunResult r = runImage("strings", b.build());
  EXPECT_EQ(r.out, "abc\nHELL WORLD\nHELLO\nHI\nHELLO\n1\n0\n1\n255 ok\n");
}

// Runs `body` after printing "start" and returns the run.
template <class Body>
RunResult runFailing(const std::string& name, Body body) {
  B b;
  b.op(CmdPrintS, {b.stringConst("start")});
  body(b);
  b.op(CmdPrintS, {b.stringConst("not reached")});
  b.op(CmdEnd);
  return runImage(name, b.build());
}

TEST(ProgramOperators, HardErrorsStopWithTheirFinalText) {
  struct Case {
    const char* name;
    void (*body)(B&);
    const char* text;
    const char* meaning;  // the report's second line on stderr
  };
  const Case cases[] = {
      {"stop", [](B& b) { b.op(CmdStop); }, "Runtime Error : ERROR 5. ", "error 21 (the program was stopped by STOP)"},
      {"concat_256",
       [](B& b) {
         b.op(CmdAddSSS, {B::stringTemp(0), b.stringConst(std::string(200, 'x')), b.stringConst(std::string(56, 'y'))});
       },
       "Runtime Error : ERROR 12. ", "error 107 (string longer than 255 characters)"},
      {"inc_temporary", [](B& b) { b.op(CmdIncL, {B::intTemp(3)}); }, "Runtime Error : ERROR 19. ",
       "error 114 (INC needs a variable of its type)"},
      {"inc_constant",
       [](B& b) {
         b.op(CmdIncLF, {b.intConst(1), b.floatConst(1)});
       },
       "Runtime Error : ERROR 19. ", "error 114 (INC needs a variable of its type)"},
      {"dec_int_as_float", [](B& b) { b.op(CmdDecF, {B::floatTemp(0)}); }, "Runtime Error : ERROR 20. ",
       "error 115 (DEC needs a variable of its type)"},
      {"dec_temporary",
       [](B& b) {
         b.op(CmdDecFF, {B::floatTemp(2), b.floatConst(1)});
       },
       "Runtime Error : ERROR 20. ", "error 115 (DEC needs a variable of its type)"},
      {"gosub_depth",
       [](B& b) {
         int again = b.newLabel();
         b.place(again);
         b.op(CmdGosub, {Arg::at(again)});
       },
       "Runtime Error : ERROR 13. ", "error 108 (too many nested GOSUB or FUNCTION calls)"},
  };
  for (const Case& c : cases) {
    RunResult r = runFailing(c.name, c.body);
    EXPECT_EQ(r.out, std::string("start\n") + c.text + "\n") << c.name;
    EXPECT_EQ(r.err, std::string(c.text) + "\n" + c.meaning + "\n") << c.name;
    EXPECT_EQ(r.exitCode, 1) << c.name;
  }
}

TEST(ProgramOperators, IncAndDecChangeVariables) {
  B b;
  int32_t i = b.intVar(), f = b.floatVar();
  b.op(CmdIncL, {i});
  b.op(CmdIncLF, {i, b.floatConst(2.9f)});
  b.op(CmdPrintL, {i});
  b.op(CmdDecF, {f});
  b.op(CmdDecFF, {f, b.floatConst(0.5f)});
  b.op(CmdPrintF, {f});
  b.op(CmdEnd);
  RunResult r = runImage("inc_dec", b.build());
  EXPECT_EQ(r.out, "3\n-1.5\n");
}

}  // namespace
}  // namespace zt::test
