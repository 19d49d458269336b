// Operators of expressions: arithmetic, comparison, bitwise, string concatenation and
// removal, assignment, INC and DEC. Each is a function command: operand 0 receives the
// result, operands 1 and 2 are the left and right values. Integer arithmetic wraps;
// mixed forms work on the integer converted to float and give a float.
#include <cmath>
#include <string>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/family.h"
#include "core/operations.h"

namespace zt {

namespace {

void storeFloat(Word* pc, double v) { operand(pc, 0).f = float(v); }
void storeTruth(Word* pc, bool v) { operand(pc, 0).i = v ? 1 : 0; }

// ---- arithmetic ----

// Power: the left value multiplied by itself exponent-1 times; an exponent of 1 or less
// gives the left value. Wrapping products are associative, so squaring gives the same.
Word* opPowerInteger(Runtime&, Word* pc) {
  int32_t base = operand(pc, 1).i, exponent = operand(pc, 2).i;
  uint32_t result = uint32_t(base), factor = uint32_t(base);
  for (uint32_t times = exponent > 1 ? uint32_t(exponent) - 1 : 0; times; times >>= 1) {
    if (times & 1) result *= factor;
    factor *= factor;
  }
  operand(pc, 0).i = int32_t(result);
  return pc + 3;
}

Word* opPowerFloat(Runtime&, Word* pc) {
  long double base = operand(pc, 1).f;
  int32_t exponent = operand(pc, 2).i;
  long double result = base;
  constexpr int32_t LoopLimit = 1024;  // beyond it the product has long left float range
  if (exponent > LoopLimit) result = std::pow(base, (long double)exponent);
  else
    for (int32_t i = 1; i + 1 <= exponent; ++i) result *= base;
  storeFloat(pc, double(result));
  return pc + 3;
}

template <char L, char R>
Word* opDivideFloat(Runtime& rt, Word* pc) {
  double b = num<R>(pc, 2);
  if (b == 0.0) {
    operand(pc, 0).f = 0.0f;
    raiseSoftError(rt, ErrDivideByZero);
  } else {
    storeFloat(pc, num<L>(pc, 1) / b);
  }
  return pc + 3;
}

// ---- comparison ----

template <char Op>
Word* opCompareString(Runtime&, Word* pc) {
  storeTruth(pc, compare<Op>(cellText(operand(pc, 1)), cellText(operand(pc, 2))));
  return pc + 3;
}

// ---- strings ----

// Removes the first occurrence of the right string from the left one.
Word* opRemove(Runtime&, Word* pc) {
  std::string left(cellText(operand(pc, 1)));
  std::string_view right = cellText(operand(pc, 2));
  if (!right.empty() && right.size() <= left.size()) {
    size_t at = left.find(right);
    if (at != std::string::npos) left.erase(at, right.size());
  }
  storeString(operand(pc, 0), left);
  return pc + 3;
}

// ---- INC and DEC: only on a variable of their type ----

// `Kind` is the variable's type; the amount, when there is one, is always a float.
template <char Kind, int Sign, bool Amount>
Word* step(Runtime& rt, Word* pc) {
  Cell& v = operand(pc, 0);
  const int32_t n = cellNumber(rt, v);
  if (Kind == 'L' ? !isIntVariable(n) : !isFloatVariable(n)) {
    raiseError(rt, Sign > 0 ? ErrIncOperand : ErrDecOperand);
    return pc;
  }
  if constexpr (Kind == 'L') {
    int32_t amount = Amount ? truncToInt(operand(pc, 1).f) : 1;
    v.i = Sign > 0 ? wrapAdd(v.i, amount) : wrapSub(v.i, amount);
  } else {
    double amount = Amount ? double(operand(pc, 1).f) : 1.0;
    v.f = float(Sign > 0 ? double(v.f) + amount : double(v.f) - amount);
  }
  return pc + (Amount ? 2 : 1);
}

const CommandRow Rows[] = {
    {CmdPowerLLL, opPowerInteger},
    {CmdPowerFFL, opPowerFloat},
    {CmdDivideLLL, opDivideInteger},
    {CmdDivideFLF, opDivideFloat<'L', 'F'>},
    {CmdDivideFFL, opDivideFloat<'F', 'L'>},
    {CmdDivideFFF, opDivideFloat<'F', 'F'>},
    {CmdMultiplyLLL, opIntegerArith<wrapMul>},
    {CmdMultiplyFLF, opFloatArith<'L', 'F', '*'>},
    {CmdMultiplyFFL, opFloatArith<'F', 'L', '*'>},
    {CmdMultiplyFFF, opFloatArith<'F', 'F', '*'>},
    {CmdAddLLL, opIntegerArith<wrapAdd>},
    {CmdAddFLF, opFloatArith<'L', 'F', '+'>},
    {CmdAddFFL, opFloatArith<'F', 'L', '+'>},
    {CmdAddFFF, opFloatArith<'F', 'F', '+'>},
    {CmdAddSSS, opConcatenate},
    {CmdSubtractLLL, opIntegerArith<wrapSub>},
    {CmdSubtractFLF, opFloatArith<'L', 'F', '-'>},
    {CmdSubtractFFL, opFloatArith<'F', 'L', '-'>},
    {CmdSubtractFFF, opFloatArith<'F', 'F', '-'>},
    {CmdSubtractSSS, opRemove},
    {CmdEqualLLL, opCompareInteger<'='>},
    {CmdEqualLFF, opCompareFloat<'=', 'F', 'F'>},
    {CmdEqualLSS, opCompareString<'='>},
    {CmdGreaterLLL, opCompareInteger<'>'>},
    {CmdGreaterLFF, opCompareFloat<'>', 'F', 'F'>},
    {CmdGreaterEqualLLL, opCompareInteger<'g'>},
    {CmdGreaterEqualLFF, opCompareFloat<'g', 'F', 'F'>},
    {CmdLessLLL, opCompareInteger<'<'>},
    {CmdLessLFF, opCompareFloat<'<', 'F', 'F'>},
    {CmdLessEqualLLL, opCompareInteger<'l'>},
    {CmdLessEqualLFF, opCompareFloat<'l', 'F', 'F'>},
    {CmdNotEqualLLL, opCompareInteger<'!'>},
    {CmdNotEqualLFF, opCompareFloat<'!', 'F', 'F'>},
    {CmdNotEqualLSS, opCompareString<'!'>},
    {CmdAnd, opIntegerArith<bitAnd>},
    {CmdOr, opIntegerArith<bitOr>},
    {CmdEqualLLF, opCompareFloat<'=', 'L', 'F'>},
    {CmdEqualLFL, opCompareFloat<'=', 'F', 'L'>},
    {CmdGreaterLLF, opCompareFloat<'>', 'L', 'F'>},
    {CmdGreaterLFL, opCompareFloat<'>', 'F', 'L'>},
    {CmdGreaterEqualLLF, opCompareFloat<'g', 'L', 'F'>},
    {CmdGreaterEqualLFL, opCompareFloat<'g', 'F', 'L'>},
    {CmdLessLLF, opCompareFloat<'<', 'L', 'F'>},
    {CmdLessLFL, opCompareFloat<'<', 'F', 'L'>},
    {CmdLessEqualLLF, opCompareFloat<'l', 'L', 'F'>},
    {CmdLessEqualLFL, opCompareFloat<'l', 'F', 'L'>},
    {CmdNotEqualLLF, opCompareFloat<'!', 'L', 'F'>},
    {CmdNotEqualLFL, opCompareFloat<'!', 'F', 'L'>},
    {CmdAssignLL, opAssignWord},
    {CmdAssignFF, opAssignWord},
    {CmdAssignSS, opAssignString},
    {CmdAssignLF, opAssignFloatToInteger},
    {CmdAssignFL, opAssignIntegerToFloat},
    {CmdIncF, step<'F', 1, false>},
    {CmdIncL, step<'L', 1, false>},
    {CmdIncFF, step<'F', 1, true>},
    {CmdIncLF, step<'L', 1, true>},
    {CmdDecF, step<'F', -1, false>},
    {CmdDecL, step<'L', -1, false>},
    {CmdDecFF, step<'F', -1, true>},
    {CmdDecLF, step<'L', -1, true>},
};

}  // namespace

extern const std::span<const CommandRow> OperatorRows(Rows);

}  // namespace zt
