// Arrays of integers, floats and strings with one to five dimensions: DIM, UNDIM, element
// assignment "@=" and element reads "@[". Owns the ArrayState: the ArrayTable, the
// ArrayDescriptors and the ElementRefTable that element reads fill. Only the flat index
// is checked against the element count, never a single subscript against its extent.
#include "core/arrays.h"

#include <cstdlib>
#include <limits>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/family.h"
#include "core/image.h"
#include "core/operations.h"

namespace zt {

namespace {

// Frees the array a variable names and empties the variable. A string array variable
// never holds its element block (a string store into it would free the block), so
// whatever string it holds is freed instead.
void discardArray(Runtime& rt, int index, Cell& var) {
  freeArray(rt.arrays, index);
  if (index >= FirstStringArray) freeString(var);
  var.block = nullptr;
}

// ArrayTable index named by a variable cell of `kind`, or -1 when the cell is no such
// variable (a constant or temporary never names an array).
template <char Kind>
int arrayIndexOf(Runtime& rt, const Cell& c) {
  const int32_t n = cellNumber(rt, c);
  constexpr int32_t first = Kind == 'L' ? IntVars : Kind == 'F' ? FloatVars : StringVars;
  return n >= first && n < first + MaxVariables ? n - IntVars : -1;
}

template <char Kind, int Dims>
Word* opDim(Runtime& rt, Word* pc) {
  Cell& var = operand(pc, 0);
  const int index = arrayIndexOf<Kind>(rt, var);
  if (index >= 0) discardArray(rt, index, var);
  ArrayDescriptor d{};
  int64_t total = 1;
  for (int k = 0; k < Dims && index >= 0 && total; ++k) {
    const int64_t extent = int64_t(operand(pc, 1 + k).i) + 1;
    total = extent < 1 || total * extent > std::numeric_limits<int32_t>::max() ? 0 : total * extent;
    if (Dims > 1) d.extent[k] = int32_t(extent);
  }
  void* block =
      index >= 0 && total ? std::calloc(size_t(total), Kind == 'S' ? sizeof(char*) : sizeof(int32_t)) : nullptr;
  if (!block) {
    raiseError(rt, ErrOutOfMemory);
    return pc;
  }
  d.total = int32_t(total);
  rt.arrays.ArrayTable[index] = block;
  ++rt.arrays.LiveArrays;
  rt.arrays.ArrayDescriptors[index] = d;
  if (Kind != 'S') var.block = block;
  return pc + 1 + Dims;
}

template <char Kind>
Word* opUndim(Runtime& rt, Word* pc) {
  Cell& var = operand(pc, 0);
  const int index = arrayIndexOf<Kind>(rt, var);
  if (index >= 0) discardArray(rt, index, var);
  return pc + 1;
}

const CommandRow Rows[] = {
    {CmdDimLL, opDim<'L', 1>},
    {CmdDimLLL, opDim<'L', 2>},
    {CmdDimLLLL, opDim<'L', 3>},
    {CmdDimLLLLL, opDim<'L', 4>},
    {CmdDimLLLLLL, opDim<'L', 5>},
    {CmdUndimL, opUndim<'L'>},
    {CmdDimFL, opDim<'F', 1>},
    {CmdDimFLL, opDim<'F', 2>},
    {CmdDimFLLL, opDim<'F', 3>},
    {CmdDimFLLLL, opDim<'F', 4>},
    {CmdDimFLLLLL, opDim<'F', 5>},
    {CmdUndimF, opUndim<'F'>},
    {CmdDimSL, opDim<'S', 1>},
    {CmdDimSLL, opDim<'S', 2>},
    {CmdDimSLLL, opDim<'S', 3>},
    {CmdDimSLLLL, opDim<'S', 4>},
    {CmdDimSLLLLL, opDim<'S', 5>},
    {CmdUndimS, opUndim<'S'>},
    {CmdAssignElementLLL, opAssignElement<'L', 'L', 1>, Flow::Next, "lLL"},
    {CmdAssignElementLLLL, opAssignElement<'L', 'L', 2>, Flow::Next, "lLLL"},
    {CmdAssignElementLLLLL, opAssignElement<'L', 'L', 3>, Flow::Next, "lLLLL"},
    {CmdAssignElementLLLLLL, opAssignElement<'L', 'L', 4>, Flow::Next, "lLLLLL"},
    {CmdAssignElementLLLLLLL, opAssignElement<'L', 'L', 5>, Flow::Next, "lLLLLLL"},
    {CmdAssignElementFLF, opAssignElement<'F', 'F', 1>, Flow::Next, "fLF"},
    {CmdAssignElementFLLF, opAssignElement<'F', 'F', 2>, Flow::Next, "fLLF"},
    {CmdAssignElementFLLLF, opAssignElement<'F', 'F', 3>, Flow::Next, "fLLLF"},
    {CmdAssignElementFLLLLF, opAssignElement<'F', 'F', 4>, Flow::Next, "fLLLLF"},
    {CmdAssignElementFLLLLLF, opAssignElement<'F', 'F', 5>, Flow::Next, "fLLLLLF"},
    {CmdAssignElementSLS, opAssignElement<'S', 'S', 1>, Flow::Next, "sLS"},
    {CmdAssignElementSLLS, opAssignElement<'S', 'S', 2>, Flow::Next, "sLLS"},
    {CmdAssignElementSLLLS, opAssignElement<'S', 'S', 3>, Flow::Next, "sLLLS"},
    {CmdAssignElementSLLLLS, opAssignElement<'S', 'S', 4>, Flow::Next, "sLLLLS"},
    {CmdAssignElementSLLLLLS, opAssignElement<'S', 'S', 5>, Flow::Next, "sLLLLLS"},
    {CmdAssignElementFLL, opAssignElement<'F', 'I', 1>, Flow::Next, "fLL"},
    {CmdAssignElementFLLL, opAssignElement<'F', 'I', 2>, Flow::Next, "fLLL"},
    {CmdAssignElementFLLLL, opAssignElement<'F', 'I', 3>, Flow::Next, "fLLLL"},
    {CmdAssignElementFLLLLL, opAssignElement<'F', 'I', 4>, Flow::Next, "fLLLLL"},
    {CmdAssignElementFLLLLLL, opAssignElement<'F', 'I', 5>, Flow::Next, "fLLLLLL"},
    {CmdElementLLL, opReadElement<'L', 1>, Flow::Next, "LlL"},
    {CmdElementLLLL, opReadElement<'L', 2>, Flow::Next, "LlLL"},
    {CmdElementLLLLL, opReadElement<'L', 3>, Flow::Next, "LlLLL"},
    {CmdElementLLLLLL, opReadElement<'L', 4>, Flow::Next, "LlLLLL"},
    {CmdElementLLLLLLL, opReadElement<'L', 5>, Flow::Next, "LlLLLLL"},
    {CmdElementFFL, opReadElement<'F', 1>, Flow::Next, "FfL"},
    {CmdElementFFLL, opReadElement<'F', 2>, Flow::Next, "FfLL"},
    {CmdElementFFLLL, opReadElement<'F', 3>, Flow::Next, "FfLLL"},
    {CmdElementFFLLLL, opReadElement<'F', 4>, Flow::Next, "FfLLLL"},
    {CmdElementFFLLLLL, opReadElement<'F', 5>, Flow::Next, "FfLLLLL"},
    {CmdElementSSL, opReadElement<'S', 1>, Flow::Next, "SsL"},
    {CmdElementSSLL, opReadElement<'S', 2>, Flow::Next, "SsLL"},
    {CmdElementSSLLL, opReadElement<'S', 3>, Flow::Next, "SsLLL"},
    {CmdElementSSLLLL, opReadElement<'S', 4>, Flow::Next, "SsLLLL"},
    {CmdElementSSLLLLL, opReadElement<'S', 5>, Flow::Next, "SsLLLLL"},
};

// The live array element of `kind` that temporary cell n stands for, or null.
void* liveElement(Runtime& rt, int32_t n, char kind) {
  if (n < 0 || n >= IntVars || cellKind(n) != kind) return nullptr;
  const ElementRef& ref = rt.arrays.ElementRefTable[n];
  return ref.array >= 0 && arrayKind(ref.array) == kind ? elementAt(rt.arrays, ref) : nullptr;
}

}  // namespace

void* elementAt(ArrayState& arrays, const ElementRef& ref) {
  if (ref.array < 0 || ref.array >= ArrayCount) return nullptr;
  void* block = arrays.ArrayTable[ref.array];
  if (!block || ref.index < 0 || ref.index >= arrays.ArrayDescriptors[ref.array].total) return nullptr;
  if (ref.array >= FirstStringArray) return static_cast<char**>(block) + ref.index;
  return static_cast<int32_t*>(block) + ref.index;
}

void freeArray(ArrayState& arrays, int index) {
  void* block = arrays.ArrayTable[index];
  if (!block) return;
  if (index >= FirstStringArray) {
    char** elements = static_cast<char**>(block);
    for (int32_t i = 0; i < arrays.ArrayDescriptors[index].total; ++i) std::free(elements[i]);
  }
  std::free(block);
  arrays.ArrayTable[index] = nullptr;
  --arrays.LiveArrays;
  arrays.ArrayDescriptors[index] = {};
}

void releaseArrays(ArrayState& arrays, ProgramImage& image) {
  for (int i = 0; i < ArrayCount; ++i) {
    if (!arrays.ArrayTable[i]) continue;
    freeArray(arrays, i);
    if (!image.ValueArea.empty()) image.ValueArea[IntVars + i].block = nullptr;
  }
}

void replaceString(char*& element, std::string_view text) {
  char* copy = copyString(text);
  std::free(element);
  element = copy;
}

int32_t* wordDestination(Runtime& rt, Cell& target) {
  const int32_t n = cellNumber(rt, target);
  if (isIntVariable(n) || isFloatVariable(n)) return &target.i;
  return cellKind(n) == 'S' ? nullptr : static_cast<int32_t*>(liveElement(rt, n, cellKind(n)));
}

char** stringDestination(Runtime& rt, Cell& target) {
  const int32_t n = cellNumber(rt, target);
  return isStringVariable(n) ? &target.s : static_cast<char**>(liveElement(rt, n, 'S'));
}

extern const std::span<const CommandRow> ArrayRows(Rows);

}  // namespace zt
