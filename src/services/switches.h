// System switches: whether Escape ends the program (the host reads EscapeKeyEnabled) and
// the three editor lock flags, which only their own commands touch.
#pragma once

#include <array>

namespace zt {

struct SwitchState {
  bool EscapeKeyEnabled = true;
  std::array<bool, 3> EditorLocks{};
};

// The start of a run: Escape enabled, every lock clear.
inline void resetSwitches(SwitchState& s) { s = SwitchState{}; }

}  // namespace zt
