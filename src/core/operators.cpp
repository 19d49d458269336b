// Operators of expressions: arithmetic, comparison, bitwise, string concatenation and
// removal, assignment, INC and DEC. Each is a function command: operand 0 receives the
// result, operands 1 and 2 are the left and right values. Integer arithmetic wraps;
// mixed forms work on the integer converted to float and give a float.
#include <cmath>
#include <string>

#include "core/family.h"
#include "core/runtime.h"

namespace zt {

namespace {

constexpr int32_t ErrStringTooLong = 107;
constexpr int32_t ErrDivideByZero = 111;
constexpr int32_t ErrIncOperand = 114;
constexpr int32_t ErrDecOperand = 115;

void storeFloat(Runtime& rt, double v) { operand(rt, 0).f = float(v); }
void storeTruth(Runtime& rt, bool v) { operand(rt, 0).i = v ? 1 : 0; }

// ---- arithmetic ----

// Power: the left value multiplied by itself exponent-1 times; an exponent of 1 or less
// gives the left value. Wrapping products are associative, so squaring gives the same.
void opPowerInteger(Runtime& rt) {
  int32_t base = operand(rt, 1).i, exponent = operand(rt, 2).i;
  uint32_t result = uint32_t(base), factor = uint32_t(base);
  for (uint32_t times = exponent > 1 ? uint32_t(exponent) - 1 : 0; times; times >>= 1) {
    if (times & 1) result *= factor;
    factor *= factor;
  }
  operand(rt, 0).i = int32_t(result);
  skipOperands(rt, 3);
}

void opPowerFloat(Runtime& rt) {
  long double base = operand(rt, 1).f;
  int32_t exponent = operand(rt, 2).i;
  long double result = base;
  constexpr int32_t LoopLimit = 1024;  // beyond it the product has long left float range
  if (exponent > LoopLimit) result = std::pow(base, (long double)exponent);
  else
    for (int32_t i = 1; i + 1 <= exponent; ++i) result *= base;
  storeFloat(rt, double(result));
  skipOperands(rt, 3);
}

void opDivideInteger(Runtime& rt) {
  int32_t a = operand(rt, 1).i, b = operand(rt, 2).i;
  if (b == 0) {
    operand(rt, 0).i = 0;
    raiseSoftError(rt, ErrDivideByZero);
  } else {
    operand(rt, 0).i = b == -1 ? wrapSub(0, a) : a / b;
  }
  skipOperands(rt, 3);
}

template <char L, char R>
void opDivideFloat(Runtime& rt) {
  double b = num<R>(rt, 2);
  if (b == 0.0) {
    operand(rt, 0).f = 0.0f;
    raiseSoftError(rt, ErrDivideByZero);
  } else {
    storeFloat(rt, num<L>(rt, 1) / b);
  }
  skipOperands(rt, 3);
}

template <int32_t (*Op)(int32_t, int32_t)>
void opIntegerArith(Runtime& rt) {
  operand(rt, 0).i = Op(operand(rt, 1).i, operand(rt, 2).i);
  skipOperands(rt, 3);
}

template <char L, char R, char Op>
void opFloatArith(Runtime& rt) {
  double a = num<L>(rt, 1), b = num<R>(rt, 2);
  storeFloat(rt, Op == '+' ? a + b : Op == '-' ? a - b : a * b);
  skipOperands(rt, 3);
}

// ---- comparison ----

template <char Op, class T>
bool compare(T a, T b) {
  switch (Op) {
    case '=': return a == b;
    case '!': return a != b;
    case '>': return a > b;
    case 'g': return a >= b;
    case '<': return a < b;
    default: return a <= b;
  }
}

template <char Op>
void opCompareInteger(Runtime& rt) {
  storeTruth(rt, compare<Op>(operand(rt, 1).i, operand(rt, 2).i));
  skipOperands(rt, 3);
}

template <char Op, char L, char R>
void opCompareFloat(Runtime& rt) {
  storeTruth(rt, compare<Op>(num<L>(rt, 1), num<R>(rt, 2)));
  skipOperands(rt, 3);
}

template <char Op>
void opCompareString(Runtime& rt) {
  storeTruth(rt, compare<Op>(cellText(operand(rt, 1)), cellText(operand(rt, 2))));
  skipOperands(rt, 3);
}

int32_t bitAnd(int32_t a, int32_t b) { return a & b; }
int32_t bitOr(int32_t a, int32_t b) { return a | b; }

// ---- strings ----

void opConcatenate(Runtime& rt) {
  std::string_view a = cellText(operand(rt, 1)), b = cellText(operand(rt, 2));
  if (a.size() + b.size() > MaxStringLength) {
    raiseError(rt, ErrStringTooLong);
  } else {
    std::string joined;
    joined.reserve(a.size() + b.size());
    joined.append(a).append(b);
    storeString(operand(rt, 0), joined);
  }
  skipOperands(rt, 3);
}

// Removes the first occurrence of the right string from the left one.
void opRemove(Runtime& rt) {
  std::string left(cellText(operand(rt, 1)));
  std::string_view right = cellText(operand(rt, 2));
  if (!right.empty() && right.size() <= left.size()) {
    size_t at = left.find(right);
    if (at != std::string::npos) left.erase(at, right.size());
  }
  storeString(operand(rt, 0), left);
  skipOperands(rt, 3);
}

// ---- assignment ----

void opAssignWord(Runtime& rt) {
  operand(rt, 0).i = operand(rt, 1).i;
  skipOperands(rt, 2);
}

void opAssignString(Runtime& rt) {
  storeString(operand(rt, 0), cellText(operand(rt, 1)));
  skipOperands(rt, 2);
}

void opAssignFloatToInteger(Runtime& rt) {
  operand(rt, 0).i = truncToInt(operand(rt, 1).f);
  skipOperands(rt, 2);
}

void opAssignIntegerToFloat(Runtime& rt) {
  operand(rt, 0).f = float(operand(rt, 1).i);
  skipOperands(rt, 2);
}

// ---- INC and DEC: only on a variable of their type ----

// `Kind` is the variable's type; the amount, when there is one, is always a float.
template <char Kind, int Sign, bool Amount>
void step(Runtime& rt) {
  Cell& v = operand(rt, 0);
  const int32_t n = cellNumber(rt, v);
  if (Kind == 'L' ? !isIntVariable(n) : !isFloatVariable(n)) {
    raiseError(rt, Sign > 0 ? ErrIncOperand : ErrDecOperand);
    return;
  }
  if constexpr (Kind == 'L') {
    int32_t amount = Amount ? truncToInt(operand(rt, 1).f) : 1;
    v.i = Sign > 0 ? wrapAdd(v.i, amount) : wrapSub(v.i, amount);
  } else {
    double amount = Amount ? double(operand(rt, 1).f) : 1.0;
    v.f = float(Sign > 0 ? double(v.f) + amount : double(v.f) - amount);
  }
  skipOperands(rt, Amount ? 2 : 1);
}

const CommandRow Rows[] = {
    {51, "^[", "LLL", opPowerInteger},
    {52, "^[", "FFL", opPowerFloat},
    {61, "/[", "LLL", opDivideInteger},
    {64, "/[", "FLF", opDivideFloat<'L', 'F'>},
    {65, "/[", "FFL", opDivideFloat<'F', 'L'>},
    {66, "/[", "FFF", opDivideFloat<'F', 'F'>},
    {71, "*[", "LLL", opIntegerArith<wrapMul>},
    {74, "*[", "FLF", opFloatArith<'L', 'F', '*'>},
    {75, "*[", "FFL", opFloatArith<'F', 'L', '*'>},
    {76, "*[", "FFF", opFloatArith<'F', 'F', '*'>},
    {81, "+[", "LLL", opIntegerArith<wrapAdd>},
    {84, "+[", "FLF", opFloatArith<'L', 'F', '+'>},
    {85, "+[", "FFL", opFloatArith<'F', 'L', '+'>},
    {86, "+[", "FFF", opFloatArith<'F', 'F', '+'>},
    {87, "+[", "SSS", opConcatenate},
    {91, "-[", "LLL", opIntegerArith<wrapSub>},
    {94, "-[", "FLF", opFloatArith<'L', 'F', '-'>},
    {95, "-[", "FFL", opFloatArith<'F', 'L', '-'>},
    {96, "-[", "FFF", opFloatArith<'F', 'F', '-'>},
    {97, "-[", "SSS", opRemove},
    {101, "==[", "LLL", opCompareInteger<'='>},
    {102, "==[", "LFF", opCompareFloat<'=', 'F', 'F'>},
    {103, "==[", "LSS", opCompareString<'='>},
    {111, ">[", "LLL", opCompareInteger<'>'>},
    {112, ">[", "LFF", opCompareFloat<'>', 'F', 'F'>},
    {113, ">=[", "LLL", opCompareInteger<'g'>},
    {114, ">=[", "LFF", opCompareFloat<'g', 'F', 'F'>},
    {115, "<[", "LLL", opCompareInteger<'<'>},
    {116, "<[", "LFF", opCompareFloat<'<', 'F', 'F'>},
    {117, "<=[", "LLL", opCompareInteger<'l'>},
    {118, "<=[", "LFF", opCompareFloat<'l', 'F', 'F'>},
    {119, "![", "LLL", opCompareInteger<'!'>},
    {120, "![", "LFF", opCompareFloat<'!', 'F', 'F'>},
    {121, "![", "LSS", opCompareString<'!'>},
    {123, "&[", "LLL", opIntegerArith<bitAnd>},
    {124, "|[", "LLL", opIntegerArith<bitOr>},
    {131, "==[", "LLF", opCompareFloat<'=', 'L', 'F'>},
    {132, "==[", "LFL", opCompareFloat<'=', 'F', 'L'>},
    {133, ">[", "LLF", opCompareFloat<'>', 'L', 'F'>},
    {134, ">[", "LFL", opCompareFloat<'>', 'F', 'L'>},
    {135, ">=[", "LLF", opCompareFloat<'g', 'L', 'F'>},
    {136, ">=[", "LFL", opCompareFloat<'g', 'F', 'L'>},
    {137, "<[", "LLF", opCompareFloat<'<', 'L', 'F'>},
    {138, "<[", "LFL", opCompareFloat<'<', 'F', 'L'>},
    {139, "<=[", "LLF", opCompareFloat<'l', 'L', 'F'>},
    {140, "<=[", "LFL", opCompareFloat<'l', 'F', 'L'>},
    {141, "![", "LLF", opCompareFloat<'!', 'L', 'F'>},
    {142, "![", "LFL", opCompareFloat<'!', 'F', 'L'>},
    {151, "=", "LL", opAssignWord},
    {152, "=", "FF", opAssignWord},
    {153, "=", "SS", opAssignString},
    {154, "=", "LF", opAssignFloatToInteger},
    {155, "=", "FL", opAssignIntegerToFloat},
    {411, "INC", "F", step<'F', 1, false>},
    {412, "INC", "L", step<'L', 1, false>},
    {413, "INC", "FF", step<'F', 1, true>},
    {414, "INC", "LF", step<'L', 1, true>},
    {421, "DEC", "F", step<'F', -1, false>},
    {422, "DEC", "L", step<'L', -1, false>},
    {423, "DEC", "FF", step<'F', -1, true>},
    {424, "DEC", "LF", step<'L', -1, true>},
};

}  // namespace

extern const std::span<const CommandRow> OperatorRows(Rows);

}  // namespace zt
