// The program image file, shared by the loader, the compiler's image writer, the
// disassembler and the tests. An image is a file of little-endian 32-bit words: a 12-word
// header giving the word offset of each section, then the sections in this order: integer
// constants, float constants (their bits), string constants (each NUL-terminated, padded
// to a word after the last), DATA items (one type letter l, f or s per item padded with at
// least one NUL to a word, then the values: a word each, a string NUL-terminated and padded
// to a word), the owner tables (for integer, float and string variables: a count, then the
// function owning each variable) and the code, which runs to the end of the file.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

constexpr int32_t ImageVersion = 1;
constexpr int32_t ImageHeaderWords = 12;

struct ImageHeader {
  int32_t version, intConsts, floatConsts, stringConsts, stringCount, dataSection, dataCount, codeSection,
      intVars, floatVars, stringVars, ownerWords;
};
static_assert(sizeof(ImageHeader) == ImageHeaderWords * 4);

// Operand encodings of code words. A word below CellWordBase is a command identifier (or
// a function number after a function's parameters).
constexpr int32_t CellWordBase = 10000;   // + cell number
constexpr int32_t CellWordEnd = 25000;
constexpr int32_t PlainWordBase = 25000;  // + plain integer
constexpr int32_t PlainWordEnd = 35000;
constexpr int32_t CodeWordBase = 37000;   // + code word index

constexpr int32_t cellWord(int32_t cell) { return CellWordBase + cell; }
constexpr int32_t plainWord(int32_t value) { return PlainWordBase + value; }
constexpr int32_t codeWord(int32_t index) { return CodeWordBase + index; }

// Variables owned by this number are never saved around function calls (arrays and
// GLOBAL variables).
constexpr int32_t UnsavedOwner = 0xFFFF;

// Word `wordIndex` of `bytes`; the caller checks that it lies inside.
inline int32_t readWord(std::string_view bytes, size_t wordIndex) {
  uint8_t b[4];
  std::memcpy(b, bytes.data() + wordIndex * 4, 4);
  return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

inline void appendWord(std::string& out, int32_t word) {
  const uint32_t u = uint32_t(word);
  for (int i = 0; i < 4; ++i) out += char((u >> (8 * i)) & 0xFF);
}

// Overwrites word `wordIndex` of `bytes`, which the caller checks lies inside.
inline void storeWord(std::string& bytes, size_t wordIndex, int32_t word) {
  const uint32_t u = uint32_t(word);
  for (size_t i = 0; i < 4; ++i) bytes[wordIndex * 4 + i] = char((u >> (8 * i)) & 0xFF);
}

inline int32_t floatBits(float f) { return std::bit_cast<int32_t>(f); }

// Bytes taken by the DATA type letters of `items` items, and by a DATA string of `length`
// characters.
constexpr size_t dataLetterBytes(size_t items) { return items / 4 * 4 + 4; }
constexpr size_t dataStringBytes(size_t length) { return (length + 1) / 4 * 4 + 4; }

// The header of an image at least ImageHeaderWords words long.
ImageHeader readImageHeader(std::string_view bytes);
// Whether the sections start in the order of the file, after the header, inside a file of
// `fileWords` words.
bool sectionsInOrder(const ImageHeader& h, int64_t fileWords);

// What an image holds, before it is laid out.
struct ImageParts {
  std::vector<int32_t> integers;
  std::vector<int32_t> floatBits;
  std::vector<std::string> strings;
  std::string dataTypes;   // one letter per DATA item
  std::string dataValues;  // the items' values, encoded (appendWord, appendDataString)
  std::array<std::vector<int32_t>, 3> owners;  // integer, float, string variables
  std::vector<int32_t> code;
};

inline void appendDataString(std::string& out, std::string_view text) {
  out.append(text).append(dataStringBytes(text.size()) - text.size(), '\0');
}

std::string writeImage(const ImageParts& parts);

}  // namespace zt
