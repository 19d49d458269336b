// 2D drawing: the ink and background colours and the primitives (dot, box, line, circle
// and ellipse, clear, point) drawn by display-list records.
#pragma once

#include <cstdint>
#include <span>

#include "core/commands.h"

#include "display2d/display_list.h"

namespace zt {

struct Runtime;
class Surface;

// White ink on black in the back buffer's layout (display start).
void resetDrawing(Runtime& rt);
// The ink and background in the layout of a rebuilt back buffer, so a new depth keeps the
// program's colours.
void relayoutDrawing(Runtime& rt);
// The line walk between two points: from the start, a pixel at the truncated position,
// then the step (a unit length along the line) added, floor(length) + 1 times; only the
// pixels inside the surface are touched.
void drawLine(Surface& s, float x1, float y1, float x2, float y2, uint32_t pixel);
// x with `step` added n times, each sum rounded, in a few operations per binary exponent
// the sums pass through.
double addRepeatedly(double x, double step, uint64_t n);

extern const std::span<const CommandRow> DrawingRows;
extern const std::span<const RecordRow> DrawingRecords;  // records 101 and 103 to 109

}  // namespace zt
