#include "compiler/compiler.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
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

// The files of a compilation as a line table names them: relative to the main file's
// folder, so that a report reads "game.ztb:42:9" wherever the program was compiled.
std::vector<std::string> lineTableFiles(const SourceSet& sources, int main) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path folder = fs::absolute(sources.file(main).path, ec).lexically_normal().parent_path();
  std::vector<std::string> names;
  for (size_t i = 0; i < sources.fileCount(); ++i) {
    const std::string& path = sources.file(int(i)).path;
    const fs::path relative = fs::absolute(path, ec).lexically_normal().lexically_relative(folder);
    names.push_back(relative.empty() ? path : relative.string());
  }
  return names;
}

// A function's name as its definition spells it (the parser keeps names in capitals), so
// that reports name it as the programmer wrote it.
std::string spelledName(const SourceSet& sources, const Function& f) {
  if (f.pos.file < 0 || size_t(f.pos.file) >= sources.fileCount()) return f.name;
  const std::string& text = sources.file(f.pos.file).text;
  size_t at = 0;
  for (int line = 1; line < f.pos.line; ++line) {
    const size_t lineEnd = text.find('\n', at);
    if (lineEnd == std::string::npos) return f.name;
    at = lineEnd + 1;
  }
  const size_t end = std::min(text.find('\n', at), text.size());
  for (size_t i = at + size_t(std::max(f.pos.column - 1, 0)); i + f.name.size() <= end; ++i) {
    bool same = true;
    for (size_t k = 0; k < f.name.size() && same; ++k)
      same = std::toupper(static_cast<unsigned char>(text[i + k])) == static_cast<unsigned char>(f.name[k]);
    if (same) return text.substr(i, f.name.size());
  }
  return f.name;
}

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
      if (sources.failed()) return;
      result.image = image.bytes();
      std::vector<std::string> functions;
      for (const Function& f : program.functions) functions.push_back(spelledName(sources, f));
      result.lines = image.lineTable(result.image, lineTableFiles(sources, file), std::move(functions));
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
