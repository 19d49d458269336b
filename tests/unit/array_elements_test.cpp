// Array element commands in hand-built images: each command finds the array its own
// operand names, operands that name no array read as empty and take no store, and a
// function owning an array variable keeps its other variables across recursion.
#include <gtest/gtest.h>

#include "command_ids.h"
#include "support/image_builder.h"

namespace zt::test {
namespace {

using B = ImageBuilder;

TEST(ArrayElements, EachCommandFindsTheArrayItsOperandNames) {
  B b;
  int32_t a = b.intVar(), c = b.intVar(), s = b.stringVar(), plain = b.intVar();
  int32_t one = b.intConst(1), three = b.intConst(3);
  b.op(CmdDimLL, {a, three});
  b.op(CmdDimLL, {c, three});
  b.op(CmdDimSL, {s, three});
  b.op(CmdAssignElementLLL, {a, one, b.intConst(5)});
  b.op(CmdAssignElementLLL, {c, one, b.intConst(7)});
  b.op(CmdAssignElementSLS, {s, one, b.stringConst("x")});
  for (int32_t array : {a, c}) {
    b.op(CmdElementLLL, {B::intTemp(0), array, one});
    b.op(CmdPrintcL, {B::intTemp(0)});
  }
  b.op(CmdElementSSL, {B::stringTemp(0), s, one});
  b.op(CmdPrintcS, {B::stringTemp(0)});
  // A temporary, a constant and a variable without an array name no array: stores into
  // them are dropped and reads give 0 (a blank for strings), without an error.
  for (int32_t none : {B::intTemp(5), three, plain}) {
    b.op(CmdAssignElementLLL, {none, one, b.intConst(9)});
    b.op(CmdElementLLL, {B::intTemp(0), none, one});
    b.op(CmdPrintcL, {B::intTemp(0)});
  }
  b.op(CmdElementSSL, {B::stringTemp(0), B::stringTemp(1), one});
  b.op(CmdPrintcS, {B::stringTemp(0)});
  // After UNDIM the same command reads the variable's missing array as 0.
  b.op(CmdUndimL, {c});
  b.op(CmdElementLLL, {B::intTemp(0), c, one});
  b.op(CmdPrintcL, {B::intTemp(0)});
  b.op(CmdPrintS, {b.stringConst("|")});
  b.op(CmdEnd);
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
  b.op(CmdDimLL, {arr, b.intConst(4)});
  b.call(f, B::intTemp(0), {b.intConst(3)});
  b.op(CmdPrintcL, {B::intTemp(0)});
  b.op(CmdElementLLL, {B::intTemp(0), arr, b.intConst(2)});
  b.op(CmdPrintcL, {B::intTemp(0)});
  b.op(CmdEnd);
  b.function(f, {n}, F);
  b.op(CmdAssignElementLLL, {arr, n, n});
  b.op(CmdLessLLL, {B::intTemp(0), n, b.intConst(1)});
  b.jump(CmdIf, {B::intTemp(0)}, recurse);
  b.op(CmdExitfunctionL, {b.intConst(0)});
  b.place(recurse);
  b.op(CmdSubtractLLL, {keep, n, b.intConst(0)});
  b.op(CmdSubtractLLL, {B::intTemp(1), n, b.intConst(1)});
  b.call(f, B::intTemp(2), {B::intTemp(1)});
  b.op(CmdPrintcL, {keep});
  b.op(CmdPrintcL, {n});
  b.op(CmdEndfunctionL, {keep});
  RunResult r = runImage("array_owned_by_function", b.build());
  EXPECT_EQ(r.out, "11223332\n");
  EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
}  // namespace zt::test
