// Operators and run-time errors run through the engine binary: arithmetic edge cases,
// mixed and string forms, and the exact final texts of the errors the core raises.
#include <gtest/gtest.h>

#include <string>

#include "support/image_builder.h"

namespace zt::test {
namespace {

using B = ImageBuilder;
constexpr int POW_L = 51, POW_F = 52, DIV_L = 61, DIV_FLF = 64, DIV_F = 66, MUL_L = 71, ADD_L = 81, ADD_FLF = 84,
              CONCAT = 87, SUB_L = 91, REMOVE = 97, EQ_S = 103, NE_S = 121, GE_LFL = 136, LT_LLF = 137,
              AND = 123, OR = 124, SET_LF = 154, SET_FL = 155, INC_L = 412, INC_LF = 414, DEC_F = 421,
              DEC_FF = 423, GOSUB = 41, STOP = 26, END = 213, PRINT_L = 301, PRINT_F = 302, PRINT_S = 303;

// Prints the integer result of `id` over two operands.
void printInt(B& b, int id, int32_t l, int32_t r) {
  b.op(id, {B::intTemp(0), l, r});
  b.op(PRINT_L, {B::intTemp(0)});
}

void printFloat(B& b, int id, int32_t l, int32_t r) {
  b.op(id, {B::floatTemp(0), l, r});
  b.op(PRINT_F, {B::floatTemp(0)});
}

void printString(B& b, int id, int32_t l, int32_t r) {
  b.op(id, {B::stringTemp(0), l, r});
  b.op(PRINT_S, {B::stringTemp(0)});
}

TEST(ProgramOperators, ArithmeticEdgeCases) {
  B b;
  auto i = [&](int32_t v) { return b.intConst(v); };
  auto f = [&](float v) { return b.floatConst(v); };
  printInt(b, POW_L, i(2), i(0));             // 2: an exponent below 2 gives the base
  printInt(b, POW_L, i(2), i(3));             // 8
  printInt(b, POW_L, i(3), i(-5));            // 3
  printInt(b, POW_L, i(2), i(32));            // wraps to 0
  printFloat(b, POW_F, f(2.0f), i(-1));       // 2
  printFloat(b, POW_F, f(1.5f), i(2));        // 2.25
  printInt(b, DIV_L, i(7), i(2));             // 3
  printInt(b, DIV_L, i(-7), i(2));            // -3
  printInt(b, DIV_L, i(1), i(0));             // 0, soft error: the program goes on
  printInt(b, DIV_L, i(INT32_MIN), i(-1));    // -2147483648, no trap
  printFloat(b, DIV_F, f(1.0f), f(0.0f));     // 0
  printFloat(b, DIV_FLF, i(1), f(4.0f));      // 0.25
  printInt(b, ADD_L, i(INT32_MAX), i(1));     // wraps
  printInt(b, SUB_L, i(INT32_MIN), i(1));     // wraps
  printInt(b, MUL_L, i(65536), i(65536));     // wraps to 0
  printFloat(b, ADD_FLF, i(16777217), f(0.0f));  // the sum is rounded to single precision
  printInt(b, GE_LFL, f(2.0f), i(2));         // 1
  printInt(b, LT_LLF, i(1), f(1.5f));         // 1
  printInt(b, AND, i(6), i(3));               // 2
  printInt(b, OR, i(6), i(3));                // 7
  b.op(SET_LF, {B::intTemp(1), f(-1.9f)});    // truncates toward zero: -1
  b.op(PRINT_L, {B::intTemp(1)});
  b.op(SET_FL, {B::floatTemp(1), i(16777217)});  // nearest single: 16777216
  b.op(PRINT_F, {B::floatTemp(1)});
  b.op(END);
  RunResult r = runImage("arithmetic", b.build());
  EXPECT_EQ(r.out,
            "2\n8\n3\n0\n2\n2.25\n3\n-3\n0\n-2147483648\n0\n0.25\n-2147483648\n2147483647\n0\n1.67772e+007\n"
            "1\n1\n2\n7\n-1\n1.67772e+007\n");
  EXPECT_EQ(r.exitCode, 0);
}

TEST(ProgramOperators, StringsConcatenateRemoveAndCompare) {
  B b;
  auto s = [&](const std::string& v) { return b.stringConst(v); };
  printString(b, CONCAT, s("abc"), s(""));
  printString(b, REMOVE, s("HELLO WORLD"), s("O"));
  printString(b, REMOVE, s("HELLO"), s("XYZ"));
  printString(b, REMOVE, s("HI"), s("HIGH"));
  printString(b, REMOVE, s("HELLO"), s(""));
  printInt(b, EQ_S, s("abc"), s("abc"));
  printInt(b, EQ_S, s("abc"), s("ABC"));
  printInt(b, NE_S, s("abc"), s("ab"));
  b.op(CONCAT, {B::stringTemp(1), s(std::string(200, 'x')), s(std::string(55, 'y'))});
  b.op(ADD_L, {B::intTemp(0), b.intConst(0), b.intConst(0)});
  b.op(PRINT_S, {s("255 ok")});
  b.op(END);
  RunResult r = runImage("strings", b.build());
  EXPECT_EQ(r.out, "abc\nHELL WORLD\nHELLO\nHI\nHELLO\n1\n0\n1\n255 ok\n");
}

// Runs `body` after printing "start" and returns the run.
template <class Body>
RunResult runFailing(const std::string& name, Body body) {
  B b;
  b.op(PRINT_S, {b.stringConst("start")});
  body(b);
  b.op(PRINT_S, {b.stringConst("not reached")});
  b.op(END);
  return runImage(name, b.build());
}

TEST(ProgramOperators, HardErrorsStopWithTheirFinalText) {
  struct Case {
    const char* name;
    void (*body)(B&);
    const char* text;
  };
  const Case cases[] = {
      {"stop", [](B& b) { b.op(STOP); }, "Runtime Error : ERROR 5. "},
      {"concat_256",
       [](B& b) { b.op(CONCAT, {B::stringTemp(0), b.stringConst(std::string(200, 'x')), b.stringConst(std::string(56, 'y'))}); },
       "Runtime Error : ERROR 12. "},
      {"inc_temporary", [](B& b) { b.op(INC_L, {B::intTemp(3)}); }, "Runtime Error : ERROR 19. "},
      {"inc_constant", [](B& b) { b.op(INC_LF, {b.intConst(1), b.floatConst(1)}); }, "Runtime Error : ERROR 19. "},
      {"dec_int_as_float", [](B& b) { b.op(DEC_F, {B::floatTemp(0)}); }, "Runtime Error : ERROR 20. "},
      {"dec_temporary", [](B& b) { b.op(DEC_FF, {B::floatTemp(2), b.floatConst(1)}); }, "Runtime Error : ERROR 20. "},
      {"gosub_depth",
       [](B& b) {
         int again = b.newLabel();
         b.place(again);
         b.op(GOSUB, {Arg::at(again)});
       },
       "Runtime Error : ERROR 13. "},
  };
  for (const Case& c : cases) {
    RunResult r = runFailing(c.name, c.body);
    EXPECT_EQ(r.out, std::string("start\n") + c.text + "\n") << c.name;
    EXPECT_EQ(r.err, std::string(c.text) + "\n") << c.name;
    EXPECT_EQ(r.exitCode, 1) << c.name;
  }
}

TEST(ProgramOperators, IncAndDecChangeVariables) {
  B b;
  int32_t i = b.intVar(), f = b.floatVar();
  b.op(INC_L, {i});
  b.op(INC_LF, {i, b.floatConst(2.9f)});
  b.op(PRINT_L, {i});
  b.op(DEC_F, {f});
  b.op(DEC_FF, {f, b.floatConst(0.5f)});
  b.op(PRINT_F, {f});
  b.op(END);
  RunResult r = runImage("inc_dec", b.build());
  EXPECT_EQ(r.out, "3\n-1.5\n");
}

}  // namespace
}  // namespace zt::test
