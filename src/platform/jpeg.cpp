// JPEG through libjpeg-turbo. The library reports errors by calling back, so its errors
// jump back to the one frame that set the jump (readJpeg), which holds no C++ objects of
// its own: the picture belongs to the caller and the library's memory to its own pools.
#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE without including it

#include <jpeglib.h>
// after jpeglib.h, whose version decides the message list
#include <jerror.h>

#include <new>

#include "formats/image_reading.h"
#include "platform/pictures.h"

namespace zt {

namespace {

using namespace imagereading;

// A progressive file of thousands of nearly empty scans costs time out of proportion to
// its size; real pictures have a dozen or so.
constexpr int MaxScans = 500;
// The library's own buffers (whole-picture coefficients of a progressive file) stay
// within what the largest accepted picture takes.
constexpr long MaxLibraryMemory = long(MaxImagePixels * 4);

struct JpegJob {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr errors{};
  jpeg_progress_mgr progress{};
  std::jmp_buf failed{};
};

JpegJob& jobOf(j_common_ptr cinfo) { return *static_cast<JpegJob*>(cinfo->client_data); }

[[noreturn]] void fail(j_common_ptr cinfo) { std::longjmp(jobOf(cinfo).failed, 1); }

// Warnings that mean picture data is missing or garbled fail the picture; the others
// (extra bytes between markers, unusual headers) leave it whole.
void onMessage(j_common_ptr cinfo, int level) {
  if (level != -1) return;
  switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE: fail(cinfo);
    default: return;
  }
}

void onProgress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > MaxScans) fail(cinfo);
}

void silent(j_common_ptr) {}

// Decodes row by row into `out`, which grows only as rows decode, so a file that stops
// short never costs the memory of the picture its header declares.
bool readJpeg(JpegJob& job, std::string_view file, RgbImage& out) {
  jpeg_decompress_struct& cinfo = job.cinfo;
  cinfo.err = jpeg_std_error(&job.errors);
  job.errors.error_exit = fail;
  job.errors.emit_message = onMessage;
  job.errors.output_message = silent;
  cinfo.client_data = &job;  // kept by jpeg_create_decompress, which may fail already
  if (setjmp(job.failed)) return false;
  jpeg_create_decompress(&cinfo);
  job.progress.progress_monitor = onProgress;
  cinfo.progress = &job.progress;
  cinfo.mem->max_memory_to_use = MaxLibraryMemory;
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(file.data()), static_cast<unsigned long>(file.size()));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
  if (!sizeAcceptable(cinfo.image_width, cinfo.image_height)) return false;
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const size_t w = cinfo.output_width;
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, JDIMENSION(w * 3), 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    const size_t y = cinfo.output_scanline;
    if (jpeg_read_scanlines(&cinfo, row, 1) != 1) return false;
    out.pixels.resize((y + 1) * w);
    for (size_t x = 0; x < w; ++x)
      out.pixels[y * w + x] = uint32_t(row[0][x * 3]) << 16 | uint32_t(row[0][x * 3 + 1]) << 8 | row[0][x * 3 + 2];
  }
  out.width = int(w);
  out.height = int(cinfo.output_height);
  jpeg_finish_decompress(&cinfo);
  return true;
}

}  // namespace

bool decodeJpeg(std::string_view file, RgbImage& out) {
  out = {};
  JpegJob job;
  bool ok = false;
  try {
    ok = readJpeg(job, file, out);
  } catch (const std::bad_alloc&) {  // the picture's rows ran out of memory
  }
  jpeg_destroy_decompress(&job.cinfo);
  if (!ok) out = {};
  return ok;
}

}  // namespace zt
