// Control flow: conditionals, loops, jumps, GOSUB/RETURN, user-function calls and
// returns, DATA/READ/RESTORE and program end. Owns the ControlState.
// A control command that jumps carries its target in the word after its operands.
#include "core/control.h"

#include <cstdlib>

#include "core/family.h"
#include "core/operations.h"

namespace zt {

namespace {

// Frees the string blocks on the save stack from `first` on and drops them.
void dropSavedStrings(ControlState& control, size_t first) {
  for (size_t i = first; i < control.SavedStringStack.size(); ++i) std::free(control.SavedStringStack[i]);
  control.SavedStringStack.resize(first);
}

}  // namespace

ControlState::~ControlState() { dropSavedStrings(*this, 0); }

void resetControl(ControlState& control) {
  control.CallDepth = 0;
  control.FunctionNumber = 0;
  control.ReturnStack.fill(nullptr);
  for (FrameRecord& f : control.Frames) f = FrameRecord{};
  control.SavedValueStack.clear();
  dropSavedStrings(control, 0);
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
// the running function owns that are not arrays (the loader lists them per function).
// Save and restore walk the same list.
enum class Item { Value, ParameterString, VariableString };

template <class Visit>
void visitFrame(Runtime& rt, const FrameRecord& frame, Visit&& visit) {
  ProgramImage& img = rt.image;
  for (int j = 0; j < frame.ParameterCount; ++j) {
    Cell& p = *frame.Entry[j].cell;
    visit(p, isNumericVariable(img.cellIndex(&p)) ? Item::Value : Item::ParameterString);
  }
  for (int32_t n : img.ownedCells(rt.control.FunctionNumber)) {
    if (rt.arrays.ArrayTable[size_t(n - IntVars)]) continue;
    visit(img.ValueArea[size_t(n)], isStringVariable(n) ? Item::VariableString : Item::Value);
  }
}

void saveFrame(Runtime& rt, FrameRecord& frame) {
  ControlState& c = rt.control;
  frame.SavedValues = uint32_t(c.SavedValueStack.size());
  frame.SavedStrings = uint32_t(c.SavedStringStack.size());
  visitFrame(rt, frame, [&](Cell& cell, Item item) {
    if (item == Item::Value) c.SavedValueStack.push_back(cell.i);
    else if (item == Item::ParameterString || cell.s) c.SavedStringStack.push_back(copyString(cellText(cell)));
  });
  frame.Saved = true;
}

// Saved strings move back into their cells; what the walk does not take back is freed.
void restoreFrame(Runtime& rt, FrameRecord& frame) {
  ControlState& c = rt.control;
  size_t nextValue = frame.SavedValues, nextString = frame.SavedStrings;
  visitFrame(rt, frame, [&](Cell& cell, Item item) {
    if (item == Item::Value) {
      if (nextValue < c.SavedValueStack.size()) cell.i = c.SavedValueStack[nextValue++];
    } else if ((item == Item::ParameterString || cell.s) && nextString < c.SavedStringStack.size()) {
      std::free(cell.s);
      cell.s = c.SavedStringStack[nextString];
      c.SavedStringStack[nextString++] = nullptr;
    }
  });
  c.SavedValueStack.resize(frame.SavedValues);
  if (c.SavedStringStack.size() > frame.SavedStrings) dropSavedStrings(c, frame.SavedStrings);
  frame.Saved = false;
}

// The call layout can only have changed since loading if the program overwrote its own
// argument-count constant; such a call ends the program instead of reading stray words.
bool callLayoutSound(Runtime& rt, Word* pc, Word* entry, int32_t n) {
  ProgramImage& img = rt.image;
  const Word* args = pc + 3;
  if (n < 0 || n > MaxFunctionParameters || !img.isCommand(args + n) || !img.isCommand(entry + n + 1)) return false;
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
  if (c.CallDepth == 0 || !c.Frames[c.CallDepth - 1].IsFunction)
    return endAtCommand(rt, pc);  // a return with no function to return from
  const int32_t d = --c.CallDepth;
  Word* e = c.ReturnStack[d];
  c.FunctionNumber = c.Frames[d].CallerFunction;
  Cell& r = *e[1].cell;
  const bool stringResult = cellKind(rt.image.cellIndex(&r)) == 'S';
  if (stringResult)
    storeString(r, Kind == 'S' ? cellText(operand(pc, 0)) : std::string_view());
  else
    r.i = Kind == 'S' || Kind == '0' ? 0 : operand(pc, 0).i;
  const int32_t n = e[2].cell->i;
  if (n < 0 || n > MaxFunctionParameters || !rt.image.isCommand(e + 3 + n)) return endAtCommand(rt, e);
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
