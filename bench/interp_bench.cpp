// Interpreter throughput: FOR i = 1 TO N: a = a + i: NEXT, run without slicing, in
// commands per second; then the same loop in Lua 5.4, in VM instructions per second.
// Each of our iterations is three commands (FOR, +, NEXT); each of Lua's is two
// instructions (ADD, FORLOOP; the metamethod fallback after ADD is skipped).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "command_ids.h"
#include "support/engine.h"
#include "support/image_builder.h"

namespace {

using zt::test::ImageBuilder;

std::string loopImage(int32_t iterations) {
  ImageBuilder b;
  int32_t a = b.intVar(), i = b.intVar();
  int head = b.newLabel(), done = b.newLabel();
  b.op(zt::CmdAssignLL, {i, b.intConst(0)});
  b.place(head);
  b.jump(zt::CmdFor, {i, b.intConst(iterations), b.intConst(1)}, done);
  b.op(zt::CmdAddLLL, {a, a, i});
  b.jump(zt::CmdNext, {i}, head);
  b.place(done);
  b.op(zt::CmdEnd);
  return b.build();
}

double secondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

double engineCommandsPerSecond(int32_t iterations, bool autoRefresh, uint64_t& commands) {
  zt::Runtime rt;
  std::string error;
  if (!zt::loadProgram(rt.image, loopImage(iterations), rt.dispatch, error)) {
    std::fprintf(stderr, "cannot load: %s\n", error.c_str());
    std::exit(1);
  }
  zt::startProgramData(rt);
  zt::resetInterpreter(rt);
  rt.interp.ProgramRunning = true;
  auto t = std::chrono::steady_clock::now();
  while (!rt.interp.QuitPosted) {
    rt.interp.AutoRefresh = autoRefresh;
    zt::interpret(rt);
  }
  double s = secondsSince(t);
  commands = rt.interp.Executed;
  return double(commands) / s;
}

double luaInstructionsPerSecond(int32_t iterations) {
  std::string cmd = "lua5.4 -e 'local a = 0 for i = 1, " + std::to_string(iterations) + " do a = a + i end' 2>/dev/null";
  auto t = std::chrono::steady_clock::now();
  if (std::system(cmd.c_str()) != 0) return 0;
  // Start-up of the Lua process is a few milliseconds against seconds of loop.
  return 2.0 * iterations / secondsSince(t);
}

}  // namespace

int main(int argc, char** argv) {
  int32_t iterations = argc > 1 ? std::atoi(argv[1]) : 100000000;
  uint64_t commands = 0;
  double sliced = engineCommandsPerSecond(iterations, true, commands);
  double unsliced = engineCommandsPerSecond(iterations, false, commands);
  double lua = luaInstructionsPerSecond(iterations);
  std::printf("loop of %d iterations, %llu commands\n", iterations, (unsigned long long)commands);
  std::printf("engine, automatic refresh (33 ms slices): %.1f M commands/s\n", sliced / 1e6);
  std::printf("engine, no slicing:                       %.1f M commands/s\n", unsliced / 1e6);
  if (lua > 0) {
    std::printf("lua 5.4:                                  %.1f M instructions/s\n", lua / 1e6);
    std::printf("ratio engine/lua: %.2f (sliced), %.2f (no slicing)\n", sliced / lua, unsliced / lua);
  } else {
    std::printf("lua 5.4 not found: install lua5.4 for the comparison\n");
  }
  return 0;
}
