#include "compiler/compiler.h"

#include "compiler/codegen.h"
#include "compiler/command_index.h"
#include "compiler/image_writer.h"
#include "compiler/parser.h"

namespace zt::compiler {

namespace {

CompileResult compileLoaded(SourceSet& sources, int file) {
  const CommandIndex& commands = builtinCommands();
  CompileResult result;
  Program program = parse(sources, commands, tokenize(sources, file, commands));
  // Code is generated even after syntax errors, to report the other errors of this run.
  ImageBuilder image;
  generate(sources, commands, program, image);
  if (!sources.failed()) result.image = image.bytes();
  result.ok = !sources.failed();
  result.diagnostics = sources.diagnostics();
  result.messages = sources.formatAll();
  return result;
}

}  // namespace

CompileResult compileFile(const std::string& path) {
  SourceSet sources;
  int file = sources.load(path);
  if (file < 0) {
    CompileResult r;
    r.diagnostics.push_back({{-1, 0, 0}, "cannot read " + path});
    r.messages = path + ": cannot read the file\n";
    return r;
  }
  return compileLoaded(sources, file);
}

CompileResult compileText(const std::string& name, const std::string& text) {
  SourceSet sources;
  return compileLoaded(sources, sources.add(name, text));
}

}  // namespace zt::compiler
