// The parser: tokens to a Program. Statements end at a line end or ":"; blocks are
// closed by their keyword (ENDIF, NEXT, ENDWHILE, UNTIL, LOOP, ENDFUNCTION). Keywords of
// several words are matched longest first against the command table, so "LOOP SOUND"
// is a command and "LOOP" closes a DO loop. Errors are reported with their position
// and parsing resumes at the next line.
#pragma once

#include <vector>

#include "compiler/ast.h"
#include "compiler/command_index.h"
#include "compiler/lexer.h"
#include "compiler/source.h"

namespace zt::compiler {

// Reads the file `file` and the files it includes (#INCLUDE "name", relative to the
// including file's folder) into one token stream ending in End.
std::vector<Token> tokenize(SourceSet& sources, int file, const CommandIndex& commands);

Program parse(SourceSet& sources, const CommandIndex& commands, std::vector<Token> tokens);

}  // namespace zt::compiler
