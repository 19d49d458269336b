// The lexer: source text to tokens. Words are letters, digits and underscores with an
// optional type mark ($ string, # float); a word that starts with a digit is one only
// when the command table has it ("3DS2X"). Numbers: decimal, 1.5e3, %1010 and hexadecimal
// 0xFF or $FF. Comments: the back-quote, // and REM run to the end of the line,
// REMSTART ... REMEND spans lines. A line end and ":" end a statement.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/command_index.h"
#include "compiler/source.h"

namespace zt::compiler {

enum class Tok : uint8_t { Word, Integer, Float, String, Symbol, Colon, LineEnd, End };

struct Token {
  Tok kind = Tok::End;
  std::string text;     // a word in capitals, a symbol, or a string's contents
  int64_t integer = 0;  // Integer: 0 to 2147483648 (the last only after a minus)
  float real = 0.0f;    // Float
  SourcePos pos;
};

// Appends the tokens of one file; the last token is LineEnd (End is added by the caller).
void lexFile(SourceSet& sources, int file, const CommandIndex& commands, std::vector<Token>& out);

}  // namespace zt::compiler
