// Expansion of the compressed .x forms with zlib's raw inflate; each block starts with the
// last 32 KB already expanded as its dictionary.
#include "formats/xfile_zip.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>

namespace zt::xfile {
namespace {

constexpr size_t HeaderBytes = 16, Window = 32768;

uint32_t le(std::string_view d, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | uint8_t(d[at + size_t(i)]);
  return v;
}

class Inflater {
 public:
  Inflater() { ready = inflateInit2(&zs, -15) == Z_OK; }
  ~Inflater() {
    if (ready) inflateEnd(&zs);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Expands one block into `to`, which has room for exactly what it must give.
  bool block(std::string_view in, std::string_view history, char* to, size_t size) {
    if (!ready || inflateReset(&zs) != Z_OK) return false;
    if (!history.empty() &&
        inflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(history.data()), uInt(history.size())) != Z_OK)
      return false;
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs.avail_in = uInt(in.size());
    zs.next_out = reinterpret_cast<Bytef*>(to);
    zs.avail_out = uInt(size);
    return inflate(&zs, Z_FINISH) == Z_STREAM_END && zs.avail_out == 0;
  }
  bool ready = false;

 private:
  z_stream zs{};
};

XFileResult failure(XFileError e, std::string what, size_t at) {
  return {e, what + " (byte " + std::to_string(at + HeaderBytes) + ")"};
}

}  // namespace

XFileResult expandBlocks(std::string_view in, std::string& out) {
  out.clear();
  if (in.size() < 4) return failure(XFileError::Truncated, "the file ends before its expanded size", 0);
  // The size counts the 16 header bytes; files that leave them out are read too.
  const size_t total = le(in, 0, 4);
  if (total > MaxExpandedBytes + HeaderBytes)
    return failure(XFileError::Unsupported, "the file expands to more than 512 MB", 0);
  Inflater inflater;
  if (!inflater.ready) return {XFileError::OutOfMemory, "no memory to expand the file"};
  for (size_t pos = 4; pos < in.size();) {
    if (in.size() - pos < 4) return failure(XFileError::Truncated, "the file ends inside a block header", pos);
    const size_t expanded = le(in, pos, 2), stored = le(in, pos + 2, 2);
    pos += 4;
    if (stored > in.size() - pos) return failure(XFileError::Truncated, "the file ends inside a compressed block", pos);
    if (stored < 2 || in[pos] != 'C' || in[pos + 1] != 'K')
      return failure(XFileError::Malformed, "a compressed block without its \"CK\" mark", pos);
    if (out.size() + expanded > total)
      return failure(XFileError::Malformed, "the blocks expand to more than the file's stated size", pos);
    const size_t start = out.size();
    out.resize(start + expanded);
    const size_t kept = std::min(start, Window);
    if (!inflater.block(in.substr(pos + 2, stored - 2), std::string_view(out).substr(start - kept, kept),
                        out.data() + start, expanded))
      return failure(XFileError::Malformed, "a compressed block does not expand to its stated size", pos);
    pos += stored;
  }
  if (out.size() != total && out.size() + HeaderBytes != total)
    return failure(XFileError::Truncated, "the blocks expand to less than the file's stated size", in.size());
  return {};
}

}  // namespace zt::xfile
