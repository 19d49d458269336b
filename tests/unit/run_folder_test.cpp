// What a run leaves on the disk when it does not end by itself: a stop signal still
// removes the run's folder, folders of runs that died are removed by the next start, and
// a file write cut short by the file-size limit leaves the old file and no temporary.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/image_builder.h"

extern char** environ;

namespace zt::test {
namespace {

namespace fs = std::filesystem;

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// The per-user folder under `tmp` that the engine makes its run folders in.
std::string userFolder(const std::string& tmp) { return tmp + "/zentropia-" + std::to_string(::getuid()); }

// Starts the engine headless on `program` in `dir`, with TMPDIR set to `tmp`.
pid_t startEngine(const std::string& dir, const std::string& tmp, const std::string& program) {
  std::vector<std::string> vars = {"TMPDIR=" + tmp};
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "TMPDIR=", 7) != 0) vars.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& v : vars) envp.push_back(v.data());
  envp.push_back(nullptr);
  std::string engine = ZT_ENGINE_BINARY, headless = "--headless", name = program;
  char* argv[] = {engine.data(), headless.data(), name.data(), nullptr};
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(dir.c_str()) == 0) ::execve(argv[0], argv, envp.data());
    ::_exit(127);
  }
  return pid;
}

// Waits until the run has made its folder (for at most a minute); false if it never does.
bool runFolderAppears(const std::string& user) {
  for (int i = 0; i < 6000; ++i) {
    std::error_code ec;
    if (fs::exists(user, ec) && !fs::is_empty(user, ec)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(RunFolder, AStopSignalEndsTheRunAndRemovesItsFolder) {
  // A program that shows frames and one that never synchronises both see the signal.
  const std::pair<int, const char*> cases[] = {
      {SIGINT, "DO : LOOP\n"}, {SIGTERM, "SYNC ON\nDO : LOOP\n"}, {SIGHUP, "DO : LOOP\n"}};
  for (const auto& [signal, source] : cases) {
    const std::string dir = freshFolder("run_folder_signal"), tmp = dir + "/tmp";
    fs::create_directories(tmp);
    writeFile(dir + "/prog.ztb", source);
    const pid_t pid = startEngine(dir, tmp, "prog.ztb");
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(runFolderAppears(userFolder(tmp))) << signal;
    ASSERT_EQ(::kill(pid, signal), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << signal << " " << status;  // as a closed window
    EXPECT_TRUE(fs::is_empty(userFolder(tmp))) << signal;
  }
}

TEST(RunFolder, FoldersOfRunsThatDiedAreRemovedAtTheNextStart) {
  const std::string dir = freshFolder("run_folder_stale"), tmp = dir + "/tmp", user = userFolder(tmp);
  fs::create_directories(user);
  fs::permissions(user, fs::perms::owner_all);
  // A process that has ended: its number is free once it has been waited for.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_GT(gone, 0);
  ::waitpid(gone, nullptr, 0);
  const std::string dead = user + "/run-" + std::to_string(gone) + "-12";
  const std::string living = user + "/run-" + std::to_string(::getpid()) + "-34";
  const std::string other = user + "/run-notes";
  for (const std::string& folder : {dead, living, other}) {
    fs::create_directories(folder + "/sub");
    writeFile(folder + "/sub/_virtual.dat", "left behind");
  }
  writeFile(dir + "/prog.ztb", "print 1\n");
  RunResult r = runIn(dir, {"env", "TMPDIR=" + tmp, ZT_ENGINE_BINARY, "--headless", "--echo", "prog.ztb"});
  EXPECT_EQ(r.out, "1\n") << r.err;
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_TRUE(fs::exists(living + "/sub/_virtual.dat"));  // its process still runs
  EXPECT_TRUE(fs::exists(other + "/sub/_virtual.dat"));   // no run's name
  EXPECT_EQ(std::distance(fs::directory_iterator(user), fs::directory_iterator()), 2);
}

TEST(RunFolder, AWriteBeyondTheFileSizeLimitKeepsTheOldFileAndNoTemporary) {
  const std::string dir = freshFolder("run_folder_file_size");
  writeFile(dir + "/prog.ztb",
            "dim a(1)\na(0) = 5\nsave array \"kept.dat\", a()\nprint \"small saved\"\n"
            "dim b(100000)\nsave array \"kept.dat\", b()\nprint \"not reached\"\n");
  // 64 blocks of the shell's unit (512 or 1024 bytes): well below the 400000 bytes of b().
  RunResult r = runIn(dir, {"sh", "-c", "ulimit -f 64 && exec \"$0\" --headless --echo prog.ztb", ZT_ENGINE_BINARY});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_EQ(r.out, "small saved\nRuntime Error : ERROR 9. \n");
  EXPECT_EQ(readFile(dir + "/kept.dat"), std::string("\5\0\0\0\0\0\0\0", 8));
  EXPECT_FALSE(fs::exists(dir + "/kept.dat.~0"));
}

}  // namespace
}  // namespace zt::test
