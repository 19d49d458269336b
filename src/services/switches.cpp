// System switch commands: DISABLE/ENABLE ESCAPEKEY and the editor lock switches (LOCK and
// UNLOCK CLI and EDITOR, and the pair 9990/9995 that the command table does not name).
#include "services/switches.h"

#include "command_ids.h"
#include "core/runtime.h"
#include "services/state.h"

namespace zt {

namespace {

template <bool On>
Word* opEscapeKey(Runtime& rt, Word* pc) {
  rt.switches.EscapeKeyEnabled = On;
  return pc;
}

template <int Lock, bool On>
Word* opLock(Runtime& rt, Word* pc) {
  rt.switches.EditorLocks[Lock] = On;
  return pc;
}

// The third editor lock's pair, which the command table does not name.
constexpr CommandForm LockThird{9990, nullptr, "0"}, UnlockThird{9995, nullptr, "0"};

const CommandRow Rows[] = {
    {CmdDisableEscapekey, opEscapeKey<false>},
    {CmdEnableEscapekey, opEscapeKey<true>},
    {LockThird, opLock<2, true>},
    {CmdLockCli, opLock<0, true>},
    {CmdUnlockCli, opLock<0, false>},
    {CmdLockEditor, opLock<1, true>},
    {CmdUnlockEditor, opLock<1, false>},
    {UnlockThird, opLock<2, false>},
};

}  // namespace

void resetSwitches(Runtime& rt) { rt.switches = SwitchState{}; }

extern const std::span<const CommandRow> SwitchRows(Rows);

}  // namespace zt
