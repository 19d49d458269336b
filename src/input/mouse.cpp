// Mouse functions and commands: the position, wheel, buttons and movement since the last
// frame end, POSITION MOUSE, and HIDE MOUSE / SHOW MOUSE for the pointer.
#include "command_ids.h"
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
    {CmdHideMouse, opHideMouse},
    {CmdMouseclick, opMouseQuery<&InputState::MouseButtons>},
    {CmdMousex, opMouseQuery<&InputState::MouseX>},
    {CmdMousey, opMouseQuery<&InputState::MouseY>},
    {CmdMousemovex, opMouseQuery<&InputState::MouseMoveX>},
    {CmdMousemovey, opMouseQuery<&InputState::MouseMoveY>},
    {CmdPositionMouse, opPositionMouse},
    {CmdShowMouse, opShowMouse},
    {CmdMousez, opMouseQuery<&InputState::MouseZ>},
    {CmdMousemovez, opMouseQuery<&InputState::MouseMoveZ>},
};

}  // namespace

extern const std::span<const CommandRow> MouseRows(Rows);

}  // namespace zt
