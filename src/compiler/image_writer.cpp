#include "compiler/image_writer.h"

#include <cstring>

#include "core/value.h"

namespace zt::compiler {

namespace {

void putWord(std::string& out, int32_t v) {
  uint32_t u = uint32_t(v);
  for (int i = 0; i < 4; ++i) out += char((u >> (8 * i)) & 0xFF);
}

void padToWord(std::string& out) {
  while (out.size() % 4) out += '\0';
}

int32_t floatBits(float f) {
  int32_t bits;
  std::memcpy(&bits, &f, 4);
  return bits;
}

}  // namespace

int32_t ImageBuilder::integerConstant(int32_t value) {
  auto it = intCells_.find(value);
  if (it != intCells_.end()) return it->second;
  if (ints_.size() >= size_t(MaxConstants)) return -1;
  int32_t cell = IntConsts + int32_t(ints_.size());
  ints_.push_back(value);
  intCells_.emplace(value, cell);
  return cell;
}

int32_t ImageBuilder::floatConstant(float value) {
  uint32_t bits = uint32_t(floatBits(value));
  auto it = floatCells_.find(bits);
  if (it != floatCells_.end()) return it->second;
  if (floats_.size() >= size_t(MaxConstants)) return -1;
  int32_t cell = FloatConsts + int32_t(floats_.size());
  floats_.push_back(bits);
  floatCells_.emplace(bits, cell);
  return cell;
}

int32_t ImageBuilder::stringConstant(const std::string& value) {
  auto it = stringCells_.find(value);
  if (it != stringCells_.end()) return it->second;
  if (strings_.size() >= size_t(MaxConstants)) return -1;
  int32_t cell = StringConsts + int32_t(strings_.size());
  strings_.push_back(value);
  stringCells_.emplace(value, cell);
  return cell;
}

bool ImageBuilder::constantValue(int32_t cell, double& value) const {
  if (cell >= IntConsts && cell < IntConsts + int32_t(ints_.size())) {
    value = ints_[size_t(cell - IntConsts)];
    return true;
  }
  if (cell >= FloatConsts && cell < FloatConsts + int32_t(floats_.size())) {
    float f;
    std::memcpy(&f, &floats_[size_t(cell - FloatConsts)], 4);
    value = f;
    return true;
  }
  return false;
}

int32_t ImageBuilder::variable(char type, int32_t owner) {
  int k = type == 'L' ? 0 : type == 'F' ? 1 : 2;
  std::vector<int32_t>& list = owners_[k];
  if (list.size() >= size_t(MaxVariables)) return -1;
  list.push_back(owner);
  return (k == 0 ? IntVars : k == 1 ? FloatVars : StringVars) + int32_t(list.size() - 1);
}

void ImageBuilder::dataFloat(float v) { data_.push_back({'f', floatBits(v), {}}); }

std::string ImageBuilder::bytes() const {
  std::string body;  // everything after the header
  constexpr int32_t HeaderWords = 12;
  auto offset = [&] { return HeaderWords + int32_t(body.size() / 4); };

  const int32_t intOffset = offset();
  for (int32_t v : ints_) putWord(body, v);
  const int32_t floatOffset = offset();
  for (uint32_t v : floats_) putWord(body, int32_t(v));
  const int32_t stringOffset = offset();
  for (const std::string& s : strings_) body.append(s).push_back('\0');
  padToWord(body);

  const int32_t dataOffset = offset();
  for (const Item& d : data_) body += d.type;
  body.append(4 - data_.size() % 4, '\0');  // at least one NUL after the letters
  for (const Item& d : data_) {
    if (d.type == 's') {
      body.append(d.text).append((d.text.size() + 1) / 4 * 4 + 4 - d.text.size(), '\0');
    } else {
      putWord(body, d.bits);
    }
  }

  const int32_t ownerOffset = offset();
  for (const auto& list : owners_) {
    putWord(body, int32_t(list.size()));
    for (int32_t owner : list) putWord(body, owner);
  }
  const int32_t codeOffset = offset();
  for (int32_t w : code_) putWord(body, w);

  std::string out;
  const int32_t header[HeaderWords] = {1,
                                       intOffset,
                                       floatOffset,
                                       stringOffset,
                                       int32_t(strings_.size()),
                                       dataOffset,
                                       int32_t(data_.size()),
                                       codeOffset,
                                       int32_t(owners_[0].size()),
                                       int32_t(owners_[1].size()),
                                       int32_t(owners_[2].size()),
                                       codeOffset - ownerOffset};
  for (int32_t w : header) putWord(out, w);
  return out + body;
}

}  // namespace zt::compiler
