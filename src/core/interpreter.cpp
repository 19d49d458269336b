#include "core/interpreter.h"

#include <algorithm>
#ifdef ZT_ASSERT
#include <cstdio>
#include <cstdlib>
#endif

#include "command_ids.h"
#include "core/operations.h"

namespace zt {

namespace {

constexpr int32_t CommandsPerCheck = 200;
constexpr size_t DisplayListYieldRecords = 32000;

// Jumps from entry to entry through a table of label addresses where the compiler has
// them, a switch otherwise.
#if defined(__GNUC__) && !defined(ZT_SWITCH_DISPATCH)
#define ZT_COMPUTED_GOTO 1
#else
#define ZT_COMPUTED_GOTO 0
#endif

// The commands the loop runs itself: entry name, identifier, handler, and whether it can
// raise an error (after which the loop must look at the YieldFlag).
#define ZT_LOOP_COMMANDS(X)                                                          \
  X(AssignInteger, CmdAssignLL, opAssignWord, false)                                 \
  X(AssignFloat, CmdAssignFF, opAssignWord, false)                                   \
  X(AssignString, CmdAssignSS, opAssignString, false)                                \
  X(AssignFloatToInteger, CmdAssignLF, opAssignFloatToInteger, false)                \
  X(AssignIntegerToFloat, CmdAssignFL, opAssignIntegerToFloat, false)                \
  X(AddInteger, CmdAddLLL, opIntegerArith<wrapAdd>, false)                           \
  X(SubtractInteger, CmdSubtractLLL, opIntegerArith<wrapSub>, false)                 \
  X(MultiplyInteger, CmdMultiplyLLL, opIntegerArith<wrapMul>, false)                 \
  X(AndInteger, CmdAnd, opIntegerArith<bitAnd>, false)                               \
  X(OrInteger, CmdOr, opIntegerArith<bitOr>, false)                                  \
  X(DivideInteger, CmdDivideLLL, opDivideInteger, true)                              \
  X(AddIntegerFloat, CmdAddFLF, (opFloatArith<'L', 'F', '+'>), false)                \
  X(AddFloatInteger, CmdAddFFL, (opFloatArith<'F', 'L', '+'>), false)                \
  X(AddFloat, CmdAddFFF, (opFloatArith<'F', 'F', '+'>), false)                       \
  X(SubtractIntegerFloat, CmdSubtractFLF, (opFloatArith<'L', 'F', '-'>), false)      \
  X(SubtractFloatInteger, CmdSubtractFFL, (opFloatArith<'F', 'L', '-'>), false)      \
  X(SubtractFloat, CmdSubtractFFF, (opFloatArith<'F', 'F', '-'>), false)             \
  X(MultiplyIntegerFloat, CmdMultiplyFLF, (opFloatArith<'L', 'F', '*'>), false)      \
  X(MultiplyFloatInteger, CmdMultiplyFFL, (opFloatArith<'F', 'L', '*'>), false)      \
  X(MultiplyFloat, CmdMultiplyFFF, (opFloatArith<'F', 'F', '*'>), false)             \
  X(Concatenate, CmdAddSSS, opConcatenate, true)                                     \
  X(If, CmdIf, opBranchIfFalse, false)                                               \
  X(While, CmdWhile, opBranchIfFalse, false)                                         \
  X(Until, CmdUntil, opBranchIfFalse, false)                                         \
  X(Else, CmdElse, opJump, false)                                                    \
  X(Exit, CmdExit, opJump, false)                                                    \
  X(Loop, CmdLoop, opJump, false)                                                    \
  X(EndWhile, CmdEndwhile, opJump, false)                                            \
  X(Goto, CmdGoto, opJump, false)                                                    \
  X(For, CmdFor, opFor, false)                                                       \
  X(Next, CmdNext, opNext, false)                                                    \
  X(Gosub, CmdGosub, opGosub, true)                                                  \
  X(Return, CmdReturn, opReturn, true)                                               \
  X(CallFunction, CmdFunction, opCallFunction, true)                                 \
  X(EndFunction, CmdEndfunction0, returnFromFunction<'0'>, true)                     \
  X(EndFunctionInteger, CmdEndfunctionL, returnFromFunction<'L'>, true)              \
  X(EndFunctionFloat, CmdEndfunctionF, returnFromFunction<'F'>, true)                \
  X(EndFunctionString, CmdEndfunctionS, returnFromFunction<'S'>, true)               \
  X(ExitFunction, CmdExitfunction0, returnFromFunction<'0'>, true)                   \
  X(ExitFunctionInteger, CmdExitfunctionL, returnFromFunction<'L'>, true)            \
  X(ExitFunctionFloat, CmdExitfunctionF, returnFromFunction<'F'>, true)              \
  X(ExitFunctionString, CmdExitfunctionS, returnFromFunction<'S'>, true)             \
  X(ReadIntegerElement, CmdElementLLL, (opReadElement<'L', 1>), true)                \
  X(ReadFloatElement, CmdElementFFL, (opReadElement<'F', 1>), true)                  \
  X(ReadStringElement, CmdElementSSL, (opReadElement<'S', 1>), true)                 \
  X(AssignIntegerElement, CmdAssignElementLLL, (opAssignElement<'L', 'L', 1>), true) \
  X(AssignFloatElement, CmdAssignElementFLF, (opAssignElement<'F', 'F', 1>), true)   \
  X(AssignStringElement, CmdAssignElementSLS, (opAssignElement<'S', 'S', 1>), true)  \
  X(AssignIntegerToFloatElement, CmdAssignElementFLL, (opAssignElement<'F', 'I', 1>), true)

// Comparisons: each also has a fused form (its name + Branch) for when an IF, WHILE or
// UNTIL testing its result follows it.
#define ZT_COMPARISONS(X)                                                          \
  X(EqualInteger, CmdEqualLLL, opCompareInteger<'='>, false)                       \
  X(GreaterInteger, CmdGreaterLLL, opCompareInteger<'>'>, false)                   \
  X(GreaterEqualInteger, CmdGreaterEqualLLL, opCompareInteger<'g'>, false)         \
  X(LessInteger, CmdLessLLL, opCompareInteger<'<'>, false)                         \
  X(LessEqualInteger, CmdLessEqualLLL, opCompareInteger<'l'>, false)               \
  X(NotEqualInteger, CmdNotEqualLLL, opCompareInteger<'!'>, false)                 \
  X(EqualFloat, CmdEqualLFF, (opCompareFloat<'=', 'F', 'F'>), false)               \
  X(GreaterFloat, CmdGreaterLFF, (opCompareFloat<'>', 'F', 'F'>), false)           \
  X(GreaterEqualFloat, CmdGreaterEqualLFF, (opCompareFloat<'g', 'F', 'F'>), false) \
  X(LessFloat, CmdLessLFF, (opCompareFloat<'<', 'F', 'F'>), false)                 \
  X(LessEqualFloat, CmdLessEqualLFF, (opCompareFloat<'l', 'F', 'F'>), false)       \
  X(NotEqualFloat, CmdNotEqualLFF, (opCompareFloat<'!', 'F', 'F'>), false)

enum Entry : uint32_t {
  CallHandler,  // every command the loop does not run itself
  NoHandler,
#define ZT_ENUM(name, ...) name,
  ZT_LOOP_COMMANDS(ZT_ENUM) ZT_COMPARISONS(ZT_ENUM)
      NextFor,  // NEXT whose target is a FOR: steps and tests the loop itself
#define ZT_ENUM_FUSED(name, ...) name##Branch,
  ZT_COMPARISONS(ZT_ENUM_FUSED)
#undef ZT_ENUM_FUSED
#undef ZT_ENUM
      EntryCount
};

struct LoopCommand {
  int id;
  Entry entry;
};

constexpr LoopCommand LoopCommands[] = {
#define ZT_ROW(name, id, ...) {id, name},
    ZT_LOOP_COMMANDS(ZT_ROW) ZT_COMPARISONS(ZT_ROW)
#undef ZT_ROW
};

constexpr int32_t BranchIds[] = {CmdIf, CmdWhile, CmdUntil};

// Identifier and entry of a decoded command word.
int32_t idOf(const Word& w) { return commandIdentifier(w.n); }
uint32_t entryOf(const Word& w) { return commandEntry(w.n); }

#ifdef ZT_ASSERT
// The assertion build: a handler that neither jumps nor runs again must return the word
// just past its operands. Anything else is a fault of the engine, not of the program: it
// is reported and the engine aborts. A handler whose error ended the program may return
// anything. (A comparison that runs alone in the split path of its fused form is checked
// in its own entry.)
void checkHandlerReturn(const Runtime& rt, const Word* command, const Word* returned) {
  const CommandRow* row = rt.dispatch.rows[size_t(idOf(*command))];
  if (!row || rt.errors.ErrorNumber != 0 || handlerReturnIsSound(*row, command, returned)) return;
  const Word* code = rt.image.CodeBlock.data();
  std::fprintf(stderr, "ZT_ASSERT: the handler of command %d (%s) at word %td returned word %td, not %td\n", row->id,
               row->keyword ? row->keyword : "unnamed", command - code, returned - code,
               command + 1 + operandCount(*row) - code);
  std::abort();
}

Word* checkedCall(Runtime& rt, Word* command, Handler handler) {
  Word* returned = handler(rt, command + 1);
  checkHandlerReturn(rt, command, returned);
  return returned;
}
// Runs the handler of the command at `pc` and gives the word it returned.
#define ZT_CALL(handler) checkedCall(rt, pc, handler)
#else
#define ZT_CALL(handler) handler(rt, pc + 1)
#endif

// Where the loop next stops to check the slice, counted in commands run: with AutoRefresh
// on at the next multiple of the check interval (after a handler call the check is made
// at every multiple of SliceCheckInterval), otherwise after CommandsPerCheck + 1 commands.
// The virtual clock is read at exactly the same commands in every run.
uint64_t nextCheck(const Runtime& rt, uint64_t executed) {
  const InterpreterState& in = rt.interp;
  const uint64_t interval = rt.clock->isVirtual() ? SliceCheckInterval : HotSliceCheckInterval;
  if (in.AutoRefresh) return (executed | (interval - 1)) + 1;
  return executed + uint64_t(std::max(1, CommandsPerCheck + 1 - in.CommandCounter));
}

// The check after a command, as each command is counted (also the slow path of the loop).
void checkSlice(Runtime& rt, uint64_t executed) {
  InterpreterState& in = rt.interp;
  if (in.AutoRefresh) {
    if (executed % SliceCheckInterval == 0 && uint32_t(rt.clock->milliseconds() - in.SliceStart) > in.SliceMilliseconds)
      in.YieldFlag = true;
  } else if (++in.CommandCounter > CommandsPerCheck) {
    // A stop signal reaches the run loop even from a program that never synchronises.
    if (size_t(*in.PendingRecords) > DisplayListYieldRecords || *in.StopSignal != 0) in.YieldFlag = true;
    in.CommandCounter = 0;
    in.InputRefreshFlag = true;
  }
}

// Runs commands until the YieldFlag is set. The program counter and the command count
// stay in locals; the count goes back to the Runtime (where the virtual clock reads it)
// before every handler call and when the slice ends. Between clock checks, commands are
// counted against `checkAt`; with AutoRefresh off the CommandCounter is then
// CommandsPerCheck + 1 - (checkAt - executed) and is written back at the same places.
// A traced run writes a trace line for every command and runs fused forms as the
// separate commands they stand for.
template <bool Traced>
void runSlice(Runtime& rt) {
  InterpreterState& in = rt.interp;
  const Handler* handlers = rt.dispatch.handlers.data();
  Word* pc = in.pc;
  uint64_t executed = in.Executed;
  bool counting = !in.AutoRefresh;
  uint64_t checkAt = nextCheck(rt, executed);

  auto store = [&] {
    in.Executed = executed;
    if (counting) in.CommandCounter = int32_t(CommandsPerCheck + 1 - int64_t(checkAt - executed));
  };
  auto rearm = [&] {
    counting = !in.AutoRefresh;
    checkAt = nextCheck(rt, executed);
  };

#if ZT_COMPUTED_GOTO
  static const void* const Labels[EntryCount] = {&&L_CallHandler, &&L_NoHandler,
#define ZT_LABEL(name, ...) &&L_##name,
#define ZT_LABEL_FUSED(name, ...) &&L_##name##Branch,
                                                 ZT_LOOP_COMMANDS(ZT_LABEL) ZT_COMPARISONS(ZT_LABEL) && L_NextFor,
                                                 ZT_COMPARISONS(ZT_LABEL_FUSED)
#undef ZT_LABEL_FUSED
#undef ZT_LABEL
  };
#define ZT_ENTRY(name) L_##name:
#define ZT_DISPATCH()                                                         \
  do {                                                                        \
    if constexpr (Traced) in.Trace(rt, rt.image.codeIndex(pc), idOf(*pc)); \
    goto* Labels[entryOf(*pc)];                                               \
  } while (0)
#else
#define ZT_ENTRY(name) case name:
#define ZT_DISPATCH() goto dispatch
#endif

// After a command: count it, read the clock when due, leave when it yields.
#define ZT_COUNTED(count, mayStop)                        \
  do {                                                    \
    executed += count;                                    \
    if (executed == checkAt) {                            \
      store();                                            \
      if (counting) in.CommandCounter = CommandsPerCheck; \
      checkSlice(rt, executed);                           \
      rearm();                                            \
      if (in.YieldFlag) goto leave;                       \
    } else if (mayStop && in.YieldFlag) {                 \
      goto leave;                                         \
    }                                                     \
    ZT_DISPATCH();                                        \
  } while (0)

  if (in.YieldFlag) goto leave;
#if ZT_COMPUTED_GOTO
  ZT_DISPATCH();
#else
dispatch:
  if constexpr (Traced) in.Trace(rt, rt.image.codeIndex(pc), idOf(*pc));
  switch (entryOf(*pc)) {
#endif

  ZT_ENTRY(CallHandler) {
    store();
    in.Current = pc;
    pc = ZT_CALL(handlers[idOf(*pc)]);
    // Counted as every command is: only the counting mode and every 64th command have
    // more to do than the count.
    if (++executed % SliceCheckInterval == 0 || counting || !in.AutoRefresh) {
      in.Executed = executed;
      checkSlice(rt, executed);
      rearm();
    }
    if (in.YieldFlag) goto leave;
    ZT_DISPATCH();
  }

  ZT_ENTRY(NoHandler) {
    store();
    in.Current = pc;
    pc = endAtCommand(rt, pc + 1);
    ++executed;
    in.Executed = executed;
    checkSlice(rt, executed);
    rearm();
    goto leave;
  }

#define ZT_RUN(name, id, handler, mayStop) \
  ZT_ENTRY(name) {                         \
    if (mayStop) in.Current = pc;          \
    pc = ZT_CALL(handler);                 \
    ZT_COUNTED(1, mayStop);                \
  }
  ZT_LOOP_COMMANDS(ZT_RUN)
  ZT_COMPARISONS(ZT_RUN)
#undef ZT_RUN

  // Fused forms count as the two commands they stand for; when the clock check falls
  // between them, or in a traced run, the first command runs alone.
  ZT_ENTRY(NextFor) {
    if (Traced || checkAt - executed < 2) {
      pc = opNext(rt, pc + 1);
      ZT_COUNTED(1, false);
    }
    pc = opFor(rt, pc[2].target + 1);
    ZT_COUNTED(2, false);
  }

#define ZT_FUSED(name, id, handler, ...)               \
  ZT_ENTRY(name##Branch) {                             \
    if (Traced || checkAt - executed < 2) {             \
      pc = handler(rt, pc + 1);                        \
      ZT_COUNTED(1, false);                            \
    }                                                  \
    pc = opBranchIfFalse(rt, ZT_CALL(handler) + 1);    \
    ZT_COUNTED(2, false);                              \
  }
  ZT_COMPARISONS(ZT_FUSED)
#undef ZT_FUSED

#if !ZT_COMPUTED_GOTO
  default:
    goto leave;
}
#endif

leave : store();
in.pc = pc;
#undef ZT_ENTRY
#undef ZT_DISPATCH
#undef ZT_COUNTED
#undef ZT_CALL
}

}  // namespace

void resetInterpreter(Runtime& rt) {
  InterpreterState& in = rt.interp;
  in.pc = rt.image.CodeBlock.data();
  in.Current = nullptr;
  in.YieldFlag = true;
  in.CommandCounter = 0;
  in.AutoRefresh = true;
  in.SliceMilliseconds = 33;
  in.SliceStart = rt.clock->milliseconds();
  resetControl(rt.control);
  rt.errors.ErrorNumber = 0;
  rt.errors.ErrorPosition = -1;
}

void postQuit(Runtime& rt) { rt.interp.QuitPosted = true; }

void startProgramData(Runtime& rt) {
  rt.control.DataPointer = 0;
  releaseArrays(rt.arrays, rt.image);
}

Word* endAtCommand(Runtime& rt, Word* pc) {
  if (rt.errors.WarnNoHandler) rt.errors.WarnNoHandler(rt, idOf(*commandWord(pc)));
  postQuit(rt);
  rt.interp.YieldFlag = true;
  return commandWord(pc);
}

int64_t currentCommandPosition(const Runtime& rt) {
  const Word* at = rt.interp.Current;
  return at && rt.image.inCode(at) ? int64_t(rt.image.codeIndex(at)) : -1;
}

void interpret(Runtime& rt) {
  InterpreterState& in = rt.interp;
  in.InputRefreshFlag = false;
  in.SliceStart = rt.clock->milliseconds();
  if (in.Trace)
    runSlice<true>(rt);
  else
    runSlice<false>(rt);
  in.YieldFlag = false;
  in.Current = nullptr;  // errors raised by the frame's other steps have no command
}

void markLoopEntries(DispatchTable& table) {
  for (const LoopCommand& c : LoopCommands) table.entries[size_t(c.id)] = c.entry;
  table.noHandlerEntry = NoHandler;
}

void chooseFusedForms(ProgramImage& image) {
  std::vector<Word>& code = image.CodeBlock;
  auto isCommand = [&](size_t i, int32_t id) {
    return i < code.size() && image.CommandStarts[i] && idOf(code[i]) == id;
  };
  auto isBranchOn = [&](size_t i, const Cell* c) {
    for (int32_t id : BranchIds)
      if (isCommand(i, id)) return code[i + 1].cell == c;
    return false;
  };
  for (size_t i = 0; i < code.size(); ++i) {
    if (!image.CommandStarts[i]) continue;
    Word& w = code[i];
    const int32_t id = idOf(w);
    if (id == CmdNext && entryOf(w) == Next && isCommand(image.codeIndex(code[i + 2].target), CmdFor)) {
      w.n = encodeCommand(id, NextFor);
      continue;
    }
    switch (entryOf(w)) {
#define ZT_CHOOSE(name, ...)                                                        \
  case name:                                                                        \
    if (isBranchOn(i + 4, code[i + 1].cell)) w.n = encodeCommand(id, name##Branch); \
    break;
      ZT_COMPARISONS(ZT_CHOOSE)
#undef ZT_CHOOSE
      default:
        break;
    }
  }
}

}  // namespace zt
