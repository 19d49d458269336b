// zentropia: runs one program, a packed game, or the game packed into this executable.
#include <string>
#include <vector>

#include "host/runner.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  const int code = zt::runEngine(std::vector<std::string>(argv + 1, argv + argc));
  zt::endByStopSignal();
  return code;
}
