#include "compiler/compiler.h"

#include <new>

#include "compiler/codegen.h"
#include "compiler/command_index.h"
#include "compiler/image_writer.h"
#include "compiler/parser.h"
#include "compiler/warnings.h"
#include "platform/stack.h"

namespace zt::compiler {

namespace {

// The parser and the code generator recurse as deep as their bounds let them (blocks and
// expressions 256 levels, typing results through 4096 calls), which in a sanitizer build
// takes more than the main thread's usual 8 MB: they run on a stack sized for it.
constexpr size_t CompilerStack = size_t(64) << 20;

CompileResult compileLoaded(SourceSet& sources, int file) {
  const CommandIndex& commands = builtinCommands();
  CompileResult result;
  try {
    runWithStack(CompilerStack, [&] {
      Program program = parse(sources, commands, tokenize(sources, file, commands));
      // Code is generated even after syntax errors, to report the other errors of this run.
      ImageBuilder image;
      generate(sources, commands, program, image);
      findWarnings(sources, program);
      if (!sources.failed()) result.image = image.bytes();
    });
  } catch (const std::bad_alloc&) {
    sources.error({file, 1, 1}, "not enough memory to compile the program");
  }
  result.ok = !sources.failed();
  result.diagnostics = sources.diagnostics();
  result.messages = sources.formatAll();
  result.warnings = sources.formatWarnings();
  return result;
}

}  // namespace

CompileResult compileFile(const std::string& path) {
  SourceSet sources;
  std::string why;
  int file = sources.load(path, why);
  if (file < 0) {
    CompileResult r;
    r.diagnostics.push_back({{-1, 0, 0}, "cannot read " + path + ": " + why});
    r.messages = path + ": cannot read the file: " + why + "\n";
    return r;
  }
  return compileLoaded(sources, file);
}

CompileResult compileText(const std::string& name, const std::string& text) {
  SourceSet sources;
  return compileLoaded(sources, sources.add(name, text));
}

}  // namespace zt::compiler
