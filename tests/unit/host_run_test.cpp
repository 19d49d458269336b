// The engine as a process: the forms in which a packed game runs, games and command
// lines that cannot start and fail cleanly, reproducible runs, and the system error of a
// window that cannot be made.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "compiler/compiler.h"
#include "host/pack.h"
#include "support/image_builder.h"

namespace zt::test {
namespace {

namespace fs = std::filesystem;

std::string compile(const std::string& source) {
  compiler::CompileResult c = compiler::compileText("test.ztb", source);
  EXPECT_TRUE(c.ok) << c.messages;
  return c.image;
}

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(HostRun, PackedGamesRunAsThemselvesAndThroughTheEngine) {
  const std::string dir = freshFolder("host_packed");
  writeFile(dir + "/first", "first");
  writeFile(dir + "/second", "second!");
  std::string error;
  ASSERT_TRUE(packGame(ZT_ENGINE_BINARY, "prog.img", compile("print file size(\"note.txt\")\nprint cl$()\n"),
                       {{"Note.txt", dir + "/first"}, {"NOTE.TXT", dir + "/second"}}, dir + "/game", error))
      << error;
  fs::create_directories(dir + "/tmp");
  // Of two entries whose names differ only in case the first wins; the arguments after
  // the engine's options are the program's command line.
  RunResult own = runIn(
      dir, {"env", "TMPDIR=" + dir + "/tmp", "./game", "--headless", "--echo", "--virtual-clock", "one", "two words"});
  EXPECT_EQ(own.out, "5\none \"two words\"\n");
  EXPECT_EQ(own.exitCode, 0) << own.err;
  EXPECT_TRUE(fs::is_empty(dir + "/tmp/zentropia-" + std::to_string(getuid())));  // the run's folder went with it

  RunResult given = runIn(dir, {ZT_ENGINE_BINARY, "--headless", "--echo", "game", "--window"});
  EXPECT_EQ(given.out, "5\n--window\n");
  EXPECT_EQ(given.exitCode, 0) << given.err;

  RunResult ended = runIn(dir, {"./game", "--headless", "--echo", "--", "--frames"});
  EXPECT_EQ(ended.out, "5\n--frames\n");
}

TEST(HostRun, WhatCannotStartFailsCleanlyWithAReason) {
  const std::string dir = freshFolder("host_start_fails");
  std::string error;
  ASSERT_TRUE(packGame(ZT_ENGINE_BINARY, "prog.img", compile("print 1\n"), {}, dir + "/game", error)) << error;
  std::string bytes = readFile(dir + "/game");
  writeFile(dir + "/truncated", bytes.substr(0, bytes.size() - 2));
  fs::permissions(dir + "/truncated", fs::perms::owner_all);
  ASSERT_TRUE(packGame(ZT_ENGINE_BINARY, "prog.img", "not a program image", {}, dir + "/broken", error)) << error;
  writeFile(dir + "/script.txt", "1 wink\n");
  fs::create_directories(dir + "/folder");

  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{ZT_ENGINE_BINARY, "--headless", "truncated"}, "zentropia: cannot load truncated: "},
      {{"./truncated", "--headless"}, "zentropia: no program given"},
      {{ZT_ENGINE_BINARY, "--headless", "broken"}, "zentropia: cannot load broken: "},
      {{ZT_ENGINE_BINARY, "--headless", "missing.img"}, "zentropia: cannot read missing.img"},
      {{ZT_ENGINE_BINARY, "--headless"}, "zentropia: no program given"},
      {{ZT_ENGINE_BINARY, "--fast", "game"}, "zentropia: unknown option --fast"},
      {{ZT_ENGINE_BINARY, "--frames", "0", "game"}, "zentropia: --frames needs a number of frames, 1 or more"},
      {{ZT_ENGINE_BINARY, "--frames"}, "zentropia: --frames needs a value"},
      {{ZT_ENGINE_BINARY, "--input", "script.txt", "game"},
       "zentropia: --input script.txt: line 1: unknown action wink"},
      {{ZT_ENGINE_BINARY, "--input", "none.txt", "game"}, "zentropia: --input none.txt: cannot read none.txt"},
      {{ZT_ENGINE_BINARY, "--input", "folder", "game"}, "zentropia: --input folder: cannot read folder"},
  };
  for (const auto& [command, message] : cases) {
    RunResult r = runIn(dir, command);
    EXPECT_EQ(r.exitCode, 2) << message;
    EXPECT_TRUE(contains(r.err, message)) << r.err;
    EXPECT_EQ(r.out, "") << message;
  }
  RunResult help = runIn(dir, {ZT_ENGINE_BINARY, "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(contains(help.out, "usage: zentropia"));
}

TEST(HostRun, TwoVirtualClockRunsWithTheSameInputGiveTheSameOutput) {
  const std::string dir = freshFolder("host_reproducible");
  writeFile(dir + "/prog.ztb",
            "print timer()\n"
            "repeat\n  k$ = inkey$()\n  if k$ <> \"\" and k$ <> p$ then print timer(); \" \"; k$\n  p$ = k$\n"
            "  inc n\nuntil k$ = \"q\"\n"
            "print n; \" \"; rnd(1000); \" \"; timer()\n");
  // Keys ten frames apart: each PRINT to the screen shows a frame, so a program printing
  // what it read misses keys typed while it prints.
  writeFile(dir + "/input.txt", "2 key 30\n12 key 48\n22 key 46\n32 key 45\n42 key 16\n");
  const std::vector<std::string> command = {ZT_ENGINE_BINARY, "--headless", "--echo",  "--virtual-clock",
                                            "--input",        "input.txt",  "prog.ztb"};
  RunResult first = runIn(dir, command);
  RunResult second = runIn(dir, command);
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(std::count(first.out.begin(), first.out.end(), '\n'), 7) << first.out;
  EXPECT_EQ(first.out, second.out);
}

TEST(HostRun, ASettingsFileThatIsAFolderMeansNoSettings) {
  const std::string dir = freshFolder("host_settings_folder");
  fs::create_directories(dir + "/SETUP.INI");
  writeFile(dir + "/prog.ztb", "print \"ran\"\n");
  RunResult r = runIn(dir, {ZT_ENGINE_BINARY, "--headless", "--echo", "--virtual-clock", "prog.ztb"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "ran\n");
}

TEST(HostRun, AWindowThatCannotBeMadeIsSystemError10002) {
  const std::string dir = freshFolder("host_no_window");
  writeFile(dir + "/prog.ztb", "print \"not reached\"\n");
  RunResult r = runIn(dir, {"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER=x11", ZT_ENGINE_BINARY,
                            "--echo", "prog.ztb"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.out.starts_with("System Error : ERROR 162. Failed to create the window: ")) << r.out;
  EXPECT_TRUE(contains(r.err, "System Error : ERROR 162. ")) << r.err;
}

}  // namespace
}  // namespace zt::test
