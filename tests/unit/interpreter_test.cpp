// The interpreter's slices: what ends a call, the command counter, unknown identifiers,
// and the trace and error log in debug mode.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "command_ids.h"
#include "compiler/compiler.h"
#include "platform/profile.h"
#include "support/engine.h"
#include "support/image_builder.h"

namespace zt::test {
namespace {

using B = ImageBuilder;

// An endless loop: v = v + 1: GOTO start.
std::string endlessLoop() {
  B b;
  int32_t v = b.intVar();
  int start = b.newLabel();
  b.place(start);
  b.op(CmdAddLLL, {v, v, b.intConst(1)});
  b.op(CmdGoto, {Arg::at(start)});
  return b.build();
}

void start(Runtime& rt, const std::string& image) {
  useVirtualClock(rt);
  std::string error;
  ASSERT_TRUE(loadProgram(rt.image, image, rt.dispatch, error)) << error;
  startProgramData(rt);
  resetInterpreter(rt);
  rt.interp.ProgramRunning = true;
}

TEST(Interpreter, FirstCallRunsNothingThenSlicesLastAbout33ms) {
  Runtime rt;
  start(rt, endlessLoop());
  interpret(rt);
  EXPECT_EQ(rt.interp.Executed, 0u);
  EXPECT_EQ(rt.interp.pc, rt.image.CodeBlock.data());
  interpret(rt);
  // One command costs a virtual microsecond; the millisecond clock must move past 33
  // whole milliseconds, and the slice ends at the next clock check.
  EXPECT_GE(rt.interp.Executed, 34000u);
  EXPECT_LE(rt.interp.Executed, 34000u + SliceCheckInterval);
  EXPECT_FALSE(rt.interp.YieldFlag);
}

TEST(Interpreter, WithoutAutoRefreshOnlyACommandEndsTheCall) {
  B b;
  int32_t v = b.intVar();
  int loop = b.newLabel(), done = b.newLabel();
  b.op(CmdAssignLL, {v, b.intConst(0)});
  b.place(loop);
  b.op(CmdAddLLL, {v, v, b.intConst(1)});
  b.op(CmdLessLLL, {B::intTemp(0), v, b.intConst(100000)});
  b.jump(CmdWhile, {B::intTemp(0)}, done);  // WHILE v < 100000, run as a plain branch
  b.op(CmdGoto, {Arg::at(loop)});
  b.place(done);
  b.op(CmdEnd);
  Runtime rt;
  start(rt, b.build());
  interpret(rt);
  rt.interp.AutoRefresh = false;
  interpret(rt);
  EXPECT_EQ(rt.image.ValueArea[IntVars].i, 100000);  // ran far past one 33 ms slice
  EXPECT_TRUE(rt.interp.QuitPosted);
  EXPECT_TRUE(rt.interp.InputRefreshFlag);
  EXPECT_EQ(uint64_t(rt.interp.CommandCounter), rt.interp.Executed % 201);
}

TEST(Interpreter, CompileTimeIdentifierEndsWithTheCounterOnIt) {
  B b;
  b.op(CmdPrintL, {b.intConst(1)});
  b.op(CmdEndif);
  Runtime rt;
  start(rt, b.build());
  interpret(rt);
  interpret(rt);  // PRINT to the screen ends its slice
  interpret(rt);
  EXPECT_TRUE(rt.interp.QuitPosted);
  EXPECT_EQ(rt.interp.pc, &rt.image.CodeBlock[2]);
  EXPECT_EQ(rt.errors.ErrorNumber, 0);
}

int countKeys(const std::string& log, const std::string& section) {
  IniFile f;
  f.parse(log);
  return int(f.keyCount(section));
}

TEST(Interpreter, DebugModeTracesEachPositionOnceAndLogsTheError) {
  // Ten commands in a loop run 50 times, then STOP.
  B b;
  int32_t n = b.intVar();
  int loop = b.newLabel(), done = b.newLabel();
  b.place(loop);
  b.op(CmdAddLLL, {n, n, b.intConst(1)});                           // 0
  b.op(CmdLessLLL, {B::intTemp(0), n, b.intConst(50)});             // 4
  b.jump(CmdIf, {B::intTemp(0)}, done);                          // 8
  for (int i = 0; i < 6; ++i) b.op(CmdAssignLL, {B::intTemp(1), n});  // 11 .. 26
  b.op(CmdGoto, {Arg::at(loop)});                                 // 29
  b.place(done);
  b.op(CmdStop);  // STOP
  const std::string ini = "[SETTINGS]\r\nDEBUGMODE=1\r\n";
  RunResult r = runImage("trace", b.build(), {}, ini);
  EXPECT_EQ(r.exitCode, 1);
  std::string log = readFile(r.dir + "/ZT.LOG");
  EXPECT_EQ(countKeys(log, "ZENTROPIALOOPMIDDLE"), 11);  // ten loop positions and the STOP
  EXPECT_NE(log.find("PC29=42\r\n"), std::string::npos);
  EXPECT_NE(log.find("PC31=26\r\n"), std::string::npos);
  EXPECT_TRUE(std::regex_search(log, std::regex("RUNTIMEERROR ON \\d+/\\d+/\\d{4} AT \\d+:\\d+=Runtime Error : ERROR 5\\. ")));

  RunResult quiet = runImage("trace_off", b.build(), {}, "[SETTINGS]\r\nDEBUGMODE=yes\r\nTRACEMODE=1\r\n");
  EXPECT_EQ(readFile(quiet.dir + "/ZT.LOG"), "");
}

// The trace of a loop the interpreter could run fused (NEXT with its FOR, comparisons
// with their IF) names every position, exactly as the separate commands did.
TEST(Interpreter, DebugModeTracesFusedLoopsCommandByCommand) {
  compiler::CompileResult c = compiler::compileText("traceloop.ztb",
                                                    "s = 0\n"
                                                    "for i = 1 to 5\n"
                                                    "  if i < 3 then s = s + i\n"
                                                    "  if s >= 3 then s = s + 10\n"
                                                    "next i\n"
                                                    "print s\n"
                                                    "end\n");
  ASSERT_TRUE(c.ok) << c.messages;
  RunResult r = runImage("trace_fused", c.image, {}, "[SETTINGS]\r\nDEBUGMODE=1\r\n");
  EXPECT_EQ(r.out, "43\n");
  EXPECT_EQ(readFile(r.dir + "/ZT.LOG"),
            "[ZENTROPIALOOPMIDDLE]\r\nPC0=151\r\nPC3=151\r\nPC6=7\r\nPC11=115\r\nPC15=1\r\nPC18=81\r\n"
            "PC22=113\r\nPC26=1\r\nPC33=8\r\nPC29=81\r\nPC36=301\r\nPC38=213\r\n");
}

TEST(Interpreter, SettingsSelectWindowModeOnlyWithOne) {
  for (auto [value, expected] : {std::pair{"1", true}, {"yes", false}, {"0", false}}) {
    Runtime rt;
    rt.settings.EngineFolder = std::string(ZT_TEST_WORK_DIR) + "/settings_" + value + "/";
    std::filesystem::create_directories(rt.settings.EngineFolder);
    writeProfileString(settingsPath(rt), "settings", "windowmode", value);
    bool window = false;
    readSettings(rt, window);
    EXPECT_EQ(window, expected) << value;
  }
}

// Where a handler may leave the program counter: past exactly its operands as its
// operand kinds count them, on its own command word, or anywhere when it may jump.
TEST(Interpreter, HandlerReturnPositions) {
  Word code[6]{};
  const CommandRow print{CmdPrintL, nullptr};
  EXPECT_TRUE(handlerReturnIsSound(print, code, code + 2));
  EXPECT_TRUE(handlerReturnIsSound(print, code, code));
  EXPECT_FALSE(handlerReturnIsSound(print, code, code + 1));
  EXPECT_FALSE(handlerReturnIsSound(print, code, code + 3));
  const CommandRow end{CmdEnd, nullptr};
  EXPECT_TRUE(handlerReturnIsSound(end, code, code + 1));
  EXPECT_FALSE(handlerReturnIsSound(end, code, code + 2));
  const CommandRow kinds{CmdValFS, nullptr, Flow::Next, "NS"};
  EXPECT_TRUE(handlerReturnIsSound(kinds, code, code + 3));
  EXPECT_FALSE(handlerReturnIsSound(kinds, code, code + 4));
  for (Flow flow :
       {Flow::Branch, Flow::Jump, Flow::CallOperand, Flow::Return, Flow::JumpOperand, Flow::FunctionCall, Flow::End})
    EXPECT_TRUE(handlerReturnIsSound(CommandRow{CmdGoto, nullptr, flow}, code, code + 5));
}

#ifdef ZT_ASSERT
Word* forgetsItsOperand(Runtime&, Word* pc) { return pc; }

// Runs PRINT 1 with a handler that returns its operand's word instead of the word after it.
void runWrongHandler(const std::string& image) {
  Runtime rt;
  static const CommandRow wrong{CmdPrintL, forgetsItsOperand};
  rt.dispatch.handlers[CmdPrintL] = wrong.handler;
  rt.dispatch.rows[CmdPrintL] = &wrong;
  start(rt, image);
  interpret(rt);
  interpret(rt);
}

TEST(InterpreterDeathTest, AssertionBuildStopsAHandlerReturningTheWrongWord) {
  B b;
  b.op(CmdPrintL, {b.intConst(1)});
  b.op(CmdEnd);
  EXPECT_DEATH(runWrongHandler(b.build()), "command 301 \\(PRINT\\) at word 0 returned word 1, not 2");
}
#endif

}  // namespace
}  // namespace zt::test
