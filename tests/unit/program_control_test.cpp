// Control flow run through the engine binary: loops, branches, subroutines, user
// functions with recursion and locals, DATA/READ/RESTORE, and program end.
#include <gtest/gtest.h>

#include "command_ids.h"
#include "support/image_builder.h"

namespace zt::test {
namespace {

using B = ImageBuilder;

// FOR v = start TO limit STEP step: the loop head adds the step before it tests.
void forLoop(B& b, int32_t v, int32_t start, int32_t limit, int32_t step, int head, int done) {
  b.op(CmdSubtractLLL, {v, start, step});
  b.place(head);
  b.jump(CmdFor, {v, limit, step}, done);
}

TEST(ProgramControl, ForLoopsCountAsDocumented) {
  B b;
  int32_t v = b.intVar(), n = b.intVar();
  int h1 = b.newLabel(), d1 = b.newLabel(), h2 = b.newLabel(), d2 = b.newLabel(), h3 = b.newLabel(),
      d3 = b.newLabel(), out = b.newLabel();
  // step 2 from 1 to 5: 1 3 5, then v is 7
  forLoop(b, v, b.intConst(1), b.intConst(5), b.intConst(2), h1, d1);
  b.op(CmdPrintcL, {v});
  b.jump(CmdNext, {v}, h1);
  b.place(d1);
  b.op(CmdPrintL, {v});
  // step -3 from 10 to 1: 10 7 4 1
  forLoop(b, v, b.intConst(10), b.intConst(1), b.intConst(-3), h2, d2);
  b.op(CmdPrintcL, {v});
  b.jump(CmdNext, {v}, h2);
  b.place(d2);
  b.op(CmdPrintL, {v});
  // step 0 never leaves: count passes and EXIT after four
  b.op(CmdAssignLL, {n, b.intConst(0)});
  forLoop(b, v, b.intConst(1), b.intConst(2), b.intConst(0), h3, d3);
  b.op(CmdAddLLL, {n, n, b.intConst(1)});
  b.op(CmdGreaterLLL, {B::intTemp(0), n, b.intConst(3)});
  b.jump(CmdIf, {B::intTemp(0)}, out);
  b.jump(CmdExit, {}, d3);
  b.place(out);
  b.jump(CmdNext, {v}, h3);
  b.place(d3);
  b.op(CmdPrintL, {n});
  b.op(CmdEnd);
  RunResult r = runImage("for_loops", b.build());
  EXPECT_EQ(r.out, "1357\n10741-2\n4\n");
  EXPECT_EQ(r.exitCode, 0);
}

TEST(ProgramControl, NestedLoopsWhileUntilAndBranches) {
  B b;
  int32_t i = b.intVar(), j = b.intVar(), k = b.intVar();
  int hi = b.newLabel(), di = b.newLabel(), hj = b.newLabel(), dj = b.newLabel(), skip = b.newLabel();
  // FOR i = 1 TO 3: FOR j = 1 TO 3: IF j > i THEN EXIT: PRINTC i*10+j
  forLoop(b, i, b.intConst(1), b.intConst(3), b.intConst(1), hi, di);
  forLoop(b, j, b.intConst(1), b.intConst(3), b.intConst(1), hj, dj);
  b.op(CmdGreaterLLL, {B::intTemp(0), j, i});
  b.jump(CmdIf, {B::intTemp(0)}, skip);
  b.jump(CmdExit, {}, dj);
  b.place(skip);
  b.op(CmdMultiplyLLL, {B::intTemp(0), i, b.intConst(10)});
  b.op(CmdAddLLL, {B::intTemp(0), B::intTemp(0), j});
  b.op(CmdPrintcL, {B::intTemp(0)});
  b.op(CmdPrintcS, {b.stringConst(" ")});
  b.jump(CmdNext, {j}, hj);
  b.place(dj);
  b.jump(CmdNext, {i}, hi);
  b.place(di);
  b.op(CmdPrintS, {b.stringConst("|")});
  // k = 0: WHILE k < 3: k = k + 1: ENDWHILE
  int w = b.newLabel(), wd = b.newLabel();
  b.op(CmdAssignLL, {k, b.intConst(0)});
  b.place(w);
  b.op(CmdLessLLL, {B::intTemp(0), k, b.intConst(3)});
  b.jump(CmdWhile, {B::intTemp(0)}, wd);
  b.op(CmdAddLLL, {k, k, b.intConst(1)});
  b.jump(CmdEndwhile, {}, w);
  b.place(wd);
  b.op(CmdPrintL, {k});
  // REPEAT: k = k - 1: UNTIL k = 0 (UNTIL continues after T when true, else jumps to T)
  int r = b.newLabel(), rAfter = b.newLabel();
  b.place(r);
  b.op(CmdSubtractLLL, {k, k, b.intConst(1)});
  b.op(CmdEqualLLL, {B::intTemp(0), k, b.intConst(0)});
  b.jump(CmdUntil, {B::intTemp(0)}, r);
  b.place(rAfter);
  b.op(CmdPrintL, {k});
  // IF 0 ... ELSE ...: the ELSE branch runs
  int elseL = b.newLabel(), endIf = b.newLabel();
  b.jump(CmdIf, {b.intConst(0)}, elseL);
  b.op(CmdPrintS, {b.stringConst("then")});
  b.jump(CmdElse, {}, endIf);
  b.place(elseL);
  b.op(CmdPrintS, {b.stringConst("else")});
  b.place(endIf);
  // DO ... LOOP with EXIT after GOTO jumps
  int doStart = b.newLabel(), doEnd = b.newLabel(), over = b.newLabel();
  b.place(doStart);
  b.op(CmdAddLLL, {k, k, b.intConst(1)});
  b.op(CmdEqualLLL, {B::intTemp(0), k, b.intConst(2)});
  b.jump(CmdIf, {B::intTemp(0)}, over);
  b.jump(CmdExit, {}, doEnd);
  b.place(over);
  b.jump(CmdLoop, {}, doStart);
  b.place(doEnd);
  b.op(CmdPrintL, {k});
  b.op(CmdEnd);
  RunResult res = runImage("nested_loops", b.build());
  EXPECT_EQ(res.out, "11 21 22 31 32 33 |\n3\n0\nelse\n2\n");
  EXPECT_EQ(res.exitCode, 0);
}

TEST(ProgramControl, GosubReturnAndReturnAtDepthZero) {
  B b;
  int sub = b.newLabel(), jumpOver = b.newLabel();
  b.op(CmdReturn);  // depth 0: nothing happens
  b.op(CmdGosub, {Arg::at(sub)});
  b.op(CmdGosub, {Arg::at(sub)});
  b.op(CmdGoto, {Arg::at(jumpOver)});
  b.op(CmdPrintS, {b.stringConst("skipped")});
  b.place(jumpOver);
  b.op(CmdPrintS, {b.stringConst("done")});
  b.op(CmdEnd);
  b.place(sub);
  b.op(CmdPrintS, {b.stringConst("sub")});
  b.op(CmdReturn);
  RunResult r = runImage("gosub", b.build());
  EXPECT_EQ(r.out, "sub\nsub\ndone\n");
  EXPECT_EQ(r.exitCode, 0);
}

// FUNCTION fact(n): local m = n: IF n <= 1 THEN EXITFUNCTION 1
//   r = fact(n-1): PRINTC m: ENDFUNCTION m * r
// The local m and the parameter n must be restored after each inner call.
TEST(ProgramControl, RecursiveFunctionSeesItsLocalsRestored) {
  B b;
  constexpr uint16_t Fact = 1;
  int32_t n = b.intVar(Fact), m = b.intVar(Fact), res = b.intVar(Fact), top = b.intVar();
  int fact = b.newLabel(), recurse = b.newLabel();
  b.call(fact, B::intTemp(0), {b.intConst(6)});
  b.op(CmdAssignLL, {top, B::intTemp(0)});
  b.op(CmdPrintL, {top});
  b.op(CmdEnd);
  b.function(fact, {n}, Fact);
  b.op(CmdAssignLL, {m, n});
  b.op(CmdLessEqualLLL, {B::intTemp(0), n, b.intConst(1)});
  b.jump(CmdIf, {B::intTemp(0)}, recurse);
  b.op(CmdExitfunctionL, {b.intConst(1)});
  b.place(recurse);
  b.op(CmdSubtractLLL, {B::intTemp(1), n, b.intConst(1)});
  b.call(fact, B::intTemp(2), {B::intTemp(1)});
  b.op(CmdAssignLL, {res, B::intTemp(2)});
  b.op(CmdPrintcL, {m});
  b.op(CmdMultiplyLLL, {B::intTemp(3), m, res});
  b.op(CmdEndfunctionL, {B::intTemp(3)});
  RunResult r = runImage("recursion", b.build());
  EXPECT_EQ(r.out, "23456720\n");
  EXPECT_EQ(r.exitCode, 0);
}

// FUNCTION greet$(name$, times, scale#) with parameters of all three kinds and a string
// result; a nested call with different arguments must not disturb the outer parameters.
TEST(ProgramControl, FunctionParametersOfEveryKindAndStringResult) {
  B b;
  constexpr uint16_t Greet = 1;
  int32_t name = b.stringVar(Greet), times = b.intVar(Greet), scale = b.floatVar(Greet);
  int32_t text = b.stringVar(), depth = b.intVar();
  int greet = b.newLabel(), inner = b.newLabel();
  b.call(greet, B::stringTemp(0), {b.stringConst("outer"), b.intConst(2), b.floatConst(1.5f)});
  b.op(CmdAssignSS, {text, B::stringTemp(0)});
  b.op(CmdPrintS, {text});
  b.op(CmdPrintL, {depth});
  b.op(CmdEnd);
  b.function(greet, {name, times, scale}, Greet);
  b.op(CmdAddLLL, {depth, depth, b.intConst(1)});
  b.op(CmdEqualLLL, {B::intTemp(0), depth, b.intConst(1)});
  b.jump(CmdIf, {B::intTemp(0)}, inner);
  b.call(greet, B::stringTemp(1), {b.stringConst("inner"), b.intConst(7), b.floatConst(0.25f)});
  b.op(CmdPrintS, {B::stringTemp(1)});
  b.place(inner);
  b.op(CmdPrintcS, {name});
  b.op(CmdPrintcL, {times});
  b.op(CmdPrintF, {scale});
  b.op(CmdAddSSS, {B::stringTemp(2), name, b.stringConst("!")});
  b.op(CmdEndfunctionS, {B::stringTemp(2)});
  RunResult r = runImage("function_params", b.build());
  EXPECT_EQ(r.out, "inner70.25\ninner!\nouter21.5\nouter!\n2\n");
  EXPECT_EQ(r.exitCode, 0);
}

TEST(ProgramControl, DataReadRestoreMismatchAndPastTheEnd) {
  B b;
  int32_t i = b.intVar(), f = b.floatVar(), s = b.stringVar();
  b.dataInt(42);
  b.dataFloat(2.5f);
  b.dataString("hello");
  int32_t second = b.dataCount();
  b.dataString("");
  b.op(CmdReadL, {i});
  b.op(CmdReadF, {f});
  b.op(CmdReadS, {s});
  b.op(CmdPrintcL, {i});
  b.op(CmdPrintcS, {b.stringConst(",")});
  b.op(CmdPrintcF, {f});
  b.op(CmdPrintcS, {b.stringConst(",")});
  b.op(CmdPrintS, {s});
  b.op(CmdReadL, {i});  // the item is a string: 0, and the pointer moves on
  b.op(CmdPrintL, {i});
  b.op(CmdReadS, {s});  // past the end: the empty string
  b.op(CmdPrintcS, {b.stringConst("[")});
  b.op(CmdPrintcS, {s});
  b.op(CmdPrintS, {b.stringConst("]")});
  b.op(CmdRestoreA, {B::plain(second - 1)});
  b.op(CmdReadS, {s});
  b.op(CmdPrintS, {s});
  b.op(CmdRestore0);
  b.op(CmdReadL, {i});
  b.op(CmdPrintL, {i});
  int32_t seven = b.intConst(7);
  b.op(CmdRestore0);
  b.op(CmdReadL, {seven});  // a constant keeps its value
  b.op(CmdPrintL, {seven});
  b.op(CmdEnd);
  RunResult r = runImage("data_read", b.build());
  EXPECT_EQ(r.out, "42,2.5,hello\n0\n[]\nhello\n42\n7\n");
  EXPECT_EQ(r.exitCode, 0);
}

TEST(ProgramControl, EndBreakAndUnknownIdentifierEndQuietly) {
  for (int last : {CmdEnd.id, CmdBreak.id, CmdEndif.id, 9999}) {
    B b;
    b.op(CmdPrintS, {b.stringConst("before")});
    b.op(last);
    b.op(CmdPrintS, {b.stringConst("after")});
    RunResult r = runImage("end_" + std::to_string(last), b.build());
    EXPECT_EQ(r.out, "before\n") << last;
    EXPECT_EQ(r.exitCode, 0) << last;
    EXPECT_EQ(r.err, "") << last;
  }
}

// Returns with no function to return from end the program quietly: at depth 0, from a
// GOSUB frame (EXITFUNCTION in a subroutine called inside a function), and a RETURN
// that meets a function's frame (it would continue at the call's operands).
TEST(ProgramControl, ReturnsWithoutAFunctionEndTheProgram) {
  for (int form : {22, 23, 28, 30}) {
    B b;
    b.op(CmdPrintS, {b.stringConst("before")});
    if (form == 22) b.op(form);
    else b.op(form, {form == 30 ? b.stringConst("x") : b.intConst(1)});
    b.op(CmdPrintS, {b.stringConst("after")});
    b.op(CmdEnd);
    RunResult r = runImage("return_depth0_" + std::to_string(form), b.build());
    EXPECT_EQ(r.out, "before\n") << form;
    EXPECT_EQ(r.exitCode, 0) << form;
  }
  // EXITFUNCTION in a subroutine the function called; RETURN in a function with no
  // GOSUB, which meets the function's frame instead of a subroutine's.
  for (bool gosub : {true, false}) {
    B b;
    int f = b.newLabel(), sub = b.newLabel();
    b.call(f, B::intTemp(0), {});
    b.op(CmdPrintS, {b.stringConst("not reached")});
    b.op(CmdEnd);
    b.function(f, {}, 1);
    if (gosub) b.op(CmdGosub, {Arg::at(sub)});
    else b.op(CmdReturn);
    b.op(CmdEndfunctionL, {b.intConst(0)});
    b.place(sub);
    b.op(CmdPrintS, {b.stringConst("in sub")});
    b.op(CmdExitfunctionL, {b.intConst(1)});
    RunResult r = runImage(gosub ? "exitfunction_in_gosub" : "return_in_function", b.build());
    EXPECT_EQ(r.out, gosub ? "in sub\n" : "");
    EXPECT_EQ(r.exitCode, 0);
  }
}

// A program may write into the constant that holds a call's argument count. A count that
// no longer fits the call's layout ends the program at the call, or at the return that
// reads it again; writing the loaded count back keeps the call running as before.
TEST(ProgramControl, OverwrittenArgumentCount) {
  enum When { BeforeCall, InsideFunction, WrittenBack };
  for (When when : {BeforeCall, InsideFunction, WrittenBack}) {
    B b;
    constexpr uint16_t F = 1;
    int32_t p = b.intVar(F);
    int f = b.newLabel(), site = b.newLabel(), setup = b.newLabel();
    int32_t one = b.intConst(1), five = b.intConst(5);
    b.op(CmdPrintcS, {b.stringConst("a")});
    if (when == BeforeCall) b.op(CmdGoto, {Arg::at(setup)});
    b.place(site);
    b.call(f, B::intTemp(0), {b.intConst(7)});
    const int32_t count = b.intConst(0) - 1;  // the call's count: the constant call() made last
    b.op(CmdPrintL, {B::intTemp(0)});
    b.op(CmdEnd);
    b.place(setup);
    b.op(CmdAssignLL, {count, five});
    b.op(CmdGoto, {Arg::at(site)});
    b.function(f, {p}, F);
    b.op(CmdPrintcL, {p});
    if (when != BeforeCall) b.op(CmdAssignLL, {count, five});
    if (when == WrittenBack) b.op(CmdAssignLL, {count, one});
    b.op(CmdEndfunctionL, {p});
    RunResult r = runImage("argument_count_" + std::to_string(when), b.build());
    EXPECT_EQ(r.out, when == BeforeCall ? "a\n" : when == InsideFunction ? "a7\n" : "a77\n") << when;
    EXPECT_EQ(r.exitCode, 0) << when;
  }
}

// The temporary a comparison writes keeps its value after the IF that tests it, whether
// the IF jumps or not.
TEST(ProgramControl, ComparisonTemporaryIsReadAgainAfterItsIf) {
  B b;
  int32_t v = b.intVar();
  int skip = b.newLabel(), again = b.newLabel(), done = b.newLabel();
  b.op(CmdAssignLL, {v, b.intConst(1)});
  b.place(again);
  b.op(CmdLessLLL, {B::intTemp(0), v, b.intConst(3)});
  b.jump(CmdIf, {B::intTemp(0)}, skip);
  b.op(CmdPrintcS, {b.stringConst("yes ")});
  b.place(skip);
  b.op(CmdPrintcL, {B::intTemp(0)});
  b.op(CmdPrintcS, {b.stringConst(" ")});
  b.op(CmdAddLLL, {v, v, b.intConst(1)});
  b.op(CmdLessEqualLLL, {B::intTemp(1), v, b.intConst(4)});
  b.jump(CmdIf, {B::intTemp(1)}, done);
  b.op(CmdGoto, {Arg::at(again)});
  b.place(done);
  b.op(CmdPrintL, {B::intTemp(1)});
  b.op(CmdEnd);
  RunResult r = runImage("compare_temp_after_if", b.build());
  EXPECT_EQ(r.out, "yes 1 yes 1 0 0 0\n");
}

}  // namespace
}  // namespace zt::test
