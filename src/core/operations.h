// The commands the interpreter loop runs itself: assignments, integer and float arithmetic
// and comparisons, string assignment and concatenation, IF and the jumps, FOR/NEXT,
// GOSUB/RETURN, user-function calls and returns, and one-dimensional array element reads
// and writes. Each is an inline handler: the family files put it in their rows and the
// loop expands it in place, so a command's meaning is written once.
#pragma once

#include <bit>
#include <cmath>
#include <cstring>

#include "core/error_numbers.h"
#include "core/runtime.h"

namespace zt {

// ---- assignment ----

inline Word* opAssignWord(Runtime&, Word* pc) {
  operand(pc, 0).i = operand(pc, 1).i;
  return pc + 2;
}

inline Word* opAssignString(Runtime&, Word* pc) {
  storeString(operand(pc, 0), cellText(operand(pc, 1)));
  return pc + 2;
}

inline Word* opAssignFloatToInteger(Runtime&, Word* pc) {
  operand(pc, 0).i = truncToInt(operand(pc, 1).f);
  return pc + 2;
}

inline Word* opAssignIntegerToFloat(Runtime&, Word* pc) {
  operand(pc, 0).f = float(operand(pc, 1).i);
  return pc + 2;
}

// ---- arithmetic ----

inline int32_t bitAnd(int32_t a, int32_t b) { return a & b; }
inline int32_t bitOr(int32_t a, int32_t b) { return a | b; }

template <int32_t (*Op)(int32_t, int32_t)>
inline Word* opIntegerArith(Runtime&, Word* pc) {
  operand(pc, 0).i = Op(operand(pc, 1).i, operand(pc, 2).i);
  return pc + 3;
}

// Mixed forms work on the integer converted to float and give a float.
template <char L, char R, char Op>
inline Word* opFloatArith(Runtime&, Word* pc) {
  double a = num<L>(pc, 1), b = num<R>(pc, 2);
  operand(pc, 0).f = float(Op == '+' ? a + b : Op == '-' ? a - b : a * b);
  return pc + 3;
}

inline Word* opDivideInteger(Runtime& rt, Word* pc) {
  int32_t a = operand(pc, 1).i, b = operand(pc, 2).i;
  if (b == 0) {
    operand(pc, 0).i = 0;
    raiseSoftError(rt, ErrDivideByZero);
  } else {
    operand(pc, 0).i = b == -1 ? wrapSub(0, a) : a / b;
  }
  return pc + 3;
}

// ---- comparison ----

template <char Op, class T>
inline bool compare(T a, T b) {
  switch (Op) {
    case '=': return a == b;
    case '!': return a != b;
    case '>': return a > b;
    case 'g': return a >= b;
    case '<': return a < b;
    default: return a <= b;
  }
}

// A float operand of a comparison: an integer is first rounded to single precision, so
// that both sides are the values a float cell could hold, then compared exactly.
template <char Letter>
inline float comparedFloat(Word* pc, int i) {
  if constexpr (Letter == 'L') return float(operand(pc, i).i);
  else return operand(pc, i).f;
}

template <char Op>
inline Word* opCompareInteger(Runtime&, Word* pc) {
  operand(pc, 0).i = compare<Op>(operand(pc, 1).i, operand(pc, 2).i);
  return pc + 3;
}

template <char Op, char L, char R>
inline Word* opCompareFloat(Runtime&, Word* pc) {
  operand(pc, 0).i = compare<Op>(comparedFloat<L>(pc, 1), comparedFloat<R>(pc, 2));
  return pc + 3;
}

// ---- strings ----

inline Word* opConcatenate(Runtime& rt, Word* pc) {
  std::string_view a = cellText(operand(pc, 1)), b = cellText(operand(pc, 2));
  if (a.size() + b.size() > MaxStringLength) {
    raiseError(rt, ErrStringTooLong);
  } else {
    char joined[MaxStringLength];
    if (!a.empty()) std::memcpy(joined, a.data(), a.size());
    if (!b.empty()) std::memcpy(joined + a.size(), b.data(), b.size());
    storeString(operand(pc, 0), std::string_view(joined, a.size() + b.size()));
  }
  return pc + 3;
}

// ---- control ----

// IF, WHILE, UNTIL: continue when the condition holds, else jump.
inline Word* opBranchIfFalse(Runtime&, Word* pc) { return operand(pc, 0).i ? pc + 2 : pc[1].target; }

// ELSE, EXIT, LOOP, ENDWHILE, GOTO.
inline Word* opJump(Runtime&, Word* pc) { return pc[0].target; }

// NEXT jumps back to its FOR, which steps the variable and tests the limit.
inline Word* opNext(Runtime&, Word* pc) { return pc[1].target; }

inline Word* opFor(Runtime&, Word* pc) {
  Cell& v = operand(pc, 0);
  int32_t limit = operand(pc, 1).i, step = operand(pc, 2).i;
  v.i = wrapAdd(v.i, step);
  if ((step > 0 && v.i > limit) || (step < 0 && v.i < limit)) return pc[3].target;
  return pc + 4;
}

inline Word* opGosub(Runtime& rt, Word* pc) {
  ControlState& c = rt.control;
  if (c.CallDepth + 1 >= MaxCallDepth) {
    raiseError(rt, ErrCallDepth);
    return pc;
  }
  c.ReturnStack[c.CallDepth] = pc + 1;
  c.Frames[c.CallDepth].IsFunction = false;
  ++c.CallDepth;
  return pc[0].target;
}

// A RETURN that meets a function's frame would continue at the function call's operands,
// which are no command: the program ends there.
inline Word* opReturn(Runtime& rt, Word* pc) {
  ControlState& c = rt.control;
  if (c.CallDepth == 0) return pc;
  Word* back = c.ReturnStack[--c.CallDepth];
  return c.Frames[c.CallDepth].IsFunction ? endAtCommand(rt, back + 1) : back;
}

// ---- user functions ----

// A call whose argument count cell still holds the count the loader checked the layout
// with runs without checking it again; a program that overwrote that constant gets its
// layout checked, and a call that no longer fits ends the program instead of reading
// stray words.
inline Word* opCallFunction(Runtime& rt, Word* pc) {
  ControlState& c = rt.control;
  const int32_t d = c.CallDepth;
  if (d + 1 >= MaxCallDepth) {
    raiseError(rt, ErrCallDepth);
    return pc;
  }
  Word* e = pc;  // the call's word E
  Word* entry = e[0].target;
  const int32_t n = e[2].cell->i;
  if (uint32_t(n) != commandFact(commandWord(e)->n) && !callLayoutSound(rt, pc, entry, n)) return endAtCommand(rt, pc);
  FrameRecord& frame = c.Frames[d];
  c.ReturnStack[d] = e;
  frame.ParameterCount = int8_t(n);
  frame.Entry = entry;
  frame.IsFunction = true;
  if (d > 0) saveFrame(rt, c.Frames[d - 1]);
  const Cell* strings = rt.image.ValueArea.data() + StringVars;
  for (int32_t j = 0; j < n; ++j) {
    Cell& p = *entry[j].cell;
    const Cell& a = *e[3 + j].cell;
    if (&p < strings) p.i = a.i;
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
inline Word* returnFromFunction(Runtime& rt, Word* pc) {
  ControlState& c = rt.control;
  if (c.CallDepth == 0 || !c.Frames[c.CallDepth - 1].IsFunction)
    return endAtCommand(rt, pc);  // a return with no function to return from
  const int32_t d = --c.CallDepth;
  Word* e = c.ReturnStack[d];
  c.FunctionNumber = c.Frames[d].CallerFunction;
  Cell& r = *e[1].cell;
  if (cellKind(rt.image.cellIndex(&r)) == 'S')
    storeString(r, Kind == 'S' ? cellText(operand(pc, 0)) : std::string_view());
  else
    r.i = Kind == 'S' || Kind == '0' ? 0 : operand(pc, 0).i;
  const int32_t n = e[2].cell->i;
  if (uint32_t(n) != commandFact(commandWord(e)->n) &&
      (n < 0 || n > MaxFunctionParameters || !rt.image.isCommand(e + 3 + n)))
    return endAtCommand(rt, e);
  if (d > 0 && c.Frames[d - 1].Saved) restoreFrame(rt, c.Frames[d - 1]);
  return e + 3 + n;
}

// ---- array elements ----

// ArrayTable index of the array an element command works on (the loader recorded it in
// the command word), or -1 when its array operand is no array variable.
inline int arrayOperand(Word* pc) { return int(commandFact(commandWord(pc)->n)) - 1; }

// Flat index of the subscripts in operands first.., or -1 when it lies outside the
// array. Subscripts so large that their terms overflow are outside too.
template <int Dims>
inline int64_t flatIndex(Runtime& rt, Word* pc, int index, int first) {
  const ArrayDescriptor& d = rt.arrays.ArrayDescriptors[index];
  if constexpr (Dims == 1) {
    const int64_t flat = operand(pc, first).i;
    return flat >= 0 && flat < d.total ? flat : -1;
  }
  int64_t flat = 0, stride = 1;
  for (int k = 0; k < Dims; ++k) {
    const int64_t term = int64_t(operand(pc, first + k).i) * stride;
    if ((term > 0 && flat > INT64_MAX - term) || (term < 0 && flat < INT64_MIN - term)) return -1;
    flat += term;
    stride *= d.extent[k];
  }
  return flat >= 0 && flat < d.total ? flat : -1;
}

// Value letters: 'L' an integer, 'F' a float (copied bit for bit), 'I' an integer stored
// into a float array, 'S' a string.
template <char Kind, char Value, int Dims>
inline Word* opAssignElement(Runtime& rt, Word* pc) {
  const int index = arrayOperand(pc);
  void* block = index < 0 ? nullptr : rt.arrays.ArrayTable[index];
  if (block) {
    const int64_t flat = flatIndex<Dims>(rt, pc, index, 1);
    if (flat < 0) {
      raiseError(rt, ErrArrayIndex);
      return pc;
    }
    const Cell& v = operand(pc, 1 + Dims);
    if constexpr (Value == 'S')
      replaceString(static_cast<char**>(block)[flat], cellText(v));
    else if constexpr (Value == 'I')
      static_cast<int32_t*>(block)[flat] = std::bit_cast<int32_t>(float(v.i));
    else
      static_cast<int32_t*>(block)[flat] = v.i;
  }
  return pc + 2 + Dims;
}

// Reads an element into operand 0 and records it in the temporary's ElementRefTable
// entry. A read that yields no element clears the entry, so that a later store into the
// temporary cannot reach an element some earlier read left there.
template <char Kind, int Dims>
inline Word* opReadElement(Runtime& rt, Word* pc) {
  Cell& result = operand(pc, 0);
  const int32_t r = cellNumber(rt, result);
  ElementRef* ref = r >= 0 && r < IntVars ? &rt.arrays.ElementRefTable[r] : nullptr;
  const int index = arrayOperand(pc);
  void* block = index < 0 ? nullptr : rt.arrays.ArrayTable[index];
  if (!block) {
    if (ref) *ref = ElementRef{};
    if constexpr (Kind == 'S')
      storeString(result, " ");
    else
      result.i = 0;
    return pc + 2 + Dims;
  }
  const int64_t flat = flatIndex<Dims>(rt, pc, index, 2);
  if (flat < 0) {
    if (ref) *ref = ElementRef{};
    raiseError(rt, ErrArrayIndex);
    return pc;
  }
  if constexpr (Kind == 'S') {
    const char* element = static_cast<char**>(block)[flat];
    storeString(result, element ? element : " ");
  } else {
    result.i = static_cast<int32_t*>(block)[flat];
  }
  if (ref) *ref = ElementRef{index, int32_t(flat)};
  return pc + 2 + Dims;
}

}  // namespace zt
