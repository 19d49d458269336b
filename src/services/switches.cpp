// System switch commands: DISABLE/ENABLE ESCAPEKEY and the editor lock switches (LOCK and
// UNLOCK CLI and EDITOR, and the pair 9990/9995 that the command table does not name).
#include "services/switches.h"

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

const CommandRow Rows[] = {
    {9601, "DISABLE ESCAPEKEY", "0", opEscapeKey<false>},
    {9602, "ENABLE ESCAPEKEY", "0", opEscapeKey<true>},
    {9990, nullptr, "0", opLock<2, true>},
    {9991, "LOCK CLI", "0", opLock<0, true>},
    {9992, "UNLOCK CLI", "0", opLock<0, false>},
    {9993, "LOCK EDITOR", "0", opLock<1, true>},
    {9994, "UNLOCK EDITOR", "0", opLock<1, false>},
    {9995, nullptr, "0", opLock<2, false>},
};

}  // namespace

void resetSwitches(Runtime& rt) { rt.switches = SwitchState{}; }

extern const std::span<const CommandRow> SwitchRows(Rows);

}  // namespace zt
