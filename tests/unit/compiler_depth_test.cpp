// Sources that are very long or very deep: the compiler either compiles them or reports
// a bound, and never exhausts its stack (nor the engine's, which compiles .ztb files in
// memory).
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "compiler/compiler.h"
#include "support/image_builder.h"

namespace zt::compiler {
namespace {

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::string messages(const std::string& source) { return compileText("deep.ztb", source).messages; }

TEST(CompilerDepth, LongChainsOfOperatorsCompileAndRun) {
  // The chain leans left: generated, typed and freed in loops.
  std::string sum = "x = 1" + repeat(" + 1", 20000) + "\nprint x\n";
  std::string product = "y# = 1.0" + repeat(" * 1.0 - 0.0", 20000) + "\nprint y#\n";
  std::string inferred = "print f()\nfunction f()\nendfunction 1" + repeat(" + 1", 20000) + "\n";
  CompileResult r = compileText("long.ztb", sum + product + inferred);
  ASSERT_TRUE(r.ok) << r.messages;
  test::RunResult run = test::runImage("compiler_long_chain", r.image);
  EXPECT_EQ(run.out, "20001\n1\n20001\n") << run.err;
  EXPECT_EQ(run.exitCode, 0);
}

TEST(CompilerDepth, BlocksNestUpTo256Levels) {
  struct Kind {
    const char* open;
    const char* close;
  };
  const Kind kinds[] = {{"if 1\n", "endif\n"},
                        {"do\n", "loop\n"},
                        {"while 1\n", "endwhile\n"},
                        {"repeat\n", "until 1\n"},
                        {"for i = 1 to 1\n", "next i\n"}};
  for (const Kind& k : kinds) {
    auto nested = [&](int n) { return repeat(k.open, n) + "end\n" + repeat(k.close, n); };
    EXPECT_EQ(messages(nested(256)), "") << k.open;
    EXPECT_EQ(messages(nested(257)), "deep.ztb:257:1: blocks nested too deeply (at most 256 levels)\n") << k.open;
    EXPECT_EQ(messages(nested(13000)), "deep.ztb:257:1: blocks nested too deeply (at most 256 levels)\n") << k.open;
  }
  // A function's body does not count as a level.
  std::string inFunction = "function f()\n" + repeat("do\n", 256) + repeat("loop\n", 256) + "endfunction\n";
  EXPECT_EQ(messages(inFunction), "");
  // Blocks and one-line IFs count together.
  EXPECT_EQ(messages(repeat("do\n", 255) + "if 1 then if 1 then print 1\n" + repeat("loop\n", 255)),
            "deep.ztb:256:11: blocks nested too deeply (at most 256 levels)\n");
}

TEST(CompilerDepth, OneLineIfsChainUpTo256Levels) {
  auto chained = [](int n) { return repeat("if 1 then ", n) + "print 1\n"; };
  EXPECT_EQ(messages(chained(256)), "");
  EXPECT_EQ(messages(chained(257)), "deep.ztb:1:2561: blocks nested too deeply (at most 256 levels)\n");
  EXPECT_EQ(messages(chained(15000)), "deep.ztb:1:2561: blocks nested too deeply (at most 256 levels)\n");
}

// A function's result type may come from the result of another function, and so on: the
// chain is followed to its end however long, in either order of definition.
TEST(CompilerDepth, LongChainsOfFunctionResultsAreTyped) {
  const int n = 9998;
  auto name = [](int i) { return "f" + std::to_string(i); };
  std::string forward, backward;
  for (int i = 0; i < n; ++i) forward += "function " + name(i) + "()\nendfunction " + name(i + 1) + "()\n";
  for (int i = n; i > 0; --i) backward += "function " + name(i) + "()\nendfunction " + name(i - 1) + "()\n";
  // The float at the far end makes the first function's result a float.
  EXPECT_EQ(messages("a$ = f0()\n" + forward + "function " + name(n) + "()\nendfunction 2.5\n"),
            "deep.ztb:1:6: cannot assign a float to A$, which holds a string\n");
  EXPECT_EQ(messages("a$ = " + name(n) + "()\n" + backward + "function f0()\nendfunction 2.5\n"),
            "deep.ztb:1:6: cannot assign a float to A$, which holds a string\n");
  // A cycle that long is reported once, not followed round and round.
  EXPECT_EQ(messages(forward + "function " + name(n) + "()\nendfunction f0()\n"),
            "deep.ztb:2:13: cannot tell the result type of F0 through so many calls; return the value through a "
            "variable\n");
}

// The engine compiles a .ztb file before it runs it: a deep source is a compile error
// (exit code 2), not a crash.
TEST(CompilerDepth, TheEngineRefusesADeepSource) {
  std::string dir = test::freshFolder("compiler_deep_source");
  std::ofstream(dir + "/deep.ztb") << repeat("if 1\n", 13000) << repeat("endif\n", 13000);
  test::RunResult run = test::runIn(dir, {ZT_ENGINE_BINARY, "--headless", "deep.ztb"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, "deep.ztb:257:1: blocks nested too deeply (at most 256 levels)\n");
}

}  // namespace
}  // namespace zt::compiler
