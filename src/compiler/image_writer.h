// The image writer: collects constants, variables with their owners, DATA items and
// code words, and lays them out as a program image (little-endian 32-bit words: header,
// integer, float and string constants, DATA, owner tables, code).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace zt::compiler {

// Operand encodings of code words.
constexpr int32_t CellWord = 10000;   // + cell number
constexpr int32_t PlainWord = 25000;  // + plain integer (0 to 9999)
constexpr int32_t CodeWord = 37000;   // + code word index

// Variables owned by this number are never saved around function calls (arrays).
constexpr int32_t UnsavedOwner = 0xFFFF;

class ImageBuilder {
 public:
  // Constant cells, shared by equal values. Return -1 once a range is full.
  int32_t integerConstant(int32_t value);
  int32_t floatConstant(float value);
  int32_t stringConstant(const std::string& value);
  // The value of a constant cell made by this builder.
  bool constantValue(int32_t cell, double& value) const;

  // A new variable cell of `type` ('L', 'F', 'S') owned by function `owner` (0 is the
  // main program); -1 once the range is full.
  int32_t variable(char type, int32_t owner);

  void dataInteger(int32_t v) { data_.push_back({'l', v, {}}); }
  void dataFloat(float v);
  void dataString(const std::string& s) { data_.push_back({'s', 0, s}); }

  std::vector<int32_t>& code() { return code_; }

  std::string bytes() const;

 private:
  struct Item {
    char type;
    int32_t bits;
    std::string text;
  };
  std::vector<int32_t> ints_;
  std::vector<uint32_t> floats_;
  std::vector<std::string> strings_;
  std::unordered_map<int32_t, int32_t> intCells_;
  std::unordered_map<uint32_t, int32_t> floatCells_;
  std::map<std::string, int32_t> stringCells_;
  std::vector<int32_t> owners_[3];
  std::vector<Item> data_;
  std::vector<int32_t> code_;
};

}  // namespace zt::compiler
