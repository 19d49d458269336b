// Keyboard functions: INKEY$ (the character of the latest key press) and SCANCODE (the
// lowest key number held down).
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

const CommandRow Rows[] = {
    {CmdInkey, opInkey},
    {CmdScancode, opScancode},
};

}  // namespace

extern const std::span<const CommandRow> KeyboardRows(Rows);

}  // namespace zt
