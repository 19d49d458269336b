// Text on bitmaps: the text font settings and the print font, and the services PRINT and
// INPUT use to queue their text.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/commands.h"

#include "display2d/display_list.h"
#include "platform/font.h"

namespace zt {

struct Runtime;

constexpr int32_t PrintFontHeight = 10;

// The text defaults and both fonts (display start). A missing font library is logged
// and text is then measured as empty and not drawn.
void startText(Runtime& rt);
// Queues a print record at the cursor (x, y) and advances the cursor at once: to the end
// of the text (`keepOnLine`), else to the start of the next line; with `wrap` a cursor
// at or past the screen's width starts the next line.
void AddPrintRecord(Runtime& rt, std::string_view text, int32_t& x, int32_t& y, bool keepOnLine, bool wrap,
                    bool opaque);
// Queues the rubbing-out of a text printed at (x, y).
void AddEraseRecord(Runtime& rt, std::string_view text, int32_t x, int32_t y);

extern const std::span<const CommandRow> TextRows;
extern const std::span<const RecordRow> TextRecords;  // records 102, 110 and 201 to 213

}  // namespace zt
