#include "support/picture_files.h"

#include <cstdio>
#include <jpeglib.h>
#include <gif_lib.h>
#include <png.h>

#include <cstdlib>
#include <stdexcept>

#include "support/image_files.h"

namespace zt::test {

namespace {

std::string writePng(png_image& png, const void* buffer, const void* colormap) {
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(png, size, 0, buffer, 0, colormap)) throw std::runtime_error(png.message);
  std::string file(size, '\0');
  if (!png_image_write_to_memory(&png, file.data(), &size, 0, buffer, 0, colormap)) throw std::runtime_error(png.message);
  file.resize(size);
  return file;
}

std::vector<uint8_t> rgbaBytes(const std::vector<uint32_t>& argb) {
  std::vector<uint8_t> out;
  for (uint32_t p : argb) out.insert(out.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
  return out;
}

}  // namespace

std::string pngRgba(int w, int h, const std::vector<uint32_t>& pixels) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(w);
  png.height = png_uint_32(h);
  png.format = PNG_FORMAT_RGBA;
  const std::vector<uint8_t> bytes = rgbaBytes(pixels);
  return writePng(png, bytes.data(), nullptr);
}

std::string pngPalette(int w, int h, const std::vector<uint8_t>& indices, const std::vector<uint32_t>& colours) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(w);
  png.height = png_uint_32(h);
  png.format = PNG_FORMAT_RGBA_COLORMAP;
  png.colormap_entries = png_uint_32(colours.size());
  const std::vector<uint8_t> map = rgbaBytes(colours);
  return writePng(png, indices.data(), map.data());
}

std::string jpeg(const RgbImage& image, int quality, bool progressive, bool grey) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);  // a failure here ends the test process with the message
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(image.width);
  cinfo.image_height = JDIMENSION(image.height);
  cinfo.input_components = grey ? 1 : 3;
  cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row;
  for (int y = 0; y < image.height; ++y) {
    row.clear();
    for (int x = 0; x < image.width; ++x) {
      const uint32_t p = image.at(x, y);
      if (grey)
        row.push_back(uint8_t(p));
      else
        row.insert(row.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
    }
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string file(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return file;
}

std::string gif(int w, int h, const std::vector<uint32_t>& colours, const std::vector<GifFrame>& frames) {
  std::string file;
  auto append = [](GifFileType* g, const GifByteType* bytes, int n) {
    static_cast<std::string*>(g->UserData)->append(reinterpret_cast<const char*>(bytes), size_t(n));
    return n;
  };
  int error = 0;
  GifFileType* g = EGifOpen(&file, append, &error);
  int count = 2;
  while (count < int(colours.size())) count *= 2;
  ColorMapObject* map = GifMakeMapObject(count, nullptr);
  for (size_t i = 0; i < colours.size(); ++i)
    map->Colors[i] = {GifByteType(colours[i] >> 16), GifByteType(colours[i] >> 8), GifByteType(colours[i])};
  EGifSetGifVersion(g, true);
  EGifPutScreenDesc(g, w, h, map->BitsPerPixel, 0, map);
  for (const GifFrame& f : frames) {
    if (f.transparent >= 0) {
      GraphicsControlBlock control{};
      control.TransparentColor = f.transparent;
      GifByteType block[4];
      EGifGCBToExtension(&control, block);
      EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, 4, block);
    }
    EGifPutImageDesc(g, f.left, f.top, f.width, f.height, f.interlaced, nullptr);
    std::vector<uint8_t> rows = f.rows;
    for (int y = 0; y < f.height; ++y) EGifPutLine(g, &rows[size_t(y) * size_t(f.width)], f.width);
  }
  EGifCloseFile(g, &error);
  GifFreeMapObject(map);
  return file;
}

std::string tga(int type, int w, int h, int bits, int descriptor, const std::string& data, int mapBits, int mapLength,
                int mapFirst, const std::string& map) {
  std::string s;
  s += char(0);  // no identification field
  s += char(mapLength ? 1 : 0);
  s += char(type);
  u16(s, uint32_t(mapFirst));
  u16(s, uint32_t(mapLength));
  s += char(mapBits);
  u16(s, 0);
  u16(s, 0);
  u16(s, uint32_t(w));
  u16(s, uint32_t(h));
  s += char(bits);
  s += char(descriptor);
  return s + map + data;
}

}  // namespace zt::test
