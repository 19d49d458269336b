// The language's random generator: one 32-bit state, 1 at start-up. Each draw steps the
// state as a linear congruential generator and yields bits 16 to 30, a number from 0 to
// 32767. RND and RANDOMIZE use it, and so does every other command that draws.
#pragma once

#include <cstdint>

namespace zt {

struct RandomState {
  uint32_t state = 1;
};

inline int32_t drawRandom(RandomState& r) {
  r.state = r.state * 214013u + 2531011u;
  return (static_cast<int32_t>(r.state) >> 16) & 32767;
}

}  // namespace zt
