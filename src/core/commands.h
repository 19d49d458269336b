// Command rows and the dispatch table.
// Every command family file exports a table of rows: identifier, keyword and signature
// as in resources/commands.txt, the handler, and how control leaves the command (which
// the loader's code walk needs). The interpreter's 10000-entry table is built from them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace zt {

struct Runtime;
union Word;
// Runs one command: `pc` is its first operand; returns the word to run next.
using Handler = Word* (*)(Runtime&, Word* pc);

// How control continues after a command, and which extra words it carries.
enum class Flow : uint8_t {
  Next,          // falls through to the next command
  Branch,        // one jump-target word after the operands; falls through or jumps
  Jump,          // one jump-target word after the operands; always jumps
  CallOperand,   // its operand is a code address to call; returns after it (GOSUB)
  JumpOperand,   // its operand is a code address to jump to (GOTO)
  FunctionCall,  // the user-function call layout
  End,           // does not continue (END, STOP, returns from a function)
};

struct CommandRow {
  int id;
  const char* keyword;    // null for the few identifiers the table does not name
  const char* signature;  // letters L F S A E, or "0"
  Handler handler;
  Flow flow = Flow::Next;
  // Operand kinds when they differ from the signature: 'L', 'F', 'S', 'N' (an integer or
  // float cell), 'I' (plain integer word), 'C' (code address); null means the signature
  // letters are the kinds.
  const char* operands = nullptr;
};

constexpr int MaxCommandId = 10000;

struct DispatchTable {
  std::array<Handler, MaxCommandId> handlers{};
  std::array<const CommandRow*, MaxCommandId> rows{};
};

// Every family's rows, in one list; the dispatch table is built from it.
std::span<const std::span<const CommandRow>> commandFamilies();
void buildDispatchTable(DispatchTable& table);

// The command table text embedded in the binaries.
extern const std::string_view commandTableText;

}  // namespace zt
