// Arrays: the ArrayTable, the ArrayDescriptor records and the ElementRefTable.
// An array is named by a variable cell; its index is the cell number minus 3000 (0-1999
// integer, 2000-3999 float, 4000-5999 string arrays). Integer and float elements are 4
// bytes, string elements are owned string pointers (null until assigned).
#pragma once

#include <array>
#include <cstdint>

#include "core/value.h"

namespace zt {

struct ProgramImage;

constexpr int ArrayCount = 6000;
constexpr int FirstFloatArray = 2000;
constexpr int FirstStringArray = 4000;

struct ArrayDescriptor {
  int32_t extent[5];  // declared upper bound plus one, for two or more dimensions
  int32_t total;      // element count
};

// An element reference names the element by array and flat index rather than by address,
// so a reference that outlives its array can be checked instead of written through.
struct ElementRef {
  int32_t array = -1;
  int32_t index = 0;
};

struct ArrayState {
  std::array<void*, ArrayCount> ArrayTable{};
  std::array<ArrayDescriptor, ArrayCount> ArrayDescriptors{};
  std::array<ElementRef, IntVars> ElementRefTable{};  // one per temporary cell
};

// The element an element reference names, or null when it names no live element.
void* elementAt(ArrayState& arrays, const ElementRef& ref);
// Frees one array (string elements first) and clears its table entry.
void freeArray(ArrayState& arrays, int index);
// Frees every array and clears the array variable cells.
void releaseArrays(ArrayState& arrays, ProgramImage& image);

}  // namespace zt
