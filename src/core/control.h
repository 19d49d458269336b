// Control flow state: GOSUB and FUNCTION frames share one return stack; a FUNCTION call
// saves the frame below it (parameters and the caller's own variables) so recursion sees
// its locals restored. DATA items are read through the DataPointer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/value.h"

namespace zt {

constexpr int32_t MaxCallDepth = 65535;

// Values and string copies of one saved frame, in the order they were saved.
struct SaveBlock {
  std::vector<int32_t> values;
  std::vector<char*> strings;
  ~SaveBlock();
};

struct FrameRecord {
  int8_t ParameterCount = 0;
  uint16_t CallerFunction = 0;
  Word* Entry = nullptr;
  bool IsFunction = false;  // pushed by a FUNCTION call, not by GOSUB
  std::unique_ptr<SaveBlock> Saved;  // null when nothing was saved
};

struct ControlState {
  int32_t CallDepth = 0;
  uint16_t FunctionNumber = 0;
  int32_t DataPointer = 0;
  std::array<Word*, MaxCallDepth> ReturnStack{};
  std::array<FrameRecord, MaxCallDepth> Frames{};
};

void resetControl(ControlState& control);

}  // namespace zt
