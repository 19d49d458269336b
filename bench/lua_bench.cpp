// The interpreter against Lua 5.4 on the program pairs of bench/programs (loop, fib,
// arrays, strings, floats; each .ztb has a .lua twin that prints the same result). Each
// program is compiled to an image, then `zentropia --headless image` and `lua5.4 twin`
// run alternately, several times. Prints every run's CPU seconds (user + system, which a
// busy machine disturbs less than wall-clock time) and wall seconds, the medians and the
// ratio ours / Lua of each median. Never fails: missing Lua or differing results are
// reported.
//   lua_bench [RUNS] [PROGRAM...]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "support/image_builder.h"

namespace {

struct Run {
  double cpu = 0, wall = 0;
  std::string out;
};

// Runs `argv` with its standard output in `outFile`; CPU seconds from the child's usage.
Run runTimed(const std::vector<std::string>& argv, const std::string& outFile) {
  Run r;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 1);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  std::ifstream in(outFile);
  std::stringstream text;
  text << in.rdbuf();
  r.out = text.str();
  return r;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::vector<std::string> programs(argv + std::min(argc, 2), argv + argc);
  if (programs.empty()) programs = {"loop", "fib", "arrays", "strings", "floats"};
  if (std::system("command -v lua5.4 >/dev/null 2>&1") != 0) {
    std::printf("lua5.4 is not installed (scripts/install-deps.sh installs it)\n");
    return 0;
  }
  const std::string dir = zt::test::freshFolder("lua_bench");
  std::printf("ours / Lua 5.4, %d alternating runs each; seconds CPU (wall)\n", runs);
  for (const std::string& p : programs) {
    const std::string source = std::string(ZT_BENCH_PROGRAMS) + "/" + p;
    const zt::compiler::CompileResult c = zt::compiler::compileFile(source + ".ztb");
    if (!c.ok) {
      std::printf("%s: %s", p.c_str(), c.messages.c_str());
      continue;
    }
    const std::string image = dir + "/" + p + ".img";
    std::ofstream(image, std::ios::binary) << c.image;
    std::vector<double> ourCpu, ourWall, luaCpu, luaWall;
    std::string ours, theirs;
    for (int i = 0; i < runs; ++i) {
      const Run a = runTimed({ZT_ENGINE_BINARY, "--headless", "--echo", image}, dir + "/ours.txt");
      const Run b = runTimed({"lua5.4", source + ".lua"}, dir + "/lua.txt");
      ourCpu.push_back(a.cpu), ourWall.push_back(a.wall), luaCpu.push_back(b.cpu), luaWall.push_back(b.wall);
      ours = a.out, theirs = b.out;
    }
    std::printf("%-8s ours", p.c_str());
    for (int i = 0; i < runs; ++i) std::printf(" %.3f (%.3f)", ourCpu[size_t(i)], ourWall[size_t(i)]);
    std::printf("\n%-8s lua ", "");
    for (int i = 0; i < runs; ++i) std::printf(" %.3f (%.3f)", luaCpu[size_t(i)], luaWall[size_t(i)]);
    std::printf("\n%-8s median ours %.3f (%.3f), lua %.3f (%.3f): ratio %.2f (%.2f)\n", "", median(ourCpu),
                median(ourWall), median(luaCpu), median(luaWall), median(ourCpu) / median(luaCpu),
                median(ourWall) / median(luaWall));
    if (ours != theirs) std::printf("%-8s results differ: %s against %s", "", ours.c_str(), theirs.c_str());
  }
  return 0;
}
