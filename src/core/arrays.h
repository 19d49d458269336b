// Arrays: the ArrayTable, the ArrayDescriptor records and the ElementRefTable.
// An array is named by a variable cell; its index is the cell number minus 3000 (0-1999
// integer, 2000-3999 float, 4000-5999 string arrays). Integer and float elements are 4
// bytes, string elements are owned string pointers (null until assigned).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/value.h"

namespace zt {

struct ProgramImage;
struct Runtime;

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
  int32_t LiveArrays = 0;  // non-null ArrayTable entries: with none, no variable names an array
};

// Element kind of an array index: 'L', 'F' or 'S'.
inline char arrayKind(int index) { return index < FirstFloatArray ? 'L' : index < FirstStringArray ? 'F' : 'S'; }

// The element an element reference names, or null when it names no live element.
void* elementAt(ArrayState& arrays, const ElementRef& ref);
// Frees one array (string elements first) and clears its table entry.
void freeArray(ArrayState& arrays, int index);
// Frees every array and clears the array variable cells.
void releaseArrays(ArrayState& arrays, ProgramImage& image);

// Replaces an owned string element by a copy of `text`.
void replaceString(char*& element, std::string_view text);

// Where a command that reads a value into its operand stores it: a variable cell is
// written itself; a temporary stands for the array element last read into it and is
// written through its ElementRefTable entry while that element lives; anything else
// (constants, temporaries without a live element) takes nothing, so the result is null.
int32_t* wordDestination(Runtime& rt, Cell& target);
char** stringDestination(Runtime& rt, Cell& target);

}  // namespace zt
