#include "core/arrays.h"

#include <cstdlib>

#include "core/image.h"

namespace zt {

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
  arrays.ArrayDescriptors[index] = {};
}

void releaseArrays(ArrayState& arrays, ProgramImage& image) {
  for (int i = 0; i < ArrayCount; ++i) {
    if (!arrays.ArrayTable[i]) continue;
    freeArray(arrays, i);
    if (!image.ValueArea.empty()) image.ValueArea[IntVars + i].block = nullptr;
  }
}

}  // namespace zt
