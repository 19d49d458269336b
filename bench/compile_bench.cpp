// Compile time of a generated 5000-line program (functions, loops, branches, string and
// float expressions, DATA, subroutines), from source text to image, best and mean of
// several runs; the image is loaded once to show that it is a real one.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "compiler/compiler.h"
#include "core/runtime.h"

namespace {

constexpr int Lines = 5000;
constexpr int Runs = 10;

std::string generateProgram() {
  std::string src;
  int lines = 0;
  auto line = [&](const std::string& s) {
    src += s + "\n";
    ++lines;
  };
  // 40 functions of 25 lines.
  for (int f = 0; f < 40; ++f) {
    std::string n = std::to_string(f);
    line("function work" + n + "(a, b#, c$)");
    line("  total = 0 : scale# = b# * 1.5");
    line("  for i = 1 to a step 2");
    line("    if i > 10 and total < 100 then total = total + i * 2 else total = total - 1");
    line("    while total > 50 : total = total / 2 : endwhile");
    line("  next i");
    line("  repeat : inc total : until total >= a");
    line("  s$ = c$ + \"-" + n + "\" - \"x\"");
    for (int k = 0; k < 15; ++k)
      line("  v" + std::to_string(k) + "# = scale# * " + std::to_string(k) + ".25 + (total - " + std::to_string(k) +
           ") / 3.0");
    line("  if s$ = \"\" then exitfunction -1");
    line("endfunction total + work" + std::to_string((f + 1) % 40) + "(a - 1, b#, s$) * 0");
  }
  line("goto main");
  line("sub:");
  line("  counter = counter + 1");
  line("return");
  line("main:");
  int i = 0;
  while (lines < Lines - 1) {
    std::string k = std::to_string(i % 500), m = std::to_string(i % 37);
    switch (i % 8) {
      case 0:
        line("x" + m + " = (x" + m + " + " + k + ") * 3 - y" + m + "# / 2.5 ^ 2");
        break;
      case 1:
        line("y" + m + "# = y" + m + "# * 0.5 + work" + std::to_string(i % 40) + "(" + k + ", 1.5, \"p\")");
        break;
      case 2:
        line("if x" + m + " > " + k + " then printc x" + m + "; \" \" else gosub sub");
        break;
      case 3:
        line("for j = 1 to " + k + " : z = z + j * 2 : if z > 1000 then exit");
        break;
      case 4:
        line("next j");
        break;
      case 5:
        line("t$ = \"item " + k + "\" + t$ - \"item\" : data " + k + ", " + k + ".5, \"d" + k + "\"");
        break;
      case 6:
        line("print \"line " + std::to_string(i) + "\"; x" + m + "; y" + m + "#");
        break;
      case 7:
        line("read q, r#, w$ : inc q, 2 : dec r#");
        break;
    }
    ++i;
  }
  line("end");
  return src;
}

}  // namespace

int main() {
  const std::string program = generateProgram();
  std::printf("program: %d lines, %zu bytes\n", Lines, program.size());
  double best = 1e9, total = 0;
  std::string image;
  for (int run = 0; run < Runs; ++run) {
    auto t = std::chrono::steady_clock::now();
    zt::compiler::CompileResult r = zt::compiler::compileText("bench.ztb", program);
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
    if (!r.ok) {
      std::fprintf(stderr, "the generated program does not compile:\n%s", r.messages.c_str());
      return 1;
    }
    image = r.image;
    best = std::min(best, s);
    total += s;
  }
  zt::Runtime rt;
  std::string error;
  if (!zt::loadProgram(rt.image, image, rt.dispatch, error)) {
    std::fprintf(stderr, "the image does not load: %s\n", error.c_str());
    return 1;
  }
  std::printf("image: %zu bytes, %zu code words\n", image.size(), rt.image.CodeWords);
  std::printf("compile: best %.2f ms, mean %.2f ms over %d runs (%.0f lines per second)\n", best * 1e3,
              total / Runs * 1e3, Runs, Lines / best);
  return 0;
}
