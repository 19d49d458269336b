#include "host/recording.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/runtime.h"
#include "host/state.h"
#include "input/state.h"

namespace zt {

namespace {

void write(Runtime& rt, const std::string& lines) {
  HostState& h = rt.host;
  if (!h.RecordFile || lines.empty()) return;
  if (std::fwrite(lines.data(), 1, lines.size(), h.RecordFile.get()) != lines.size() ||
      std::fflush(h.RecordFile.get()) != 0)
    h.RecordFailed = true;
}

}  // namespace

bool startRecording(Runtime& rt, const std::string& path, std::string& error) {
  HostState& h = rt.host;
  h.RecordFile.reset(std::fopen(path.c_str(), "wb"));
  if (!h.RecordFile) {
    error = std::strerror(errno);
    return false;
  }
  h.RecordPath = path;
  rt.input.Recording = std::make_unique<InputScriptWriter>();
  write(rt, "# input recorded by zentropia: FRAME ACTION, replayed with --input\n");
  return true;
}

void saveRecording(Runtime& rt) {
  if (rt.input.Recording) write(rt, rt.input.Recording->take());
}

void finishRecording(Runtime& rt) {
  HostState& h = rt.host;
  if (!rt.input.Recording) return;
  write(rt, rt.input.Recording->finish());
  rt.input.Recording.reset();
  if (h.RecordFile && std::fclose(h.RecordFile.release()) != 0) h.RecordFailed = true;
  if (h.RecordFailed) std::fprintf(stderr, "zentropia: --record %s: the recording could not be written\n", h.RecordPath.c_str());
}

}  // namespace zt
