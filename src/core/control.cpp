// Control flow: conditionals, loops, jumps, GOSUB/RETURN, user-function calls and
// returns, DATA/READ/RESTORE and program end. Owns the ControlState.
// A control command that jumps carries its target in the word after its operands.
#include "core/control.h"

#include <cstdlib>

#include "core/family.h"
#include "core/operations.h"

namespace zt {

SaveBlock::~SaveBlock() {
  for (char* s : strings) std::free(s);
}

void resetControl(ControlState& control) {
  control.CallDepth = 0;
  control.FunctionNumber = 0;
  control.ReturnStack.fill(nullptr);
  for (FrameRecord& f : control.Frames) f = FrameRecord{};
}

namespace {

constexpr int32_t ErrStop = 21;
constexpr int MaxFunctionParameters = 127;

Word* opEnd(Runtime& rt, Word* pc) {
  postQuit(rt);
  rt.interp.YieldFlag = true;
  return pc;
}

Word* opStop(Runtime& rt, Word* pc) {
  raiseError(rt, ErrStop);
  return pc;
}

// ---- user functions ----

bool isNumericVariable(int32_t i) { return isIntVariable(i) || isFloatVariable(i); }

// The frame below a call: its parameters, then the integer, float and string variables
// the running function owns that are not arrays. Save and restore walk the same list.
enum class Item { Value, ParameterString, VariableString };

template <class Visit>
void visitFrame(Runtime& rt, const FrameRecord& frame, Visit&& visit) {
  ProgramImage& img = rt.image;
  for (int j = 0; j < frame.ParameterCount; ++j) {
    Cell& p = *frame.Entry[j].cell;
    visit(p, isNumericVariable(img.cellIndex(&p)) ? Item::Value : Item::ParameterString);
  }
  const uint16_t owner = rt.control.FunctionNumber;
  const auto& owners = img.OwnerLists;
  for (size_t i = 0; i < owners[0].size(); ++i)
    if (uint16_t(owners[0][i]) == owner && !rt.arrays.ArrayTable[i]) visit(img.ValueArea[IntVars + i], Item::Value);
  for (size_t i = 0; i < owners[1].size(); ++i)
    if (uint16_t(owners[1][i]) == owner && !rt.arrays.ArrayTable[FirstFloatArray + i])
      visit(img.ValueArea[FloatVars + i], Item::Value);
  for (size_t i = 0; i < owners[2].size(); ++i)
    if (uint16_t(owners[2][i]) == owner && !rt.arrays.ArrayTable[FirstStringArray + i])
      visit(img.ValueArea[StringVars + i], Item::VariableString);
}

void saveFrame(Runtime& rt, FrameRecord& frame) {
  auto block = std::make_unique<SaveBlock>();
  visitFrame(rt, frame, [&](Cell& c, Item item) {
    if (item == Item::Value) block->values.push_back(c.i);
    else if (item == Item::ParameterString || c.s) block->strings.push_back(copyString(cellText(c)));
  });
  frame.Saved = block->values.empty() && block->strings.empty() ? nullptr : std::move(block);
}

void restoreFrame(Runtime& rt, FrameRecord& frame) {
  SaveBlock& block = *frame.Saved;
  size_t nextValue = 0, nextString = 0;
  visitFrame(rt, frame, [&](Cell& c, Item item) {
    if (item == Item::Value) {
      if (nextValue < block.values.size()) c.i = block.values[nextValue++];
    } else if ((item == Item::ParameterString || c.s) && nextString < block.strings.size()) {
      std::free(c.s);
      c.s = block.strings[nextString];
      block.strings[nextString++] = nullptr;
    }
  });
  frame.Saved.reset();
}

// The call layout can only have changed since loading if the program overwrote its own
// argument-count constant; such a call ends the program instead of reading stray words.
bool callLayoutSound(Runtime& rt, Word* pc, Word* entry, int32_t n) {
  ProgramImage& img = rt.image;
  const Word* args = pc + 3;
  if (n < 0 || n > MaxFunctionParameters || !img.inCode(args + n) || !img.inCode(entry + n)) return false;
  for (int32_t j = 0; j < n; ++j) {
    int32_t a = img.cellIndex(args[j].cell), p = img.cellIndex(entry[j].cell);
    if (p < IntVars || p >= IntConsts || cellKind(a) != cellKind(p)) return false;
  }
  return true;
}

Word* opCallFunction(Runtime& rt, Word* pc) {
  ControlState& c = rt.control;
  const int32_t d = c.CallDepth;
  if (d + 1 >= MaxCallDepth) {
    raiseError(rt, ErrCallDepth);
    return pc;
  }
  Word* e = pc;  // the call's word E
  Word* entry = e[0].target;
  const int32_t n = e[2].cell->i;
  if (!callLayoutSound(rt, pc, entry, n)) return endAtCommand(rt, pc);
  FrameRecord& frame = c.Frames[d];
  c.ReturnStack[d] = e;
  frame.ParameterCount = int8_t(n);
  frame.Entry = entry;
  frame.IsFunction = true;
  if (d > 0) saveFrame(rt, c.Frames[d - 1]);
  for (int32_t j = 0; j < n; ++j) {
    Cell& p = *entry[j].cell;
    const Cell& a = *e[3 + j].cell;
    if (isNumericVariable(rt.image.cellIndex(&p))) p.i = a.i;
    else storeString(p, cellText(a));
  }
  Word* numberWord = entry + n;
  frame.CallerFunction = c.FunctionNumber;
  c.FunctionNumber = uint16_t(numberWord->n & 0xFFFF);
  c.CallDepth = d + 1;
  return numberWord + 1;
}

// Return from a function with a result of `kind` ('0' none, 'L', 'F', 'S').
template <char Kind>
Word* returnFromFunction(Runtime& rt, Word* pc) {
  ControlState& c = rt.control;
  Cell value{};
  std::string text;
  if (Kind == 'S')
    text = cellText(operand(pc, 0));
  else if (Kind != '0')
    value.i = operand(pc, 0).i;
  if (c.CallDepth == 0 || !c.Frames[c.CallDepth - 1].IsFunction)
    return endAtCommand(rt, pc);  // a return with no function to return from
  const int32_t d = --c.CallDepth;
  Word* e = c.ReturnStack[d];
  c.FunctionNumber = c.Frames[d].CallerFunction;
  Cell& r = *e[1].cell;
  if (cellKind(rt.image.cellIndex(&r)) == 'S')
    storeString(r, text);
  else
    r.i = Kind == 'S' ? 0 : value.i;
  const int32_t n = e[2].cell->i;
  if (n < 0 || n > MaxFunctionParameters || !rt.image.inCode(e + 3 + n)) return endAtCommand(rt, e);
  if (d > 0 && c.Frames[d - 1].Saved) restoreFrame(rt, c.Frames[d - 1]);
  return e + 3 + n;
}

// ---- DATA ----

Word* opRestoreTo(Runtime& rt, Word* pc) {
  rt.control.DataPointer = int32_t(operandWord(pc, 0).n);
  return pc + 1;
}

Word* opRestore(Runtime& rt, Word* pc) {
  rt.control.DataPointer = 0;
  return pc;
}

// READ of `letter` ('l', 'f', 's'): a variable takes the item, a temporary passes it to the
// array element it was read from, anything else (or a mismatched or missing item) gets 0.
// Constants are never written: a program's literals must keep their values.
Word* readData(Runtime& rt, Word* pc, char letter, int32_t varFirst, int32_t tempFirst) {
  ControlState& c = rt.control;
  const std::string& types = rt.image.DataTypes;
  Cell& target = operand(pc, 0);
  const int32_t t = cellNumber(rt, target);
  const int32_t dp = c.DataPointer;
  const bool have = dp >= 0 && dp < int32_t(types.size()) && types[size_t(dp)] == letter;
  const Cell* item = have ? &rt.image.ValueArea[DataCells + dp] : nullptr;
  if (item && t >= tempFirst && t < tempFirst + MaxTemporaries) {
    void* element = elementAt(rt.arrays, rt.arrays.ElementRefTable[t]);
    if (element && letter == 's') {
      char** s = static_cast<char**>(element);
      std::free(*s);
      *s = copyString(cellText(*item));
    } else if (element) {
      *static_cast<int32_t*>(element) = item->i;
    }
  } else if (t < IntConsts) {
    const bool fromItem = item && t >= varFirst && t < varFirst + MaxVariables;
    if (letter == 's') storeString(target, fromItem ? cellText(*item) : std::string_view());
    else target.i = fromItem ? item->i : 0;
  }
  if (dp != int32_t(types.size())) ++c.DataPointer;
  return pc + 1;
}

Word* opReadInteger(Runtime& rt, Word* pc) { return readData(rt, pc, 'l', IntVars, IntTemps); }
Word* opReadFloat(Runtime& rt, Word* pc) { return readData(rt, pc, 'f', FloatVars, FloatTemps); }
Word* opReadString(Runtime& rt, Word* pc) { return readData(rt, pc, 's', StringVars, StringTemps); }

const CommandRow Rows[] = {
    {1, "IF", "L", opBranchIfFalse, Flow::Branch},
    {2, "ELSE", "0", opJump, Flow::Jump},
    {5, "EXIT", "0", opJump, Flow::Jump},
    {6, "LOOP", "0", opJump, Flow::Jump},
    {7, "FOR", "LLL", opFor, Flow::Branch},
    {8, "NEXT", "L", opNext, Flow::Jump},
    {9, "WHILE", "L", opBranchIfFalse, Flow::Branch},
    {10, "ENDWHILE", "0", opJump, Flow::Jump},
    {12, "UNTIL", "L", opBranchIfFalse, Flow::Branch},
    {21, "FUNCTION", "0", opCallFunction, Flow::FunctionCall},
    {22, "ENDFUNCTION", "0", returnFromFunction<'0'>, Flow::End},
    {23, "ENDFUNCTION", "L", returnFromFunction<'L'>, Flow::End},
    {24, "ENDFUNCTION", "F", returnFromFunction<'F'>, Flow::End},
    {25, "ENDFUNCTION", "S", returnFromFunction<'S'>, Flow::End},
    {26, "STOP", "0", opStop, Flow::End},
    {27, "EXITFUNCTION", "0", returnFromFunction<'0'>, Flow::End},
    {28, "EXITFUNCTION", "L", returnFromFunction<'L'>, Flow::End},
    {29, "EXITFUNCTION", "F", returnFromFunction<'F'>, Flow::End},
    {30, "EXITFUNCTION", "S", returnFromFunction<'S'>, Flow::End},
    {31, "RESTORE", "A", opRestoreTo, Flow::Next, "I"},
    {32, "RESTORE", "0", opRestore},
    {33, "READ", "L", opReadInteger},
    {34, "READ", "F", opReadFloat},
    {35, "READ", "S", opReadString},
    {41, "GOSUB", "A", opGosub, Flow::CallOperand, "C"},
    {42, "GOTO", "A", opJump, Flow::JumpOperand, "C"},
    {43, "RETURN", "0", opReturn},
    {213, "END", "0", opEnd, Flow::End},
    {217, "BREAK", "0", opEnd, Flow::End},
};

}  // namespace

extern const std::span<const CommandRow> ControlRows(Rows);

}  // namespace zt
