// zentropia: runs one program, a packed game, or the game packed into this executable.
#include <string>
#include <vector>

#include "host/runner.h"

int main(int argc, char** argv) { return zt::runEngine(std::vector<std::string>(argv + 1, argv + argc)); }
