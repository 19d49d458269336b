// The compiler's entry points: source text or a .ztb file to a program image.
#pragma once

#include <string>
#include <vector>

#include "compiler/source.h"
#include "formats/line_table.h"

namespace zt::compiler {

struct CompileResult {
  bool ok = false;
  std::string image;                    // the program image, when ok
  LineTable lines;                      // where its commands come from, when ok; files are
                                        // named relative to the main file's folder
  std::vector<Diagnostic> diagnostics;  // errors, in the order found
  std::string messages;                 // the diagnostics as "file:line:col: message" lines
  std::string warnings;                 // "file:line:col: warning: message" lines
};

// Compiles a file; #INCLUDE names are relative to the including file's folder.
CompileResult compileFile(const std::string& path);
// Compiles source text given in memory; `name` stands for its path in messages and
// as the folder of its #INCLUDE files.
CompileResult compileText(const std::string& name, const std::string& text);

}  // namespace zt::compiler
