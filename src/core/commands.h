// Command rows and the dispatch table.
// Every command family file exports a table of rows: the command's entry of
// resources/commands.txt, the handler, and how control leaves the command (which
// the loader's code walk needs). The interpreter's 10000-entry table is built from them.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
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
  Return,        // continues after the GOSUB it returns to, or falls through when there is none
  JumpOperand,   // its operand is a code address to jump to (GOTO)
  FunctionCall,  // the user-function call layout
  End,           // does not continue (END, STOP, returns from a function)
};

// One entry of the command table: the generated header command_ids.h names each one
// (CmdIf, CmdEndfunctionL, ...). It reads as its identifier where a number is wanted.
struct CommandForm {
  int32_t id;
  const char* keyword;    // null for the few identifiers the table does not name
  const char* signature;  // letters L F S A E, or "0"
  constexpr operator int32_t() const { return id; }
};

// A row takes identifier, keyword and signature from one CommandForm, so that it cannot
// disagree with the table.
struct CommandRow {
  constexpr CommandRow(CommandForm form, Handler handler, Flow flow = Flow::Next, const char* operands = nullptr)
      : id(form.id), keyword(form.keyword), signature(form.signature), handler(handler), flow(flow), operands(operands) {}
  int id;
  const char* keyword;
  const char* signature;
  Handler handler;
  Flow flow;
  // Operand kinds when they differ from the signature: 'L', 'F', 'S', 'N' (an integer or
  // float cell), 'I' (plain integer word), 'C' (code address), 'l', 'f', 's' (a cell of
  // that kind naming the array the command works on: the loader records the array in the
  // command word); null means the signature letters are the kinds.
  const char* operands = nullptr;
};

constexpr int MaxCommandId = 10000;

// Operand words of a command, as its row's operand kinds give them (a jump target after
// them, and the call layout of a user function, are not counted).
inline size_t operandCount(const CommandRow& row) {
  const char* kinds = row.operands ? row.operands : row.signature;
  return kinds[0] == '0' ? 0 : std::strlen(kinds);
}

// Whether a handler may return `returned` for the command word at `command`: its own
// command word (it runs again), anything when its row may jump or end the program, or
// else exactly the word after its operands. The assertion build (ZT_ASSERT) checks every
// handler's return with it.
bool handlerReturnIsSound(const CommandRow& row, const Word* command, const Word* returned);

// What runs a command word. The loader decodes each command word into its identifier
// (low 32 bits), an entry (bits 32 to 47) and a fact it proved about the command (bits 48
// to 63: a user-function call's argument count; for an array element command the index
// of its array plus one, 0 when its array operand is no array variable of the command's
// kind). Entry 0 calls the identifier's handler,
// any other value is an entry of the interpreter loop (a hot command it runs itself, a
// fused form, or the end of a program at an identifier without a handler).
inline intptr_t encodeCommand(int32_t id, uint32_t entry, uint32_t fact = 0) {
  return static_cast<intptr_t>(uint64_t(uint32_t(id)) | uint64_t(entry & 0xFFFF) << 32 | uint64_t(fact & 0xFFFF) << 48);
}
inline int32_t commandIdentifier(intptr_t word) { return static_cast<int32_t>(uint32_t(uint64_t(word))); }
inline uint32_t commandEntry(intptr_t word) { return uint32_t(uint64_t(word) >> 32) & 0xFFFF; }
inline uint32_t commandFact(intptr_t word) { return uint32_t(uint64_t(word) >> 48); }

struct DispatchTable {
  std::array<Handler, MaxCommandId> handlers{};
  std::array<const CommandRow*, MaxCommandId> rows{};
  std::array<uint32_t, MaxCommandId> entries{};  // the loop's entry of each hot identifier
  uint32_t noHandlerEntry = 0;                   // ends the program at the command
};

// Fills the table from every family's rows.
void buildDispatchTable(DispatchTable& table, std::span<const std::span<const CommandRow>> families);

// The command table text embedded in the binaries.
extern const std::string_view commandTableText;

}  // namespace zt
