// Run-time diagnostics: the program's line table, the second line of the error report
// ("error 102 (array subscript out of range) at game.ztb:42:9 in FUNCTION move_enemy"),
// the warnings of --warn and debug mode, and frames asked for that the run never reached.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zt {

struct Runtime;
struct RunOptions;

// Takes the line table `text` (read from `shownAs`) for the program `image`; a table that
// is malformed or written for other image bytes is dropped with one warning on stderr.
void takeLineTable(Runtime& rt, std::string_view image, std::string_view text, const std::string& shownAs);
// The table beside an image file, when there is one.
void readLineTableBeside(Runtime& rt, const std::string& imagePath, std::string_view image);
// A packed game's table: the payload entry after the image, which leaves the payload so
// that no lookup finds it.
void takePayloadLineTable(Runtime& rt, std::string_view image);

// "error N (meaning)", then " at file:line:column" (and " in FUNCTION name") when the
// line table knows `position`, the code position of the command.
std::string errorDetail(const Runtime& rt, int32_t number, int64_t position);

// Soft errors and commands without a handler are reported on stderr from now on; a soft
// error met again at the same command is not reported again.
void enableWarnings(Runtime& rt);

// After the run: each --frames or --dump-frame frame beyond the last frame run.
void reportUnreachedFrames(const Runtime& rt, const RunOptions& options);

}  // namespace zt
