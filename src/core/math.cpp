// Numeric functions: absolute value and truncation, trigonometry in degrees, hyperbolic
// functions, square root, EXP's sum, and the random generator (RND, RANDOMIZE). Owns the
// RandomState. Angles convert with the language's own factors, not pi/180; results are
// computed in double precision and stored as single. Domain errors give not-a-number.
#include <cmath>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/family.h"
#include "core/runtime.h"

namespace zt {

namespace {

constexpr double DegreesToRadians = 0.01745;
constexpr double RadiansToDegrees = 57.306590257879655;

double sine(double x) { return std::sin(x); }
double cosine(double x) { return std::cos(x); }
double tangent(double x) { return std::tan(x); }
double arcSine(double x) { return std::asin(x); }
double arcCosine(double x) { return std::acos(x); }
double arcTangent(double x) { return std::atan(x); }
double hyperbolicSine(double x) { return std::sinh(x); }
double hyperbolicCosine(double x) { return std::cosh(x); }
double hyperbolicTangent(double x) { return std::tanh(x); }
double squareRoot(double x) { return std::sqrt(x); }
double absolute(double x) { return std::fabs(x); }

enum class Angle { None, In, Out };

// A float function of one argument; `Unit` says whether degrees go in or come out.
template <double (*F)(double), char Arg, Angle Unit>
Word* opFloatFunction(Runtime&, Word* pc) {
  double x = num<Arg>(pc, 1);
  if constexpr (Unit == Angle::In) x *= DegreesToRadians;
  double y = F(x);
  if constexpr (Unit == Angle::Out) y *= RadiansToDegrees;
  operand(pc, 0).f = float(y);
  return pc + 2;
}

template <char A, char B>
Word* opArcTangentFull(Runtime&, Word* pc) {
  operand(pc, 0).f = float(std::atan2(num<A>(pc, 1), num<B>(pc, 2)) * RadiansToDegrees);
  return pc + 3;
}

Word* opAbsInteger(Runtime&, Word* pc) {
  int32_t v = truncToInt(operand(pc, 1).f);
  operand(pc, 0).i = v < 0 ? wrapSub(0, v) : v;
  return pc + 2;
}

Word* opInt(Runtime&, Word* pc) {
  operand(pc, 0).i = truncToInt(operand(pc, 1).f);
  return pc + 2;
}

// n + (n-1) + ... + 1 in wrapping 32-bit arithmetic; n itself when n <= 0.
Word* opExp(Runtime&, Word* pc) {
  int32_t n = operand(pc, 1).i;
  operand(pc, 0).i = n <= 0 ? n : int32_t(uint32_t(uint64_t(n) * (uint64_t(n) + 1) / 2));
  return pc + 2;
}

// One draw modulo limit+1; a negative limit or 2147483647 raises 113 and stores nothing.
template <bool FloatResult>
Word* opRnd(Runtime& rt, Word* pc) {
  uint32_t limit = uint32_t(operand(pc, 1).i);
  if (limit > 2147483646u) {
    raiseError(rt, ErrRandomLimit);
  } else {
    int32_t v = drawRandom(rt.random) % int32_t(limit + 1);
    if constexpr (FloatResult)
      operand(pc, 0).f = float(v);
    else
      operand(pc, 0).i = v;
  }
  return pc + 2;
}

Word* opRandomize(Runtime& rt, Word* pc) {
  rt.random.state = uint32_t(operand(pc, 0).i);
  return pc + 1;
}

const CommandRow Rows[] = {
    {CmdAbsLF, opAbsInteger},
    {CmdAcosFF, opFloatFunction<arcCosine, 'F', Angle::Out>},
    {CmdAsinFF, opFloatFunction<arcSine, 'F', Angle::Out>},
    {CmdAtanFF, opFloatFunction<arcTangent, 'F', Angle::Out>},
    {CmdExp, opExp},
    {CmdHcosFF, opFloatFunction<hyperbolicCosine, 'F', Angle::In>},
    {CmdHsinFF, opFloatFunction<hyperbolicSine, 'F', Angle::In>},
    {CmdHtanFF, opFloatFunction<hyperbolicTangent, 'F', Angle::In>},
    {CmdInt, opInt},
    {CmdRandomize, opRandomize},
    {CmdRndFL, opRnd<true>},
    {CmdSqrtFF, opFloatFunction<squareRoot, 'F', Angle::None>},
    {CmdSqrtFL, opFloatFunction<squareRoot, 'L', Angle::None>},
    {CmdCosFF, opFloatFunction<cosine, 'F', Angle::In>},
    {CmdCosFL, opFloatFunction<cosine, 'L', Angle::In>},
    {CmdSinFF, opFloatFunction<sine, 'F', Angle::In>},
    {CmdSinFL, opFloatFunction<sine, 'L', Angle::In>},
    {CmdAcosFL, opFloatFunction<arcCosine, 'L', Angle::Out>},
    {CmdAsinFL, opFloatFunction<arcSine, 'L', Angle::Out>},
    {CmdAtanFL, opFloatFunction<arcTangent, 'L', Angle::Out>},
    {CmdAtanfullFFF, opArcTangentFull<'F', 'F'>},
    {CmdAtanfullFLF, opArcTangentFull<'L', 'F'>},
    {CmdAtanfullFFL, opArcTangentFull<'F', 'L'>},
    {CmdAtanfullFLL, opArcTangentFull<'L', 'L'>},
    {CmdAbsFF, opFloatFunction<absolute, 'F', Angle::None>},
    {CmdHcosFL, opFloatFunction<hyperbolicCosine, 'L', Angle::In>},
    {CmdHsinFL, opFloatFunction<hyperbolicSine, 'L', Angle::In>},
    {CmdHtanFL, opFloatFunction<hyperbolicTangent, 'L', Angle::In>},
    {CmdTanFF, opFloatFunction<tangent, 'F', Angle::In>},
    {CmdTanFL, opFloatFunction<tangent, 'L', Angle::In>},
    {CmdRndLL, opRnd<false>},
};

}  // namespace

extern const std::span<const CommandRow> MathRows(Rows);

}  // namespace zt
