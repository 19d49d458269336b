// The interpreter: runs the decoded code one command at a time in slices. A slice ends
// when a command sets the YieldFlag or, with AutoRefresh on, once more than 33 ms have
// passed since the slice began. The program counter lives in the loop while a slice runs
// and is stored in `pc` when the slice ends.
#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>

#include "core/value.h"

namespace zt {

struct Runtime;
struct DispatchTable;
struct ProgramImage;

// A traced run calls this before every command with its code position and identifier.
using TraceFunction = void (*)(Runtime& rt, size_t position, intptr_t id);

struct InterpreterState {
  Word* pc = nullptr;  // the next word to run, between slices
  // The command word of the command running now, kept for every command that can raise an
  // error: errors and warnings name its source line.
  Word* Current = nullptr;
  bool ProgramRunning = false;  // soft errors are ignored while it is set
  bool QuitPosted = false;      // the run loop ends after the current slice
  bool YieldFlag = false;
  bool InputRefreshFlag = false;
  bool AutoRefresh = true;
  uint32_t SliceStart = 0;
  uint32_t SliceMilliseconds = 33;
  int32_t CommandCounter = 0;  // commands since the last check, while AutoRefresh is off
  uint64_t Executed = 0;       // every command run; paces the slice clock and the virtual clock
  // A stop signal (SIGINT, SIGTERM, SIGHUP) received, or 0: the host points it at the flag
  // its signal handler sets.
  const volatile std::sig_atomic_t* StopSignal = &NoStopSignal;
  static constexpr std::sig_atomic_t NoStopSignal = 0;
  // The display records waiting for the next frame: with AutoRefresh off, too many end the
  // slice. The display points it at its list's count.
  const int32_t* PendingRecords = &NoRecords;
  static constexpr int32_t NoRecords = 0;
  TraceFunction Trace = nullptr;  // set for a traced run
};

// The slice clock is read once every this many commands: the 33 ms rule holds to within
// a few microseconds without a clock read per command. With the real clock, commands the
// interpreter loop runs itself (each a few nanoseconds) read it only every
// HotSliceCheckInterval commands: a clock read costs as much as dozens of them.
constexpr uint64_t SliceCheckInterval = 64;
constexpr uint64_t HotSliceCheckInterval = 1024;

void resetInterpreter(Runtime& rt);
// Asks the run loop to end after the current slice.
void postQuit(Runtime& rt);
// Empties the DATA pointer and the array table before a program first runs.
void startProgramData(Runtime& rt);
void interpret(Runtime& rt);

// Records in the dispatch table which identifiers the interpreter loop runs itself.
void markLoopEntries(DispatchTable& table);
// Gives command words that the loop can run together with the command after them a fused
// entry (NEXT with its FOR, a comparison with the IF that tests it). The result is the
// same; a traced run still runs and traces each command alone.
void chooseFusedForms(ProgramImage& image);
// Ends the program with the program counter back on the running command's identifier
// (`pc` is its first operand): what happens to an identifier without a handler.
Word* endAtCommand(Runtime& rt, Word* pc);
// The code position of the running command (see InterpreterState::Current), or -1 before
// the first.
int64_t currentCommandPosition(const Runtime& rt);

}  // namespace zt
