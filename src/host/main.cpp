// zentropia: runs one program image.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/runner.h"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: zentropia [options] PROGRAM\n"
               "  --window          run in a window\n"
               "  --headless        no window, no audio device, no real input\n"
               "  --echo            also write console text and the final error message to stdout\n"
               "  --virtual-clock   time advances by a fixed cost per command and frame\n"
               "  --frames N        stop after N frames\n");
}

}  // namespace

int main(int argc, char** argv) {
  zt::RunOptions options;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!std::strcmp(a, "--window")) options.window = true;
    else if (!std::strcmp(a, "--headless")) options.headless = true;
    else if (!std::strcmp(a, "--echo")) options.echo = true;
    else if (!std::strcmp(a, "--virtual-clock")) options.virtualClock = true;
    else if (!std::strcmp(a, "--frames") && i + 1 < argc) options.frames = std::atoll(argv[++i]);
    else if (a[0] == '-' && a[1] == '-') {
      usage();
      return zt::ExitStartFailed;
    } else if (options.program.empty()) options.program = a;
  }
  if (options.program.empty()) {
    usage();
    return zt::ExitStartFailed;
  }
  return zt::runProgram(options);
}
