// Start-up time: from launching the engine to its first executed command. The program's
// first command is a PRINT whose line the engine writes at once (its output is line
// buffered through stdbuf), so the time until that line arrives is the figure. Measured
// for a program image, a .ztb source compiled at start, a packed game with 1 MB of media,
// and, when there is a display, a program image in a window.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "host/pack.h"
#include "support/image_builder.h"

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds from launching `command` in `dir` to the first line it writes (its median).
double firstLineMilliseconds(const std::string& dir, const std::string& command, int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const Clock::time_point start = Clock::now();
    FILE* p = popen(("cd '" + dir + "' && stdbuf -oL " + command).c_str(), "r");
    int c;
    while ((c = std::fgetc(p)) != EOF && c != '\n') {
    }
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    while (std::fgetc(p) != EOF) {
    }
    pclose(p);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  const std::string dir = zt::test::freshFolder("startup_bench");
  const std::string source = "print \"first\"\nend\n";
  const std::string image = zt::compiler::compileText("first.ztb", source).image;
  std::ofstream(dir + "/first.ztb") << source;
  std::ofstream(dir + "/first.img", std::ios::binary) << image;
  std::ofstream(dir + "/media.bin", std::ios::binary) << std::string(1 << 20, 'm');
  std::string error;
  if (!zt::packGame(ZT_ENGINE_BINARY, "first.img", image, {{"media.bin", dir + "/media.bin"}}, dir + "/game", error)) {
    std::fprintf(stderr, "packing failed: %s\n", error.c_str());
    return 1;
  }
  const std::string engine = std::string("'") + ZT_ENGINE_BINARY + "' --headless --echo ";
  std::printf("launch to the first executed command, median of %d runs, headless\n", runs);
  std::printf("  program image             %7.2f ms\n", firstLineMilliseconds(dir, engine + "first.img", runs));
  std::printf("  .ztb source               %7.2f ms\n", firstLineMilliseconds(dir, engine + "first.ztb", runs));
  std::printf("  packed game, 1 MB media   %7.2f ms\n", firstLineMilliseconds(dir, "./game --headless --echo", runs));
  if (std::getenv("DISPLAY")) {
    // A later start: the display card is remembered, so the first-start report stays away.
    std::filesystem::create_directories(dir + "/config/zentropia");
    std::ofstream(dir + "/config/zentropia/win.ini") << "[ZentropiaStateData]\nBEST3DCARD=Software Display Device\n";
    std::printf("  program image, window     %7.2f ms\n",
                firstLineMilliseconds(dir, "env XDG_CONFIG_HOME='" + dir + "/config' '" + std::string(ZT_ENGINE_BINARY) + "' --window --echo first.img",
                                      runs));
  }
  std::printf("  echo (process launch)     %7.2f ms\n", firstLineMilliseconds(dir, "echo", runs));
  return 0;
}
