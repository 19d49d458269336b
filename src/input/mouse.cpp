// Mouse functions and commands: the position, wheel, buttons and movement since the last
// frame end, POSITION MOUSE, and HIDE MOUSE / SHOW MOUSE for the pointer.
#include "core/runtime.h"
#include "display2d/bitmaps.h"
#include "input/input.h"
#include "input/state.h"

namespace zt {

namespace {

template <auto Field>
Word* opMouseQuery(Runtime& rt, Word* pc) {
  refreshInput(rt);
  operand(pc, 0).i = int32_t(rt.input.*Field);
  return pc + 1;
}

Word* opPositionMouse(Runtime& rt, Word* pc) {
  rt.input.MouseX = operand(pc, 0).i;
  rt.input.MouseY = operand(pc, 1).i;
  yieldForAutoRefresh(rt);
  return pc + 2;
}

Word* opHideMouse(Runtime& rt, Word* pc) {
  rt.input.MouseShown = false;
  yieldForAutoRefresh(rt);
  return pc;
}

Word* opShowMouse(Runtime& rt, Word* pc) {
  rt.input.MouseShown = true;
  rt.interp.YieldFlag = true;
  return pc;
}

const CommandRow Rows[] = {
    {224, "HIDE MOUSE", "0", opHideMouse},
    {238, "MOUSECLICK[", "L", opMouseQuery<&InputState::MouseButtons>},
    {239, "MOUSEX[", "L", opMouseQuery<&InputState::MouseX>},
    {240, "MOUSEY[", "L", opMouseQuery<&InputState::MouseY>},
    {241, "MOUSEMOVEX[", "L", opMouseQuery<&InputState::MouseMoveX>},
    {244, "MOUSEMOVEY[", "L", opMouseQuery<&InputState::MouseMoveY>},
    {246, "POSITION MOUSE", "LL", opPositionMouse},
    {253, "SHOW MOUSE", "0", opShowMouse},
    {431, "MOUSEZ[", "L", opMouseQuery<&InputState::MouseZ>},
    {432, "MOUSEMOVEZ[", "L", opMouseQuery<&InputState::MouseMoveZ>},
};

}  // namespace

extern const std::span<const CommandRow> MouseRows(Rows);

}  // namespace zt
