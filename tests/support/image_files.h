// Builds image files in memory for tests: Windows bitmaps of any layout and DirectDraw
// surface files, from their header fields and raw data.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace zt::test {

void u16(std::string& s, uint32_t v);
void u32(std::string& s, uint32_t v);
// A bitmap file with a 40-byte header; `extra` (palette or masks) sits after the header.
std::string bmp(int32_t w, int32_t h, int bits, uint32_t compression, const std::string& extra,
                const std::string& pixels);
// Palette entries as the file stores them (0x00RRGGBB, little-endian).
std::string palette(std::initializer_list<uint32_t> colours);
std::string bytes(std::initializer_list<int> b);
// A DirectDraw surface file: the 124-byte description, then the data.
std::string dds(uint32_t w, uint32_t h, uint32_t pfFlags, uint32_t fourCC, uint32_t bits,
                std::array<uint32_t, 3> masks, const std::string& data);
uint32_t fourCC(const char* s);

}  // namespace zt::test
