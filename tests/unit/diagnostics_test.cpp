// Run-time diagnostics: what each error number means, the line table the compiler makes
// and the engine and disassembler read, the warnings of --warn, frames asked for and never
// reached, and the version and help texts of both binaries.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "command_ids.h"
#include "compiler/compiler.h"
#include "core/error_meanings.h"
#include "core/errors.h"
#include "support/image_builder.h"

namespace zt::test {
namespace {

namespace fs = std::filesystem;

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

size_t countOf(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// A game in a folder of its own: the main file, an included one in a subfolder, and a
// function whose name is written in mixed case.
std::string writeGame(const std::string& name) {
  const std::string dir = freshFolder(name);
  fs::create_directories(dir + "/lib");
  writeFile(dir + "/game.ztb",
            "DIM grid(3)\n"
            "PRINT \"start\"\n"
            "#INCLUDE \"lib/util.inc\"\n"
            "x = Move_Enemy(2)\n"
            "END\n"
            "FUNCTION Move_Enemy(n)\n"
            "  grid(n * 2) = 1\n"
            "ENDFUNCTION n\n");
  writeFile(dir + "/lib/util.inc", "PRINT \"included\"\n");
  return dir;
}

TEST(Diagnostics, EveryErrorNumberWithAMessageSlotHasAMeaning) {
  for (int32_t n = 0; n < 11000; ++n) {
    if (errorMessageSlot(n) >= 0) {
      EXPECT_FALSE(errorMeaning(n).empty()) << n;
    }
  }
  EXPECT_EQ(errorMeaning(102), "array subscript out of range");
  EXPECT_EQ(errorMeaning(10008), "language not found");
  for (int32_t none : {-1, 4, 20, 116, 7029, 10009, 12345}) EXPECT_TRUE(errorMeaning(none).empty()) << none;
}

TEST(Diagnostics, TheCompilersLineTableNamesFilesFromTheMainFolderAndFunctionsAsWritten) {
  const std::string dir = writeGame("diag_table");
  compiler::CompileResult c = compiler::compileFile(dir + "/game.ztb");
  ASSERT_TRUE(c.ok) << c.messages;
  const LineTable& t = c.lines;
  EXPECT_TRUE(t.describes(c.image));
  EXPECT_EQ(t.files, (std::vector<std::string>{"game.ztb", "lib/util.inc"}));
  EXPECT_EQ(t.functions, (std::vector<std::string>{"Move_Enemy"}));
  ASSERT_FALSE(t.places.empty());
  EXPECT_EQ(t.places.front().word, 0u);
  bool included = false, inFunction = false;
  for (const LinePlace& p : t.places) {
    included |= p.file == 1 && p.line == 1;
    inFunction |= p.function == 1 && p.line == 7 && p.column == 3;
  }
  EXPECT_TRUE(included);
  EXPECT_TRUE(inFunction);
}

TEST(Diagnostics, AnImagesTableBesideItNamesTheLineAndABadOneIsIgnoredWithOneWarning) {
  const std::string dir = writeGame("diag_beside");
  compiler::CompileResult c = compiler::compileFile(dir + "/game.ztb");
  ASSERT_TRUE(c.ok) << c.messages;
  writeFile(dir + "/prog.img", c.image);
  const std::vector<std::string> run = {ZT_ENGINE_BINARY, "--headless", "--echo", "--virtual-clock", "prog.img"};

  RunResult plain = runIn(dir, run);  // no table: the meaning alone
  EXPECT_EQ(plain.out, "start\nincluded\nRuntime Error : ERROR 7. \n");
  EXPECT_EQ(plain.err, "Runtime Error : ERROR 7. \nerror 102 (array subscript out of range)\n");
  EXPECT_EQ(plain.exitCode, 1);

  writeFile(dir + "/prog.zmap", writeLineTable(c.lines));
  RunResult located = runIn(dir, run);
  EXPECT_EQ(located.out, plain.out);
  EXPECT_EQ(located.err,
            "Runtime Error : ERROR 7. \nerror 102 (array subscript out of range) at game.ztb:7:3 in FUNCTION "
            "Move_Enemy\n");

  compiler::CompileResult other = compiler::compileText("other.ztb", "PRINT 1\n");
  writeFile(dir + "/prog.zmap", writeLineTable(other.lines));
  RunResult stale = runIn(dir, run);
  EXPECT_EQ(countOf(stale.err, "warning"), 1u) << stale.err;
  EXPECT_TRUE(contains(stale.err, "prog.zmap was written for another build of the program")) << stale.err;
  EXPECT_TRUE(contains(stale.err, "\nerror 102 (array subscript out of range)\n")) << stale.err;
  EXPECT_EQ(stale.out, plain.out);

  writeFile(dir + "/prog.zmap", "zentropia-lines 1\nimage x 0\n");
  RunResult broken = runIn(dir, run);
  EXPECT_EQ(countOf(broken.err, "warning"), 1u) << broken.err;
  EXPECT_TRUE(contains(broken.err, "prog.zmap is not a valid line table (line 2: bad image size)")) << broken.err;
  EXPECT_TRUE(contains(broken.err, "\nerror 102 (array subscript out of range)\n")) << broken.err;
  EXPECT_EQ(broken.exitCode, 1);
}

TEST(Diagnostics, ACommandWithoutAHandlerIsReportedOnlyWithWarningsOn) {
  ImageBuilder b;
  b.op(CmdPrintL, {b.intConst(5)});
  b.op(CmdEndif);  // a compile-time word: no handler runs it
  b.op(CmdPrintL, {b.intConst(6)});
  RunResult quiet = runImage("diag_nohandler_quiet", b.build());
  EXPECT_EQ(quiet.out, "5\n");
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(quiet.exitCode, 0);
  RunResult warned = runImage("diag_nohandler_warn", b.build(), {"--warn"});
  EXPECT_EQ(warned.out, "5\n");
  EXPECT_EQ(warned.err, "warning: command " + std::to_string(CmdEndif) +
                            " (ENDIF) has no handler in this engine: the program ends here\n");
  EXPECT_EQ(warned.exitCode, 0);
}

TEST(Diagnostics, FramesAskedForButNeverReachedAreReported) {
  const std::string dir = freshFolder("diag_frames");
  writeFile(dir + "/short.ztb", "PRINT 1\nSYNC\nSYNC\n");
  writeFile(dir + "/long.ztb", "DO\nSYNC\nLOOP\n");
  RunResult shortRun = runIn(dir, {ZT_ENGINE_BINARY, "--headless", "--virtual-clock", "--frames", "50", "--dump-frame",
                                   "2:two.bmp", "--dump-frame", "60:sixty.bmp", "short.ztb"});
  EXPECT_EQ(shortRun.exitCode, 0);
  EXPECT_TRUE(fs::exists(dir + "/two.bmp"));
  EXPECT_EQ(countOf(shortRun.err, "the run ended after"), 2u) << shortRun.err;
  EXPECT_TRUE(contains(shortRun.err, "zentropia: --frames 50: the run ended after ")) << shortRun.err;
  EXPECT_TRUE(contains(shortRun.err, "zentropia: --dump-frame 60: the run ended after ")) << shortRun.err;
  EXPECT_TRUE(contains(shortRun.err, "sixty.bmp was not written")) << shortRun.err;

  // The last frame asked for is reached: nothing to say.
  RunResult longRun = runIn(dir, {ZT_ENGINE_BINARY, "--headless", "--virtual-clock", "--frames", "5", "--dump-frame",
                                  "5:five.bmp", "long.ztb"});
  EXPECT_EQ(longRun.exitCode, 0);
  EXPECT_EQ(longRun.err, "");
  EXPECT_TRUE(fs::exists(dir + "/five.bmp"));
}

TEST(Diagnostics, BothBinariesTellTheirVersionAndHelpOnStdout) {
  const std::string dir = freshFolder("diag_version");
  for (const char* binary : {ZT_ENGINE_BINARY, ZT_COMPILER_BINARY}) {
    RunResult version = runIn(dir, {binary, "--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(contains(version.out, " 0.1.0 (program images version 1, line tables version 1)\n")) << version.out;
    EXPECT_EQ(version.err, "");
    RunResult help = runIn(dir, {binary, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(contains(help.out, "usage:")) << help.out;
    EXPECT_TRUE(contains(help.out, "--version")) << help.out;
    EXPECT_EQ(help.err, "");
  }
  RunResult wrong = runIn(dir, {ZT_COMPILER_BINARY, "--no-such-option"});
  EXPECT_EQ(wrong.exitCode, 2);
  EXPECT_TRUE(contains(wrong.err, "usage:"));
}

// Without a display the window's system error is all stderr holds: the video library's
// probe for a compositor adds nothing.
TEST(Diagnostics, AMissingDisplayLeavesOnlyTheReportOnStderr) {
  const std::string dir = freshFolder("diag_no_display");
  writeFile(dir + "/prog.ztb", "PRINT 1\n");
  RunResult r = runIn(dir, {"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "XDG_RUNTIME_DIR", "-u",
                            "SDL_VIDEODRIVER", ZT_ENGINE_BINARY, "prog.ztb"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.starts_with("System Error : ERROR 162. Failed to create the window: ")) << r.err;
  EXPECT_TRUE(r.err.ends_with("\nerror 10002 (the window could not be created)\n")) << r.err;
  EXPECT_EQ(countOf(r.err, "\n"), 2u) << r.err;
}

TEST(Diagnostics, TheCompilerWritesTheTableBesideTheImageAndListsSourceLinesFromIt) {
  const std::string dir = writeGame("diag_ztc");
  fs::create_directories(dir + "/out");
  RunResult compiled = runIn(dir, {ZT_COMPILER_BINARY, "-o", "out/prog.img", "game.ztb"});
  ASSERT_EQ(compiled.exitCode, 0) << compiled.err;
  LineTable t;
  std::string error;
  ASSERT_TRUE(readLineTable(readFile(dir + "/out/prog.zmap"), t, error)) << error;
  EXPECT_TRUE(t.describes(readFile(dir + "/out/prog.img")));

  // From the source: each statement's line before its commands.
  RunResult source = runIn(dir, {ZT_COMPILER_BINARY, "--disasm", "game.ztb"});
  EXPECT_EQ(source.exitCode, 0);
  EXPECT_TRUE(contains(source.out, "; game.ztb:2: PRINT \"start\"\n")) << source.out;
  EXPECT_TRUE(contains(source.out, "; lib/util.inc:1: PRINT \"included\"\n")) << source.out;
  EXPECT_TRUE(contains(source.out, "; game.ztb:7:   grid(n * 2) = 1\n")) << source.out;

  // From an image: the table beside it, its files found from the image's folder (here
  // they are not, so the places show without their text).
  RunResult image = runIn(dir, {ZT_COMPILER_BINARY, "--disasm", "out/prog.img"});
  EXPECT_EQ(image.exitCode, 0);
  EXPECT_TRUE(contains(image.out, "; game.ztb:2\n")) << image.out;
  fs::copy_file(dir + "/out/prog.img", dir + "/prog.img");
  fs::copy_file(dir + "/out/prog.zmap", dir + "/prog.zmap");
  RunResult beside = runIn(dir, {ZT_COMPILER_BINARY, "--disasm", "prog.img"});
  EXPECT_EQ(beside.out, source.out);

  writeFile(dir + "/prog.zmap", writeLineTable(compiler::compileText("x.ztb", "PRINT 2\n").lines));
  RunResult stale = runIn(dir, {ZT_COMPILER_BINARY, "--disasm", "prog.img"});
  EXPECT_EQ(stale.exitCode, 0);
  EXPECT_TRUE(contains(stale.err, "warning: prog.zmap was written for another build of prog.img")) << stale.err;
  EXPECT_FALSE(contains(stale.out, "; game.ztb")) << stale.out;
}

}  // namespace
}  // namespace zt::test
