// File, directory and array commands where the output depends on the host (the listing's
// folder, started programs) or where the image is one no compiler writes: commands that
// name a constant where a variable belongs must neither crash nor change the constant.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "command_ids.h"
#include "compiler/compiler.h"
#include "support/engine.h"
#include "support/image_builder.h"

namespace zt::test {
namespace {

using B = ImageBuilder;

RunResult runSource(const std::string& name, const std::string& source) {
  compiler::CompileResult c = compiler::compileText(name + ".ztb", source);
  EXPECT_TRUE(c.ok) << c.messages;
  return runImage(name, c.image);
}

std::string asProgramPath(std::string hostPath) {
  std::replace(hostPath.begin(), hostPath.end(), '/', '\\');
  return "C:" + hostPath;
}

TEST(DirectoryCommands, ListingsShowTheCurrentFolderAndTheDrives) {
  RunResult r = runSource("dir_listing",
                          "make directory \"Sub\"\nmake file \"b.txt\"\ndir\nprint get file type()\n"
                          "drivelist\nprint get dir$()\ncd \"sub\"\nprint get dir$()\n");
  const std::string folder = asProgramPath(r.dir);
  EXPECT_EQ(r.out, folder + ":\n<dir>.\n<dir>..\nb.txt\nprog.img\nstderr.txt\n<dir>Sub\n-1\nC:\n" + folder + "\n" +
                       folder + "\\Sub\n");
  EXPECT_EQ(r.exitCode, 0);
}

// The started program runs on its own; the test waits for the line it writes.
std::string waitForLine(const std::string& path) {
  std::string text;
  for (int i = 0; i < 400 && (text.empty() || text.back() != '\n'); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    text = readFile(path);
  }
  return text;
}

TEST(DirectoryCommands, ExecuteFileStartsAProgramWithItsParametersInItsFolder) {
  namespace stdfs = std::filesystem;
  const stdfs::path script = stdfs::path(ZT_TEST_WORK_DIR) / "execute_script.sh";
  std::ofstream(script) << "#!/bin/sh\necho \"$#:$1:$2\" > started.txt\n";
  stdfs::permissions(script, stdfs::perms::owner_all);
  RunResult r = runSource("execute_file",
                          "make directory \"Start\"\nexecute file \"" + asProgramPath(script.string()) +
                              "\", \"one \" + chr$(34) + \"two words\" + chr$(34), \"start\"\nprint \"went on\"\n");
  EXPECT_EQ(r.out, "went on\n");
  EXPECT_EQ(waitForLine(r.dir + "/Start/started.txt"), "2:one:two words\n");
}

TEST(ArrayCommands, ArrayFilesNeedAnArrayTwoWordsBefore) {
  struct Case {
    const char* what;
    void (*before)(B&);
    int command;
  };
  const Case cases[] = {
      {"nothing before", [](B&) {}, CmdSaveArraySL},
      {"an identifier",
       [](B& b) {
         b.op(CmdEmptyChecklist);
         b.op(CmdEmptyChecklist);
       },
       CmdSaveArraySL},
      {"a constant",
       [](B& b) {
         b.op(CmdAddLLL, {B::intTemp(0), b.intConst(1), b.intConst(2)});
       },
       CmdLoadArraySL},
      {"a variable that is no array",
       [](B& b) {
         b.op(CmdAssignLL, {b.intVar(), b.intConst(2)});
       },
       CmdSaveArraySL},
      {"an array of another kind",
       [](B& b) {
         int32_t s = b.stringVar();
         b.op(CmdDimSL, {s, b.intConst(2)});
         b.op(CmdElementSSL, {B::stringTemp(0), s, b.intConst(0)});
       },
       CmdLoadArraySL},
  };
  for (const Case& c : cases) {
    B b;
    c.before(b);
    b.op(c.command, {b.stringConst("a.dat"), B::intTemp(0)});
    b.op(CmdEnd);
    RunResult r = runImage("array_file_operand", b.build());
    EXPECT_EQ(r.out, "Runtime Error : ERROR 14. \n") << c.what;
    EXPECT_FALSE(std::filesystem::exists(r.dir + "/a.dat")) << c.what;
  }
}

TEST(ArrayCommands, LargeArraysLoadWithoutACopyOfTheWholeFile) {
#ifdef ZT_ADDRESS_SANITIZER
  GTEST_SKIP() << "the address sanitizer cannot run under a limit on address space";
#else
  // Under a 520 MB limit the arrays fit beside the engine's own mappings (about 220 MB with
  // the media libraries), but a buffer of the largest line length for every element (514 MB)
  // or a second copy of the words (200 MB) would not.
  compiler::CompileResult c = compiler::compileText(
      "big.ztb",
      "dim s$(2000000)\ns$(0) = \"first\" : s$(2000000) = \"last\"\nsave array \"lines.txt\", s$()\n"
      "s$(0) = \"\" : s$(2000000) = \"\"\nload array \"lines.txt\", s$()\n"
      "print s$(0); \" \"; s$(1); \" \"; s$(2000000); \" \"; file size(\"lines.txt\")\n"
      "undim s$()\n"
      "dim w(50000000)\nw(1) = 7 : w(50000000) = 9\nsave array \"words.dat\", w()\n"
      "w(1) = 0 : w(50000000) = 0\nload array \"words.dat\", w()\n"
      "print w(1); \" \"; w(50000000); \" \"; file size(\"words.dat\")\n");
  ASSERT_TRUE(c.ok) << c.messages;
  RunResult r = runImageWithinMemory("array_large", c.image, 520000);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "first  last 4000011\n7 9 200000004\n");
#endif
}

TEST(ArrayCommands, ALineEndSplitAcrossTheReadPiecesStillEndsTheLine) {
  // The CR of line 255 is the file's byte 65535 and its LF byte 65536.
  std::string file = std::string(254, 'a') + "\r\n";
  for (int i = 0; i < 254; ++i) file += std::string(255, 'b') + "\r\n";
  file += "y\r\nz";
  ASSERT_EQ(file.find("y\r\n") + 1, 65535u);
  const std::string folder = freshFolder("array_piece_boundary_media");
  std::ofstream(folder + "/lines.txt", std::ios::binary) << file;
  RunResult r = runSource("array_piece_boundary", "dim s$(257)\nload array \"" + asProgramPath(folder) +
                                                      "\\lines.txt\", s$()\n"
                                                      "print len(s$(0)); \" \"; len(s$(254)); \" \"; s$(255); \" \"; "
                                                      "s$(256); \" \"; len(s$(257))\n");
  EXPECT_EQ(r.out, "254 255 y z 0\n") << r.err;
}

TEST(ArrayCommands, ConstantsNamedAsArraysOrTargetsStayUnchanged) {
  B b;
  const int32_t seven = b.intConst(7), one = b.intConst(1), name = b.stringConst("f.bin");
  b.op(CmdUndimL, {seven});
  b.op(CmdAssignElementLLL, {seven, b.intConst(0), one});
  b.op(CmdElementLLL, {B::intTemp(0), one, b.intConst(0)});
  b.op(CmdPrintL, {B::intTemp(0)});
  b.op(CmdOpenToWrite, {one, name});
  b.op(CmdWriteByte, {one, b.intConst(65)});
  b.op(CmdCloseFile, {one});
  b.op(CmdOpenToRead, {one, name});
  b.op(CmdReadByte, {one, seven});
  b.op(CmdPrintL, {seven});
  b.op(CmdDimLL, {seven, one});
  b.op(CmdPrintS, {b.stringConst("not reached")});
  // and a DIM of a constant cannot make an array
  RunResult r = runImage("constants_as_arrays", b.build());
  EXPECT_EQ(r.out, "0\n7\nRuntime Error : ERROR 6. \n");
}

void startInProcess(Runtime& rt, const std::string& image) {
  std::string error;
  ASSERT_TRUE(loadProgram(rt.image, image, rt.dispatch, error)) << error;
  startProgramData(rt);
  resetInterpreter(rt);
  rt.interp.ProgramRunning = true;
  interpret(rt);  // the first call after a reset runs nothing
}

TEST(SystemSwitches, SwitchesAndClipboardKeepTheirStateUntilTheNextRun) {
  B b;
  b.op(CmdDisableEscapekey);
  b.op(9990);
  b.op(CmdLockEditor);
  b.op(CmdLockCli);
  b.op(CmdUnlockCli);
  b.op(CmdWriteToClipboard, {b.stringConst("clip")});
  b.op(CmdEnd);
  Runtime rt;
  startInProcess(rt, b.build());
  interpret(rt);
  EXPECT_FALSE(rt.switches.EscapeKeyEnabled);
  EXPECT_EQ(rt.switches.EditorLocks, (std::array<bool, 3>{false, true, true}));
  EXPECT_EQ(rt.clipboard->text(), "clip");
  startRun(rt);
  EXPECT_TRUE(rt.switches.EscapeKeyEnabled);
  EXPECT_EQ(rt.switches.EditorLocks, (std::array<bool, 3>{}));
}

TEST(DirectoryCommands, ListingsEndTheSliceWhenTheScreenRefreshesByItself) {
  B b;
  int loop = b.newLabel();
  b.op(CmdDrivelist);
  b.place(loop);
  b.op(CmdGoto, {Arg::at(loop)});
  Runtime rt;
  useVirtualClock(rt);
  startInProcess(rt, b.build());
  interpret(rt);
  EXPECT_EQ(rt.interp.Executed, 1u);
}

}  // namespace
}  // namespace zt::test
