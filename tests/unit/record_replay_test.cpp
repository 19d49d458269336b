// --record: a scripted session written out as a script and replayed gives the same
// output and the same frames; a file that cannot be written stops the start.
#include <gtest/gtest.h>

#include <fstream>

#include "support/image_builder.h"

namespace zt::test {
namespace {

// Echoes what it sees each frame and draws a dot where the mouse is, for 60 frames.
constexpr const char* Watcher =
    "sync on\n"
    "for f = 1 to 60\n"
    "  k$ = inkey$() : if k$ <> \"\" then print f; \" char \"; asc(k$)\n"
    "  s = scancode() : if s <> p then print f; \" key \"; s\n"
    "  p = s\n"
    "  x = mousex() : y = mousey() : b = mouseclick() : z = mousez()\n"
    "  if x <> mx or y <> my or b <> mb or z <> mz then print f; \" mouse \"; x; \" \"; y; \" \"; b; \" \"; z\n"
    "  mx = x : my = y : mb = b : mz = z\n"
    "  ink rgb(255, f * 4, 0), 0 : dot x, y\n"
    "  sync\n"
    "next f\n";

TEST(RecordReplay, ARecordedSessionReplaysToTheSameOutputAndFrames) {
  const std::string dir = freshFolder("record_replay");
  std::ofstream(dir + "/watch.ztb") << Watcher;
  std::ofstream(dir + "/session.txt") << "2 type \"q\\\"\\\\\\xE9\"\n"
                                         "3 move 100 120\n"
                                         "12 keydown 42\n13 keydown 30 \"A\"\n14 keyup 30\n14 keyup 42\n"
                                         "20 click 2\n21 wheel 4\n"
                                         "30 deactivate\n33 activate\n"
                                         "40 keydown 59\n41 keyup 59\n";
  const RunResult recorded = runIn(dir, {ZT_ENGINE_BINARY, "--headless", "--echo", "--virtual-clock", "--input",
                                         "session.txt", "--record", "recorded.txt", "--dump-frame", "45:a.bmp",
                                         "watch.ztb"});
  ASSERT_EQ(recorded.exitCode, 0) << recorded.err;
  EXPECT_NE(recorded.out.find("char 233"), std::string::npos) << recorded.out;
  const std::string script = readFile(dir + "/recorded.txt");
  EXPECT_NE(script.find("13 keydown 30 \"A\"\n"), std::string::npos) << script;  // with the character it typed

  const RunResult replayed = runIn(dir, {ZT_ENGINE_BINARY, "--headless", "--echo", "--virtual-clock", "--input",
                                         "recorded.txt", "--dump-frame", "45:b.bmp", "watch.ztb"});
  ASSERT_EQ(replayed.exitCode, 0) << replayed.err;
  EXPECT_EQ(replayed.out, recorded.out);
  EXPECT_EQ(readFile(dir + "/a.bmp"), readFile(dir + "/b.bmp"));
  EXPECT_FALSE(readFile(dir + "/a.bmp").empty());
}

TEST(RecordReplay, AFileThatCannotBeWrittenStopsTheStart) {
  const std::string dir = freshFolder("record_unwritable");
  std::ofstream(dir + "/p.ztb") << "print 1\n";
  const RunResult r = runIn(dir, {ZT_ENGINE_BINARY, "--headless", "--echo", "--record", "no/such/folder/x.txt", "p.ztb"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("--record no/such/folder/x.txt"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace zt::test
