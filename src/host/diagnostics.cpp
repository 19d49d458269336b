#include "host/diagnostics.h"

#include <algorithm>
#include <cstdio>

#include "core/command_table.h"
#include "core/commands.h"
#include "core/error_meanings.h"
#include "core/runtime.h"
#include "display2d/state.h"
#include "host/options.h"
#include "host/pack.h"
#include "host/state.h"
#include "platform/fs.h"

namespace zt {

namespace {

std::string placeText(const Runtime& rt, int64_t position) {
  const LineTable& lines = rt.host.Lines;
  const LinePlace* place = position < 0 ? nullptr : lines.find(size_t(position));
  return place ? " at " + lines.describe(*place) : std::string();
}

void warnSoftError(Runtime& rt, int32_t number) {
  const int64_t position = currentCommandPosition(rt);
  if (!rt.host.Warned.emplace(number, position).second) return;
  std::fprintf(stderr, "warning: %s\n", errorDetail(rt, number, position).c_str());
}

void warnNoHandler(Runtime& rt, int32_t id) {
  std::string keyword;
  for (const CommandEntry& e : parseCommandTable(commandTableText))
    if (e.id == id) keyword = " (" + e.keyword + ")";
  std::fprintf(stderr, "warning: command %d%s has no handler in this engine: the program ends here%s\n", int(id),
               keyword.c_str(), placeText(rt, currentCommandPosition(rt)).c_str());
}

}  // namespace

void takeLineTable(Runtime& rt, std::string_view image, std::string_view text, const std::string& shownAs) {
  LineTable& lines = rt.host.Lines;
  std::string why;
  if (!readLineTable(text, lines, why))
    std::fprintf(stderr, "zentropia: warning: %s is not a valid line table (%s); errors will name no source lines\n",
                 shownAs.c_str(), why.c_str());
  else if (!lines.describes(image)) {
    lines = LineTable{};
    std::fprintf(stderr,
                 "zentropia: warning: %s was written for another build of the program; errors will name no source "
                 "lines\n",
                 shownAs.c_str());
  }
}

void readLineTableBeside(Runtime& rt, const std::string& imagePath, std::string_view image) {
  const std::string path = lineTablePath(imagePath);
  if (!isReadableFile(path)) return;
  std::string text, why;
  if (!readWholeFile(path, text, MaxLineTableBytes, &why)) {
    std::fprintf(stderr, "zentropia: warning: cannot read %s: %s; errors will name no source lines\n", path.c_str(),
                 why.c_str());
    return;
  }
  takeLineTable(rt, image, text, path);
}

void takePayloadLineTable(Runtime& rt, std::string_view image) {
  Payload& payload = rt.host.payload;
  if (payload.entries.size() < 2 || payload.entries[1].name != LineTableEntryName) return;
  takeLineTable(rt, image, payload.data(payload.entries[1]), "the game's line table");
  payload.entries.erase(payload.entries.begin() + 1);
}

std::string errorDetail(const Runtime& rt, int32_t number, int64_t position) {
  std::string_view meaning = errorMeaning(number);
  std::string text =
      "error " + std::to_string(number) + " (" + std::string(meaning.empty() ? "no meaning known" : meaning) + ")";
  return text + placeText(rt, position);
}

void enableWarnings(Runtime& rt) {
  rt.errors.WarnSoftError = warnSoftError;
  rt.errors.WarnNoHandler = warnNoHandler;
}

void reportUnreachedFrames(const Runtime& rt, const RunOptions& options) {
  const int64_t ran = rt.frame.Frames;
  if (options.frames > ran)
    std::fprintf(stderr, "zentropia: --frames %lld: the run ended after %lld frames\n", (long long)options.frames,
                 (long long)ran);
  for (const auto& [frame, file] : options.dumpFrames)
    if (frame > ran)
      std::fprintf(stderr, "zentropia: --dump-frame %lld: the run ended after %lld frames; %s was not written\n",
                   (long long)frame, (long long)ran, file.c_str());
}

}  // namespace zt
