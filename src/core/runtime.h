// The Runtime owns the state of one engine; nothing lives in globals, so several engines
// can run in one process. Command handlers receive it and reach their operands through
// the program counter.
//
// The core's state is held by value. Each subsystem declares its state in its own
// state.h, which only that subsystem's folder and the host include; the Runtime names
// those states through forward-declared references, and the host makes and frees them
// (host/lifecycle.cpp). A subsystem reaches another one only through that one's public
// functions.
#pragma once

#include <memory>

#include "core/arrays.h"
#include "core/clock.h"
#include "core/commands.h"
#include "core/control.h"
#include "core/errors.h"
#include "core/image.h"
#include "core/interpreter.h"
#include "core/random.h"

namespace zt {

struct Subsystems;
// host
struct HostState;
struct SettingsState;
// services
struct ChecklistState;
struct SwitchState;
struct FileState;
// input
struct InputState;
// display2d
struct FrameState;
struct ConsoleState;
struct DisplayState;
struct BitmapState;
struct DrawState;
struct TextState;
struct RefreshState;
// sprites
struct SpriteState;
// audio
struct AudioState;
struct MusicState;
// video
struct VideoState;
// engine3d
struct Engine3DState;
// platform
class FileSystem;
class Clipboard;

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
  RandomState random;
  ErrorState errors;
  std::unique_ptr<Clock> clock;

  std::unique_ptr<Subsystems> subsystems;  // owns the states named below
  HostState& host;
  SettingsState& settings;
  ChecklistState& checklist;
  SwitchState& switches;
  FileState& files;
  InputState& input;
  FrameState& frame;
  ConsoleState& console;
  DisplayState& display;
  BitmapState& bitmaps;
  DrawState& draw;
  TextState& text;
  RefreshState& refresh;
  SpriteState& sprites;
  AudioState& audio;
  VideoState& video;
  Engine3DState& engine3d;
  FileSystem& fs;
  MusicState& music;
  std::unique_ptr<Clipboard> clipboard;
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
