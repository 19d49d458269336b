// GIF through giflib: the first frame on the logical screen. Only the records before the
// first image are read, so the frames after it cost nothing.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "formats/image_reading.h"
#include "platform/pictures.h"

namespace zt {

namespace {

using namespace imagereading;

struct GifSource {
  std::string_view data;
  size_t at = 0;
};

int readBytes(GifFileType* gif, GifByteType* to, int wanted) {
  auto* source = static_cast<GifSource*>(gif->UserData);
  const size_t n = std::min(size_t(wanted), source->data.size() - source->at);
  std::memcpy(to, source->data.data() + source->at, n);
  source->at += n;
  return int(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

// Skips the extension records before the image, keeping the transparent index of a
// graphic control block (-1 without one). False at the end of the file or an error.
bool reachImage(GifFileType* gif, int& transparent) {
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR || type == TERMINATE_RECORD_TYPE) return false;
    if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) != GIF_ERROR;
    if (type != EXTENSION_RECORD_TYPE) continue;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
    GraphicsControlBlock control;
    if (code == GRAPHICS_EXT_FUNC_CODE && block && DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
      transparent = control.TransparentColor;
    while (block)
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  }
}

// The frame's rows top to bottom in the order the file stores them: interlaced frames
// store every eighth row from 0, then from 4, every fourth from 2, every second from 1.
std::vector<int> rowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = start[pass]; y < height; y += step[pass]) rows.push_back(y);
  return rows;
}

}  // namespace

bool decodeGif(std::string_view file, RgbImage& out) {
  out = {};
  GifSource source{file};
  int error = 0;
  GifFile gif(DGifOpen(&source, readBytes, &error));
  int transparent = -1;
  if (!gif || !reachImage(gif.get(), transparent)) return false;
  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (!map || !sizeAcceptable(frame.Width, frame.Height) || frame.Left < 0 || frame.Top < 0) return false;
  // A frame reaching past the logical screen widens it, so that no pixel is lost.
  const int64_t w = std::max<int64_t>(gif->SWidth, int64_t(frame.Left) + frame.Width);
  const int64_t h = std::max<int64_t>(gif->SHeight, int64_t(frame.Top) + frame.Height);
  if (!sizeAcceptable(w, h)) return false;
  try {
    // The indices grow as rows decode; the picture is allocated once they all have.
    std::vector<GifPixelType> indices;
    const size_t fw = size_t(frame.Width);
    for (int y = 0; y < frame.Height; ++y) {
      indices.resize(size_t(y + 1) * fw);
      if (DGifGetLine(gif.get(), &indices[size_t(y) * fw], frame.Width) == GIF_ERROR) return false;
    }
    if (!allocate(out, w, h)) return false;
    const std::vector<int> rows = rowOrder(frame.Height, frame.Interlace);
    for (size_t k = 0; k < rows.size(); ++k)
      for (size_t x = 0; x < fw; ++x) {
        const int index = indices[k * fw + x];
        if (index == transparent || index >= map->ColorCount) continue;  // stays black
        const GifColorType& c = map->Colors[index];
        out.pixels[size_t(frame.Top + rows[k]) * size_t(w) + size_t(frame.Left) + x] =
            uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | c.Blue;
      }
  } catch (const std::bad_alloc&) {
    out = {};
    return false;
  }
  return true;
}

}  // namespace zt
