// ztc: compiles a .ztb source file into a program image or a stand-alone game, and lists
// images.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <new>
#include <string>

#include "compiler/compiler.h"
#include "compiler/disassembler.h"
#include "compiler/source.h"
#include "platform/fs.h"
#include "host/pack.h"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: ztc [-o IMAGE] SOURCE.ztb    compile (default IMAGE: SOURCE with .img)\n"
               "       ztc --check SOURCE.ztb       report errors only\n"
               "       --warn                       also report likely mistakes (variables never assigned,\n"
               "                                    labels and functions never used, '==' in conditions)\n"
               "       ztc --disasm FILE            list a program image, or the image of a .ztb source\n"
               "       ztc --pack SOURCE.ztb [--media DIR] [--engine ENGINE] [-o GAME]\n"
               "                                    a stand-alone game: the engine (default: zentropia beside\n"
               "                                    ztc), the program and the files under DIR (default GAME:\n"
               "                                    SOURCE without .ztb)\n");
}

bool endsWithNoCase(const std::string& s, const std::string& suffix) {
  if (s.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - suffix.size() + i])) != suffix[i]) return false;
  return true;
}

int run(int argc, char** argv) {
  std::string input, output, media, engine;
  bool check = false, list = false, pack = false, warn = false;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!std::strcmp(a, "-o") && i + 1 < argc) output = argv[++i];
    else if (!std::strcmp(a, "--check")) check = true;
    else if (!std::strcmp(a, "--warn")) warn = true;
    else if (!std::strcmp(a, "--disasm")) list = true;
    else if (!std::strcmp(a, "--pack")) pack = true;
    else if (!std::strcmp(a, "--media") && i + 1 < argc) media = argv[++i];
    else if (!std::strcmp(a, "--engine") && i + 1 < argc) engine = argv[++i];
    else if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
      usage();
      return 0;
    } else if (a[0] == '-' && a[1]) {
      std::fprintf(stderr, "ztc: unknown option %s\n", a);
      usage();
      return 2;
    } else if (input.empty()) input = a;
    else {
      usage();
      return 2;
    }
  }
  if (input.empty()) {
    usage();
    return 2;
  }

  if (list && !endsWithNoCase(input, ".ztb")) {  // an image to list
    std::string bytes, text, error;
    if (!zt::readWholeFile(input, bytes, UINT64_MAX, &error)) {
      std::fprintf(stderr, "ztc: cannot read %s: %s\n", input.c_str(), error.c_str());
      return 1;
    }
    if (!zt::compiler::disassemble(bytes, text, error)) {
      std::fprintf(stderr, "ztc: %s: %s\n", input.c_str(), error.c_str());
      return 1;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }

  zt::compiler::CompileResult result = zt::compiler::compileFile(input);
  if (warn) std::fputs(result.warnings.c_str(), stderr);
  if (!result.ok) {
    std::fputs(result.messages.c_str(), stderr);
    return 1;
  }
  if (list) {
    std::string text, error;
    zt::compiler::disassemble(result.image, text, error);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }
  if (check) return 0;
  if (pack) {
    if (output.empty()) output = endsWithNoCase(input, ".ztb") ? input.substr(0, input.size() - 4) : input + ".game";
    std::string error;
    if (!zt::packCompiledGame(input, result.image, media, engine, output, error)) {
      std::fprintf(stderr, "ztc: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  if (output.empty()) {
    output = input;
    if (endsWithNoCase(output, ".ztb")) output.resize(output.size() - 4);
    output += ".img";
  }
  std::ofstream out(output, std::ios::binary);
  out.write(result.image.data(), std::streamsize(result.image.size()));
  if (!out) {
    std::fprintf(stderr, "ztc: cannot write %s\n", output.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

// Nothing a file or the system does may end ztc with an uncaught exception: a stream that
// throws on a folder, memory running out.
int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("ztc: not enough memory\n", stderr);
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ztc: %s\n", e.what());
    return 1;
  }
}
