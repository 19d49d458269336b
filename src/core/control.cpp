// Control flow: conditionals, loops, jumps, GOSUB/RETURN, user-function calls and
// returns, DATA/READ/RESTORE and program end. Owns the ControlState.
// A control command that jumps carries its target in the word after its operands.
#include "core/control.h"

#include <algorithm>
#include <cstdlib>

#include "command_ids.h"
#include "core/error_numbers.h"
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
  control.SavedValueTop = 0;
  dropSavedStrings(control, 0);
}

// The frame below a call: its parameters, then the integer, float and string variables
// the running function owns that are not arrays (the loader lists them per function).
// Numbers and strings go to their own stacks, so each is saved and restored in a pass of
// its own, in that order.
void saveFrame(Runtime& rt, FrameRecord& frame) {
  ControlState& c = rt.control;
  ProgramImage& img = rt.image;
  const std::span<const int32_t> numbers = img.ownedNumbers(c.FunctionNumber);
  const std::span<const int32_t> strings = img.ownedStrings(c.FunctionNumber);
  const size_t need = size_t(c.SavedValueTop) + size_t(frame.ParameterCount) + numbers.size();
  if (need > c.SavedValueStack.size()) c.SavedValueStack.resize(std::max(need, 2 * c.SavedValueStack.size()));
  Cell* v = img.ValueArea.data();
  void* const* arrays = rt.arrays.ArrayTable.data();
  int32_t* const first = c.SavedValueStack.data() + c.SavedValueTop;
  int32_t* top = first;
  bool stringParameters = false;
  for (int j = 0; j < frame.ParameterCount; ++j) {
    const Cell* p = frame.Entry[j].cell;
    if (p < v + StringVars) *top++ = p->i;
    else stringParameters = true;
  }
  if (rt.arrays.LiveArrays == 0) {
    for (int32_t n : numbers) *top++ = v[n].i;
  } else {
    for (int32_t n : numbers)
      if (!arrays[n - IntVars]) *top++ = v[n].i;
  }
  frame.SavedValues = c.SavedValueTop;
  frame.SavedStrings = uint32_t(c.SavedStringStack.size());
  c.SavedValueTop += uint32_t(top - first);
  frame.Saved = true;
  if (!stringParameters && strings.empty()) return;
  for (int j = 0; j < frame.ParameterCount; ++j) {
    const Cell* p = frame.Entry[j].cell;
    if (p >= v + StringVars) c.SavedStringStack.push_back(copyString(cellText(*p)));
  }
  for (int32_t n : strings)
    if (!arrays[n - IntVars] && v[n].s) c.SavedStringStack.push_back(copyString(cellText(v[n])));
}

// The same walk as the save; saved strings move back into their cells and what the walk
// does not take back is freed. An array made or freed meanwhile can make the walk meet
// more cells than were saved: those keep their values.
void restoreFrame(Runtime& rt, FrameRecord& frame) {
  ControlState& c = rt.control;
  ProgramImage& img = rt.image;
  Cell* v = img.ValueArea.data();
  void* const* arrays = rt.arrays.ArrayTable.data();
  const int32_t* next = c.SavedValueStack.data() + frame.SavedValues;
  const int32_t* const end = c.SavedValueStack.data() + c.SavedValueTop;
  for (int j = 0; j < frame.ParameterCount; ++j) {
    Cell* p = frame.Entry[j].cell;
    if (p < v + StringVars && next < end) p->i = *next++;
  }
  const std::span<const int32_t> numbers = img.ownedNumbers(c.FunctionNumber);
  if (rt.arrays.LiveArrays == 0 && size_t(end - next) >= numbers.size()) {
    for (int32_t n : numbers) v[n].i = *next++;
  } else {
    for (int32_t n : numbers)
      if (!arrays[n - IntVars] && next < end) v[n].i = *next++;
  }
  c.SavedValueTop = frame.SavedValues;
  frame.Saved = false;
  if (c.SavedStringStack.size() == frame.SavedStrings) return;
  size_t nextString = frame.SavedStrings;
  auto take = [&](Cell& cell) {
    if (nextString >= c.SavedStringStack.size()) return;
    std::free(cell.s);
    cell.s = c.SavedStringStack[nextString];
    c.SavedStringStack[nextString++] = nullptr;
  };
  for (int j = 0; j < frame.ParameterCount; ++j) {
    Cell* p = frame.Entry[j].cell;
    if (p >= v + StringVars) take(*p);
  }
  for (int32_t n : img.ownedStrings(c.FunctionNumber))
    if (!arrays[n - IntVars] && v[n].s) take(v[n]);
  dropSavedStrings(c, frame.SavedStrings);
}

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

namespace {

Word* opEnd(Runtime& rt, Word* pc) {
  postQuit(rt);
  rt.interp.YieldFlag = true;
  return pc;
}

Word* opStop(Runtime& rt, Word* pc) {
  raiseError(rt, ErrProgramStopped);
  return pc;
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
    {CmdIf, opBranchIfFalse, Flow::Branch},
    {CmdElse, opJump, Flow::Jump},
    {CmdExit, opJump, Flow::Jump},
    {CmdLoop, opJump, Flow::Jump},
    {CmdFor, opFor, Flow::Branch},
    {CmdNext, opNext, Flow::Jump},
    {CmdWhile, opBranchIfFalse, Flow::Branch},
    {CmdEndwhile, opJump, Flow::Jump},
    {CmdUntil, opBranchIfFalse, Flow::Branch},
    {CmdFunction, opCallFunction, Flow::FunctionCall},
    {CmdEndfunction0, returnFromFunction<'0'>, Flow::End},
    {CmdEndfunctionL, returnFromFunction<'L'>, Flow::End},
    {CmdEndfunctionF, returnFromFunction<'F'>, Flow::End},
    {CmdEndfunctionS, returnFromFunction<'S'>, Flow::End},
    {CmdStop, opStop, Flow::End},
    {CmdExitfunction0, returnFromFunction<'0'>, Flow::End},
    {CmdExitfunctionL, returnFromFunction<'L'>, Flow::End},
    {CmdExitfunctionF, returnFromFunction<'F'>, Flow::End},
    {CmdExitfunctionS, returnFromFunction<'S'>, Flow::End},
    {CmdRestoreA, opRestoreTo, Flow::Next, "I"},
    {CmdRestore0, opRestore},
    {CmdReadL, opReadInteger},
    {CmdReadF, opReadFloat},
    {CmdReadS, opReadString},
    {CmdGosub, opGosub, Flow::CallOperand, "C"},
    {CmdGoto, opJump, Flow::JumpOperand, "C"},
    {CmdReturn, opReturn, Flow::Return},
    {CmdEnd, opEnd, Flow::End},
    {CmdBreak, opEnd, Flow::End},
};

}  // namespace

extern const std::span<const CommandRow> ControlRows(Rows);

}  // namespace zt
