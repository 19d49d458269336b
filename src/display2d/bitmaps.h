// Bitmaps: 32 numbered drawing surfaces, bitmap 0 being the screen's back buffer; the
// current bitmap kept twice (the command side that records capture, and the list side
// that running records change); the deferred DisplayList that every 2D command feeds.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/commands.h"

#include "display2d/display_list.h"
#include "formats/image_file.h"
#include "gfx/surface.h"

namespace zt {

struct Runtime;
struct BitmapState;

constexpr int BitmapCount = 32;

// The surface a record names, or null when it is gone.
Surface* resolveSurface(Runtime& rt, SurfaceRef ref);
// A record that draws runs on the surface it names, if that still exists.
template <void (*Draw)(Runtime&, Surface&, const DisplayRecord&)>
void onSurface(Runtime& rt, DisplayRecord& r) {
  if (Surface* s = resolveSurface(rt, r.target)) Draw(rt, *s, r);
}
// Bitmap 0 or an existing numbered bitmap, as records name it; none for a missing one.
SurfaceRef surfaceRefOf(const BitmapState& b, int32_t number);
bool bitmapExists(const BitmapState& b, int32_t number);

// Both current-bitmap pairs back to the screen, the table's entry for bitmap 0 from the
// back buffer, and the screen lifetime from the page flipping.
void resetCurrentBitmaps(Runtime& rt);
// Releases bitmaps 1 to 31 (display start, reset and shutdown).
void releaseBitmaps(BitmapState& b);

// Reads a picture file the program names (the payload first) into a new surface in the
// screen's pixel format: BMP, DDS, PNG, JPEG, Targa or GIF, told apart by the content, not
// the name. Null when the file cannot be read or decoded.
std::unique_ptr<Surface> loadImageSurface(Runtime& rt, std::string_view name);
// Copies a decoded picture into a surface at (0, 0), clipped to the smaller of the two.
void putImage(Surface& dst, const RgbImage& image);
// A surface as colours, for writing files.
RgbImage surfaceImage(const Surface& s);
// Writes the surface in place of `path`: a PNG file when the name ends in ".png" (any
// letter case), a 24-bit BMP otherwise. False when the file cannot be written or memory
// for the picture runs short.
bool saveSurfaceFile(const std::string& path, const Surface& s);

// The yield rules of drawing commands: after drawing to the screen in automatic
// refresh, or after any drawing in automatic refresh.
void yieldForScreen(Runtime& rt);
void yieldForAutoRefresh(Runtime& rt);


extern const std::span<const CommandRow> BitmapRows;
extern const std::span<const RecordRow> BitmapRecords;  // records 1 to 11

}  // namespace zt
