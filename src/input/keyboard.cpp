// Keyboard functions: INKEY$ (the character of the latest key press), SCANCODE (the
// lowest key number held down), KEYSTATE and the functions of the named keys (1 while the
// key is down, 0 otherwise).
#include "command_ids.h"
#include "core/runtime.h"
#include "input/input.h"
#include "input/state.h"

namespace zt {

namespace {

Word* opInkey(Runtime& rt, Word* pc) {
  if (!rt.interp.AutoRefresh) pumpMessages(rt);
  const char c = char(rt.input.LastChar);
  storeString(operand(pc, 0), std::string_view(&c, c ? 1 : 0));
  return pc + 1;
}

Word* opScancode(Runtime& rt, Word* pc) {
  refreshInput(rt);
  int32_t key = 0;
  for (int k = 0; k < KeyCount; ++k)
    if (rt.input.KeyStates[size_t(k)]) {
      key = k;
      break;
    }
  operand(pc, 0).i = key;
  rt.interp.InputRefreshFlag = true;
  return pc + 1;
}

template <int... Keys>
Word* opNamedKey(Runtime& rt, Word* pc) {
  refreshInput(rt);
  operand(pc, 0).i = (keyDown(rt, Keys) || ...);
  return pc + 1;
}

Word* opKeystate(Runtime& rt, Word* pc) {
  refreshInput(rt);
  operand(pc, 0).i = keyDown(rt, operand(pc, 1).i);
  return pc + 2;
}

const CommandRow Rows[] = {
    {CmdInkey, opInkey},
    {CmdScancode, opScancode},
    {CmdUpkey, opNamedKey<200>},
    {CmdDownkey, opNamedKey<208>},
    {CmdLeftkey, opNamedKey<203>},
    {CmdRightkey, opNamedKey<205>},
    {CmdControlkey, opNamedKey<29, 157>},
    {CmdShiftkey, opNamedKey<42, 54>},
    {CmdReturnkey, opNamedKey<28>},
    {CmdSpacekey, opNamedKey<57>},
    {CmdKeystate, opKeystate},
    {CmdEscapekey, opNamedKey<KeyEscape>},
};

}  // namespace

extern const std::span<const CommandRow> KeyboardRows(Rows);

}  // namespace zt
