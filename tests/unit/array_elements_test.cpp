// Array element commands in hand-built images: each command finds the array its own
// operand names, operands that name no array read as empty and take no store, and a
// function owning an array variable keeps its other variables across recursion.
#include <gtest/gtest.h>

#include "support/image_builder.h"

namespace zt::test {
namespace {

using B = ImageBuilder;
constexpr int DIM_L = 501, DIM_S = 521, UNDIM_L = 506, SET_ELEMENT_L = 561, SET_ELEMENT_S = 571;
constexpr int ELEMENT_L = 661, ELEMENT_S = 671, SUB = 91, LT = 115, IF = 1, END = 213;
constexpr int ENDFUNCTION_L = 23, EXITFUNCTION_L = 28, PRINTC_L = 305, PRINTC_S = 307, PRINT_S = 303;

TEST(ArrayElements, EachCommandFindsTheArrayItsOperandNames) {
  B b;
  int32_t a = b.intVar(), c = b.intVar(), s = b.stringVar(), plain = b.intVar();
  int32_t one = b.intConst(1), three = b.intConst(3);
  b.op(DIM_L, {a, three});
  b.op(DIM_L, {c, three});
  b.op(DIM_S, {s, three});
  b.op(SET_ELEMENT_L, {a, one, b.intConst(5)});
  b.op(SET_ELEMENT_L, {c, one, b.intConst(7)});
  b.op(SET_ELEMENT_S, {s, one, b.stringConst("x")});
  for (int32_t array : {a, c}) {
    b.op(ELEMENT_L, {B::intTemp(0), array, one});
    b.op(PRINTC_L, {B::intTemp(0)});
  }
  b.op(ELEMENT_S, {B::stringTemp(0), s, one});
  b.op(PRINTC_S, {B::stringTemp(0)});
  // A temporary, a constant and a variable without an array name no array: stores into
  // them are dropped and reads give 0 (a blank for strings), without an error.
  for (int32_t none : {B::intTemp(5), three, plain}) {
    b.op(SET_ELEMENT_L, {none, one, b.intConst(9)});
    b.op(ELEMENT_L, {B::intTemp(0), none, one});
    b.op(PRINTC_L, {B::intTemp(0)});
  }
  b.op(ELEMENT_S, {B::stringTemp(0), B::stringTemp(1), one});
  b.op(PRINTC_S, {B::stringTemp(0)});
  // After UNDIM the same command reads the variable's missing array as 0.
  b.op(UNDIM_L, {c});
  b.op(ELEMENT_L, {B::intTemp(0), c, one});
  b.op(PRINTC_L, {B::intTemp(0)});
  b.op(PRINT_S, {b.stringConst("|")});
  b.op(END);
  RunResult r = runImage("element_operands", b.build());
  EXPECT_EQ(r.out, "57x000 0|\n");
  EXPECT_EQ(r.exitCode, 0);
}

// FUNCTION f(n): DIM its own variable as an array once, then recurse; the function's
// other variables are saved around the inner calls while the array lives, and the array
// variable itself is skipped (its elements are global).
TEST(ArrayElements, RecursionWhileAFunctionOwnsAnArray) {
  B b;
  constexpr uint16_t F = 1;
  int32_t n = b.intVar(F), arr = b.intVar(F), keep = b.intVar(F);
  int f = b.newLabel(), recurse = b.newLabel();
  b.op(DIM_L, {arr, b.intConst(4)});
  b.call(f, B::intTemp(0), {b.intConst(3)});
  b.op(PRINTC_L, {B::intTemp(0)});
  b.op(ELEMENT_L, {B::intTemp(0), arr, b.intConst(2)});
  b.op(PRINTC_L, {B::intTemp(0)});
  b.op(END);
  b.function(f, {n}, F);
  b.op(SET_ELEMENT_L, {arr, n, n});
  b.op(LT, {B::intTemp(0), n, b.intConst(1)});
  b.jump(IF, {B::intTemp(0)}, recurse);
  b.op(EXITFUNCTION_L, {b.intConst(0)});
  b.place(recurse);
  b.op(SUB, {keep, n, b.intConst(0)});
  b.op(SUB, {B::intTemp(1), n, b.intConst(1)});
  b.call(f, B::intTemp(2), {B::intTemp(1)});
  b.op(PRINTC_L, {keep});
  b.op(PRINTC_L, {n});
  b.op(ENDFUNCTION_L, {keep});
  RunResult r = runImage("array_owned_by_function", b.build());
  EXPECT_EQ(r.out, "11223332\n");
  EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
}  // namespace zt::test
