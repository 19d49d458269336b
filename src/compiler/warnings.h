// Warnings about a parsed program that compiles but probably does not do what its author
// meant: a variable read but never assigned anywhere (a misspelt name reads 0 or ""), a
// label or function never used, `==` in a condition (the language compares with `=`),
// a parameter that hides a GLOBAL name. They never stop a compilation.
#pragma once

#include "compiler/ast.h"
#include "compiler/source.h"

namespace zt::compiler {

void findWarnings(SourceSet& sources, const Program& program);

}  // namespace zt::compiler
