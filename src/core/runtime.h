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

// Operand i of the running command: the program counter points just past its identifier.
inline Cell& operand(Runtime& rt, int i) { return *rt.interp.pc[i].cell; }
inline Word& operandWord(Runtime& rt, int i) { return rt.interp.pc[i]; }
inline void skipOperands(Runtime& rt, int count) { rt.interp.pc += count; }
inline int32_t cellNumber(Runtime& rt, const Cell& c) { return rt.image.cellIndex(&c); }

}  // namespace zt
