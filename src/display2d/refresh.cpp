// Frame cycle commands: SYNC, SYNC ON and OFF, SYNC RATE, DRAW TO FRONT and BACK. SYNC
// ends the interpreter slice so the run loop shows a frame; SYNC ON stops drawing commands
// from doing it themselves. The screen capture of SAVE BITMAP is written here, after the
// frame is shown. Owns the RefreshState.
#include "display2d/refresh.h"

#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/runtime.h"
#include "display2d/state.h"
#include "platform/fs.h"

namespace zt {

namespace {

constexpr int32_t MaxSyncRate = 1000;

Word* opSync(Runtime& rt, Word* pc) {
  rt.interp.YieldFlag = true;
  return pc;
}

template <bool Auto>
Word* opSyncMode(Runtime& rt, Word* pc) {
  rt.interp.AutoRefresh = Auto;
  rt.interp.YieldFlag = true;
  return pc;
}

Word* opSyncRate(Runtime& rt, Word* pc) {
  const int32_t rate = operand(pc, 0).i;
  if (rate < 0 || rate > MaxSyncRate)
    raiseError(rt, ErrSyncRate);
  else
    rt.frame.FrameMilliseconds = rate == 0 ? 0 : uint32_t(1000.0 / rate);
  return pc + 1;
}

template <int32_t Back>
Word* opDrawTo(Runtime& rt, Word* pc) {
  rt.refresh.DrawToBack = Back;
  return pc;
}

const CommandRow Rows[] = {
    {CmdSync, opSync},
    {CmdSyncOn, opSyncMode<false>},
    {CmdSyncOff, opSyncMode<true>},
    {CmdSyncRate, opSyncRate},
    {CmdDrawToFront, opDrawTo<0>},
    {CmdDrawToBack, opDrawTo<1>},
};

}  // namespace

void resetRefresh(Runtime& rt) {
  rt.refresh.DrawToBack = 0;
  rt.refresh.CapturePending = 0;
  rt.refresh.CaptureFile.clear();
}

void writePendingCapture(Runtime& rt) {
  RefreshState& r = rt.refresh;
  if (!r.CapturePending) return;
  r.CapturePending = 0;
  Surface* front = frontBuffer(rt.display);
  const std::string path = rt.fs.resolve(r.CaptureFile);
  if (front) saveSurfaceFile(path, *front);
}

extern const std::span<const CommandRow> RefreshRows(Rows);

}  // namespace zt
