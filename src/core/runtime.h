// The Runtime owns every subsystem's state; nothing lives in globals, so several engines
// can run in one process. Command handlers receive it and reach their operands through
// the program counter.
#pragma once

#include <memory>

#include "core/arrays.h"
#include "core/commands.h"
#include "core/console.h"
#include "core/control.h"
#include "core/image.h"
#include "core/interpreter.h"
#include "core/random.h"
#include "display2d/bitmaps.h"
#include "display2d/display.h"
#include "display2d/drawing.h"
#include "display2d/pixels.h"
#include "display2d/refresh.h"
#include "display2d/text.h"
#include "host/errors.h"
#include "host/frame.h"
#include "host/host.h"
#include "host/settings.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "services/checklist.h"
#include "services/files.h"
#include "services/switches.h"

namespace zt {

struct Runtime {
  Runtime();
  ~Runtime();
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  DispatchTable dispatch;
  ProgramImage image;
  InterpreterState interp;
  FrameState frame;
  ControlState control;
  ArrayState arrays;
  RandomState random;
  ChecklistState checklist;
  SwitchState switches;
  FileState files;
  ErrorState errors;
  SettingsState settings;
  HostState host;
  ConsoleState console;
  DisplayState display;
  BitmapState bitmaps;
  DrawState draw;
  TextState text;
  RefreshState refresh;
  Clock clock;
  FileSystem fs;
  std::unique_ptr<Clipboard> clipboard = std::make_unique<LocalClipboard>();
};

// Handlers reach the code only through the program counter they are given, which points
// at the running command's first operand: operand i, its word, the word holding the
// command's identifier. A handler returns the word to run next: past its operands, a jump
// target, or its own command word so that it runs again in the next slice (waiting commands).
inline Cell& operand(Word* pc, int i) { return *pc[i].cell; }
inline Word& operandWord(Word* pc, int i) { return pc[i]; }
inline Word* commandWord(Word* pc) { return pc - 1; }
inline int32_t cellNumber(Runtime& rt, const Cell& c) { return rt.image.cellIndex(&c); }

// Operand i read by its signature letter: L an integer, F a float, both widened.
template <char Letter>
double num(Word* pc, int i) {
  if constexpr (Letter == 'L')
    return double(operand(pc, i).i);
  else
    return double(operand(pc, i).f);
}

// A command whose work may end early with a soft error, after which the program goes on:
// the program counter passes its operands whatever the work did.
template <void (*Work)(Runtime&, Word*), int Operands>
Word* skipAfter(Runtime& rt, Word* pc) {
  Work(rt, pc);
  return pc + Operands;
}

}  // namespace zt
