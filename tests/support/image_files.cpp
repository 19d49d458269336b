#include "support/image_files.h"

#include <cstring>

namespace zt::test {

void u16(std::string& s, uint32_t v) {
  s.push_back(char(v & 255));
  s.push_back(char((v >> 8) & 255));
}
void u32(std::string& s, uint32_t v) {
  u16(s, v & 0xFFFF);
  u16(s, v >> 16);
}

std::string bmp(int32_t w, int32_t h, int bits, uint32_t compression, const std::string& extra,
                const std::string& pixels) {
  std::string s = "BM";
  u32(s, uint32_t(54 + extra.size() + pixels.size()));
  u32(s, 0);
  u32(s, uint32_t(54 + extra.size()));
  u32(s, 40);
  u32(s, uint32_t(w));
  u32(s, uint32_t(h));
  u16(s, 1);
  u16(s, uint32_t(bits));
  u32(s, compression);
  u32(s, uint32_t(pixels.size()));
  u32(s, 0);
  u32(s, 0);
  u32(s, bits <= 8 ? uint32_t(extra.size() / 4) : 0);  // colours used: the palette given
  u32(s, 0);
  return s + extra + pixels;
}

std::string palette(std::initializer_list<uint32_t> colours) {
  std::string p;
  for (uint32_t c : colours) u32(p, c);
  return p;
}

std::string bytes(std::initializer_list<int> b) {
  std::string s;
  for (int v : b) s.push_back(char(v));
  return s;
}


std::string dds(uint32_t w, uint32_t h, uint32_t pfFlags, uint32_t fourCC, uint32_t bits,
                std::array<uint32_t, 3> masks, const std::string& data) {
  std::string s = "DDS ";
  std::string d(124, '\0');
  auto put = [&](size_t at, uint32_t v) { std::memcpy(&d[at], &v, 4); };
  put(0, 124);
  put(8, h);
  put(12, w);
  put(72, 32);
  put(76, pfFlags);
  put(80, fourCC);
  put(84, bits);
  put(88, masks[0]);
  put(92, masks[1]);
  put(96, masks[2]);
  return s + d + data;
}

uint32_t fourCC(const char* s) {
  uint32_t v;
  std::memcpy(&v, s, 4);
  return v;
}

}  // namespace zt::test
