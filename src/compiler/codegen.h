// The code generator: a parsed Program to code words, constants, variables and DATA in
// an ImageBuilder.
//
// Cells: every intermediate value goes to a temporary, which every function shares and
// no call saves. So before a user-function call every temporary still waiting to be used
// is copied into a hidden variable of the calling function (which the call saves and
// restores), and a call's result goes to a temporary, never to a variable of the caller
// (the caller's variables are restored after the result is stored). Each scope owns its
// variables: the main program is owner 0, function n owner n; arrays belong to no
// function and are never saved.
#pragma once

#include "compiler/ast.h"
#include "compiler/command_index.h"
#include "compiler/image_writer.h"
#include "compiler/source.h"

namespace zt::compiler {

// Generates the whole program; errors go to `sources`.
void generate(SourceSet& sources, const CommandIndex& commands, const Program& program, ImageBuilder& image);

}  // namespace zt::compiler
