// The run loop in one process: the window procedure's flags, the message pump's rhythm,
// the wait for held keys, a frozen program while the window is inactive, and the
// frame-rate limit on the virtual clock.
#include "host/run_loop.h"

#include <gtest/gtest.h>

#include "compiler/compiler.h"
#include "support/engine.h"

namespace zt {
namespace {

using K = MessageKind;

// A runtime on the null platform and the virtual clock, ready to run `source` with
// `script` as input.
void prepare(Runtime& rt, const std::string& source, const std::string& script = "") {
  useVirtualClock(rt);
  std::string error;
  if (!script.empty()) {
    rt.host.Script = std::make_unique<InputScript>();
    ASSERT_TRUE(rt.host.Script->parse(script, error)) << error;
  }
  compiler::CompileResult c = compiler::compileText("test.ztb", source);
  ASSERT_TRUE(c.ok) << c.messages;
  ASSERT_TRUE(loadProgram(rt.image, c.image, rt.dispatch, error)) << error;
  startProgramData(rt);
  rt.interp.ProgramRunning = true;
}

TEST(RunLoop, TheWindowProcedureKeepsTheFlagsCommandsRead) {
  Runtime rt;
  windowProc(rt, {K::Char, 'x'});
  EXPECT_EQ(rt.input.LastChar, 'x');
  windowProc(rt, {K::MouseMove, 3, 4});  // any message ends the character's time
  EXPECT_EQ(rt.input.LastChar, 0);
  windowProc(rt, {K::Char, 200});
  EXPECT_EQ(rt.input.LastChar, 200);

  windowProc(rt, {K::ButtonDown, 1});
  EXPECT_EQ(rt.input.ChooserButton, 2);
  windowProc(rt, {K::ButtonDown, 2});  // the chooser knows the left and right buttons only
  EXPECT_EQ(rt.input.ChooserButton, 2);
  windowProc(rt, {K::ButtonUp, 1});
  EXPECT_EQ(rt.input.ChooserButton, 0);
  windowProc(rt, {K::ButtonDown, 0});
  EXPECT_EQ(rt.input.ChooserButton, 1);

  windowProc(rt, {K::Activate, 0});
  EXPECT_FALSE(rt.host.WindowActive);
  windowProc(rt, {K::Activate, 1});
  EXPECT_TRUE(rt.host.WindowActive);

  rt.switches.EscapeKeyEnabled = false;
  windowProc(rt, {K::KeyDown, KeyEscape});
  EXPECT_FALSE(rt.interp.QuitPosted);
  rt.switches.EscapeKeyEnabled = true;
  windowProc(rt, {K::KeyDown, 2});
  windowProc(rt, {K::KeyUp, KeyEscape});
  EXPECT_FALSE(rt.interp.QuitPosted);
  windowProc(rt, {K::KeyDown, KeyEscape});
  EXPECT_TRUE(rt.interp.QuitPosted);

  Runtime closing;
  windowProc(closing, {K::Close});
  EXPECT_TRUE(closing.interp.QuitPosted);
}

TEST(RunLoop, PumpingDispatchesOnEvery50001stCallAndStopsAtAQuit) {
  Runtime rt;
  postMessage(rt, {K::Char, 'a'});
  for (int i = 0; i < 50000; ++i) pumpMessages(rt);
  EXPECT_EQ(rt.input.LastChar, 0);
  pumpMessages(rt);
  EXPECT_EQ(rt.input.LastChar, 'a');
  EXPECT_EQ(rt.input.MessagePumpCounter, 0u);

  postMessage(rt, {K::Close});
  postMessage(rt, {K::Char, 'b'});
  for (int i = 0; i <= 50000; ++i) pumpMessages(rt);
  EXPECT_TRUE(rt.interp.QuitPosted);
  EXPECT_EQ(rt.input.LastChar, 0);  // the character after the quit waits in the queue
  WindowMessage left;
  ASSERT_TRUE(nextMessage(rt, left));
  EXPECT_EQ(left.a, 'b');
}

TEST(RunLoop, ScriptedEventsReachTheQueueAsTheWindowsOwnMessages) {
  Runtime rt;
  prepare(rt, "END",
          "1 close\n1 deactivate\n1 keydown 30\n1 keyup 30\n1 move 7 -8\n1 buttondown 3\n1 buttonup 3\n"
          "1 wheel -1\n2 keydown 57\n");
  postScriptedInput(rt, 0);
  WindowMessage m;
  EXPECT_FALSE(nextMessage(rt, m));
  postScriptedInput(rt, 1);
  const WindowMessage want[] = {{K::Close},         {K::Activate, 0}, {K::KeyDown, 30},
                                {K::Char, 'a'},     {K::KeyUp, 30},   {K::MouseMove, 7, -8},
                                {K::ButtonDown, 2}, {K::ButtonUp, 2}, {K::Wheel, -120}};
  for (const WindowMessage& w : want) {
    ASSERT_TRUE(nextMessage(rt, m));
    EXPECT_TRUE(m.kind == w.kind && m.a == w.a && m.b == w.b) << int(w.kind);
  }
  EXPECT_FALSE(nextMessage(rt, m));
  EXPECT_FALSE(keyDown(rt, 30));
  postScriptedInput(rt, 2);
  EXPECT_TRUE(keyDown(rt, 57));  // posting keeps the key state as the desktop's events do
}

TEST(RunLoop, HeldKeysAreWaitedForAndTheirMessagesCannotEndTheRun) {
  Runtime rt;
  prepare(rt, "END", "0 keydown 1\n0 keydown 88\n40 keyup 1\n50 type \"q\"\n60 keyup 88\n70 key 87\n");
  postScriptedInput(rt, 0);
  waitForKeyRelease(rt);
  EXPECT_FALSE(keyDown(rt, KeyEscape));
  EXPECT_FALSE(keyDown(rt, KeyF12));
  EXPECT_FALSE(rt.interp.QuitPosted);  // Escape was pressed before the run
  EXPECT_EQ(rt.input.LastChar, 0);    // the key-up of F12 came after the q
  EXPECT_FALSE(rt.host.Script->finished());

  Runtime stuck;  // a key the script never releases does not hang the wait
  prepare(stuck, "END", "0 keydown 87\n");
  postScriptedInput(stuck, 0);
  waitForKeyRelease(stuck);
  EXPECT_TRUE(keyDown(stuck, KeyF11));
}

TEST(RunLoop, AnInactiveWindowFreezesTheProgramUntilItIsActiveAgain) {
  const std::string counting = "DO\n  INC n\nLOOP\n";
  auto before = std::make_unique<Runtime>();  // runtimes are too big for the stack three at a time
  prepare(*before, counting);
  runLoop(*before, 3);
  const uint64_t ranBefore = before->interp.Executed;
  EXPECT_GT(ranBefore, 0u);

  auto frozen = std::make_unique<Runtime>();
  prepare(*frozen, counting, "3 deactivate\n20 activate\n");
  runLoop(*frozen, 20);
  EXPECT_EQ(frozen->frame.Frames, 20);
  EXPECT_EQ(frozen->interp.Executed, ranBefore);
  EXPECT_FALSE(frozen->host.WindowActive);

  auto thawed = std::make_unique<Runtime>();
  prepare(*thawed, counting, "3 deactivate\n20 activate\n");
  runLoop(*thawed, 22);
  EXPECT_GT(thawed->interp.Executed, ranBefore);  // it went on from where it stopped
  EXPECT_TRUE(thawed->host.WindowActive);
}

TEST(RunLoop, FrameEndsKeepTheirIntervalByJumpingTheVirtualClock) {
  Runtime rt;
  useVirtualClock(rt);
  resetFrameTiming(rt);
  FrameEnd(rt);  // the first frame end does not wait
  EXPECT_EQ(rt.clock->milliseconds(), 0u);
  FrameEnd(rt);
  EXPECT_EQ(rt.clock->milliseconds(), 25u);
  rt.clock->advance(10.5);
  FrameEnd(rt);
  EXPECT_EQ(rt.clock->milliseconds(), 50u);
  rt.clock->advance(40);
  FrameEnd(rt);  // the slice took longer than the interval
  EXPECT_EQ(rt.clock->milliseconds(), 90u);
  rt.frame.FrameMilliseconds = 0;
  FrameEnd(rt);
  EXPECT_EQ(rt.clock->milliseconds(), 90u);
  rt.frame.FrameMilliseconds = 1000;
  rt.host.WindowActive = false;  // an inactive window skips the frame end
  FrameEnd(rt);
  EXPECT_EQ(rt.clock->milliseconds(), 90u);
  rt.host.WindowActive = true;
  FrameEnd(rt);
  EXPECT_EQ(rt.clock->milliseconds(), 1090u);
}

}  // namespace
}  // namespace zt
