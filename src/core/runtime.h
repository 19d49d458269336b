// The Runtime owns every subsystem's state; nothing lives in globals, so several engines
// can run in one process. Command handlers receive it and reach their operands through
// the program counter.
#pragma once

#include "core/arrays.h"
#include "core/commands.h"
#include "core/control.h"
#include "core/image.h"
#include "core/interpreter.h"
#include "host/errors.h"
#include "host/host.h"
#include "host/settings.h"
#include "platform/clock.h"

namespace zt {

struct Runtime {
  Runtime();
  ~Runtime();
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  DispatchTable dispatch;
  ProgramImage image;
  InterpreterState interp;
  ControlState control;
  ArrayState arrays;
  ErrorState errors;
  SettingsState settings;
  HostState host;
  Clock clock;
};

// Handlers reach the code only through these: operand i of the running command, the
// word holding its identifier, moving past its operands, or staying on it so that it
// runs again in the next slice (waiting commands).
inline Cell& operand(Runtime& rt, int i) { return *rt.interp.pc[i].cell; }
inline Word& operandWord(Runtime& rt, int i) { return rt.interp.pc[i]; }
inline Word* commandWord(Runtime& rt) { return rt.interp.pc - 1; }
inline void skipOperands(Runtime& rt, int count) { rt.interp.pc += count; }
inline void repeatCommand(Runtime& rt) { rt.interp.pc = commandWord(rt); }
inline int32_t cellNumber(Runtime& rt, const Cell& c) { return rt.image.cellIndex(&c); }

}  // namespace zt
