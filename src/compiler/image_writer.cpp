#include "compiler/image_writer.h"

#include <bit>

#include "core/value.h"

namespace zt::compiler {

int32_t ImageBuilder::integerConstant(int32_t value) {
  auto it = intCells_.find(value);
  if (it != intCells_.end()) return it->second;
  std::vector<int32_t>& ints = parts_.integers;
  if (ints.size() >= size_t(MaxConstants)) return -1;
  int32_t cell = IntConsts + int32_t(ints.size());
  ints.push_back(value);
  intCells_.emplace(value, cell);
  return cell;
}

int32_t ImageBuilder::floatConstant(float value) {
  const int32_t bits = floatBits(value);
  auto it = floatCells_.find(bits);
  if (it != floatCells_.end()) return it->second;
  std::vector<int32_t>& floats = parts_.floatBits;
  if (floats.size() >= size_t(MaxConstants)) return -1;
  int32_t cell = FloatConsts + int32_t(floats.size());
  floats.push_back(bits);
  floatCells_.emplace(bits, cell);
  return cell;
}

int32_t ImageBuilder::stringConstant(const std::string& value) {
  auto it = stringCells_.find(value);
  if (it != stringCells_.end()) return it->second;
  std::vector<std::string>& strings = parts_.strings;
  if (strings.size() >= size_t(MaxConstants)) return -1;
  int32_t cell = StringConsts + int32_t(strings.size());
  strings.push_back(value);
  stringCells_.emplace(value, cell);
  return cell;
}

bool ImageBuilder::constantValue(int32_t cell, double& value) const {
  const std::vector<int32_t>& ints = parts_.integers;
  const std::vector<int32_t>& floats = parts_.floatBits;
  if (cell >= IntConsts && cell < IntConsts + int32_t(ints.size())) {
    value = ints[size_t(cell - IntConsts)];
    return true;
  }
  if (cell >= FloatConsts && cell < FloatConsts + int32_t(floats.size())) {
    value = std::bit_cast<float>(floats[size_t(cell - FloatConsts)]);
    return true;
  }
  return false;
}

int32_t ImageBuilder::variable(char type, int32_t owner) {
  int k = type == 'L' ? 0 : type == 'F' ? 1 : 2;
  std::vector<int32_t>& list = parts_.owners[size_t(k)];
  if (list.size() >= size_t(MaxVariables)) return -1;
  list.push_back(owner);
  return (k == 0 ? IntVars : k == 1 ? FloatVars : StringVars) + int32_t(list.size() - 1);
}

void ImageBuilder::dataInteger(int32_t v) {
  parts_.dataTypes += 'l';
  appendWord(parts_.dataValues, v);
}

void ImageBuilder::dataFloat(float v) {
  parts_.dataTypes += 'f';
  appendWord(parts_.dataValues, floatBits(v));
}

void ImageBuilder::dataString(const std::string& s) {
  parts_.dataTypes += 's';
  appendDataString(parts_.dataValues, s);
}

void ImageBuilder::markPlace(SourcePos pos, int32_t function) {
  const LinePlace place{uint32_t(parts_.code.size()), uint32_t(pos.file), uint32_t(pos.line), uint32_t(pos.column),
                        uint32_t(function)};
  if (!places_.empty() && places_.back().word == place.word) places_.pop_back();  // it covers no code
  const bool continues = !places_.empty() && places_.back().file == place.file && places_.back().line == place.line &&
                         places_.back().column == place.column && places_.back().function == place.function;
  if (!continues) places_.push_back(place);
}

LineTable ImageBuilder::lineTable(std::string_view image, std::vector<std::string> files,
                                  std::vector<std::string> functions) const {
  LineTable table;
  table.imageSize = image.size();
  table.imageHash = lineTableHash(image);
  table.files = std::move(files);
  table.functions = std::move(functions);
  table.places = places_;
  // Marks past the last command cover no code.
  while (!table.places.empty() && table.places.back().word >= parts_.code.size()) table.places.pop_back();
  return table;
}

}  // namespace zt::compiler
