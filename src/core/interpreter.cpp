#include "core/interpreter.h"

#include "core/runtime.h"

namespace zt {

namespace {

constexpr int32_t CommandsPerCheck = 200;
constexpr size_t DisplayListYieldRecords = 32000;

size_t pendingDisplayRecords(const Runtime& rt) { return size_t(RecordCount(rt.bitmaps.displayList)); }

}  // namespace

void resetInterpreter(Runtime& rt) {
  InterpreterState& in = rt.interp;
  in.pc = rt.image.CodeBlock.data();
  in.YieldFlag = true;
  in.CommandCounter = 0;
  in.AutoRefresh = true;
  in.SliceMilliseconds = 33;
  in.SliceStart = rt.clock.milliseconds();
  resetControl(rt.control);
  rt.errors.ErrorNumber = 0;
  emptyChecklist(rt.checklist);
  resetSwitches(rt.switches);
}

void startProgramData(Runtime& rt) {
  rt.control.DataPointer = 0;
  releaseArrays(rt.arrays, rt.image);
}

Word* endAtCommand(Runtime& rt, Word* pc) {
  postQuit(rt);
  rt.interp.YieldFlag = true;
  return commandWord(pc);
}

void interpret(Runtime& rt) {
  InterpreterState& in = rt.interp;
  if (!rt.host.WindowActive) return;
  in.InputRefreshFlag = false;
  in.SliceStart = rt.clock.milliseconds();
  const Handler* handlers = rt.dispatch.handlers.data();
  const bool trace = rt.settings.DebugMode;
  Word* pc = in.pc;
  while (!in.YieldFlag) {
    if (trace) traceCommand(rt, rt.image.codeIndex(pc), pc->n);
    uintptr_t id = static_cast<uintptr_t>(pc->n);
    pc = handlers[id < MaxCommandId ? id : 0](rt, pc + 1);  // id 0 and anything out of range have no handler
    ++in.Executed;
    if (in.AutoRefresh) {
      if (in.Executed % SliceCheckInterval == 0 &&
          uint32_t(rt.clock.milliseconds() - in.SliceStart) > in.SliceMilliseconds)
        in.YieldFlag = true;
    } else if (++in.CommandCounter > CommandsPerCheck) {
      if (pendingDisplayRecords(rt) > DisplayListYieldRecords) in.YieldFlag = true;
      in.CommandCounter = 0;
      in.InputRefreshFlag = true;
    }
  }
  in.pc = pc;
  in.YieldFlag = false;
  if (trace) flushLog(rt);
}

}  // namespace zt
