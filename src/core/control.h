// Control flow state: GOSUB and FUNCTION frames share one return stack; a FUNCTION call
// saves the frame below it (parameters and the caller's own variables) so recursion sees
// its locals restored. DATA items are read through the DataPointer.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/value.h"

namespace zt {

constexpr int32_t MaxCallDepth = 65535;
constexpr int MaxFunctionParameters = 127;  // the parameter count is kept in 8 bits

struct FrameRecord {
  int8_t ParameterCount = 0;
  uint16_t CallerFunction = 0;
  Word* Entry = nullptr;
  bool IsFunction = false;  // pushed by a FUNCTION call, not by GOSUB
  bool Saved = false;       // the frame's cells were saved when it called a function
  uint32_t SavedValues = 0, SavedStrings = 0;  // where its saved cells start on the save stacks
};

// A FUNCTION call saves the cells of the frame below it (its parameters and the variables
// its function owns that are not arrays) on two stacks, which the return pops: numbers,
// and string blocks, which are owned by the stack while they are on it. The stacks keep
// their capacity, so calls allocate nothing once the deepest recursion has been reached.
struct ControlState {
  int32_t CallDepth = 0;
  uint16_t FunctionNumber = 0;
  int32_t DataPointer = 0;
  std::array<Word*, MaxCallDepth> ReturnStack{};
  std::array<FrameRecord, MaxCallDepth> Frames{};
  std::vector<int32_t> SavedValueStack;  // in use up to SavedValueTop; grows, never shrinks
  uint32_t SavedValueTop = 0;
  std::vector<char*> SavedStringStack;
  ~ControlState();
};

void resetControl(ControlState& control);

struct Runtime;
// Saves the cells of the frame below a call (see ControlState) and restores them.
void saveFrame(Runtime& rt, FrameRecord& frame);
void restoreFrame(Runtime& rt, FrameRecord& frame);
// Whether a call whose argument count cell no longer holds the count the loader checked
// still has a sound layout: `n` parameters at `entry` of the kinds of its arguments.
bool callLayoutSound(Runtime& rt, Word* pc, Word* entry, int32_t n);

}  // namespace zt
