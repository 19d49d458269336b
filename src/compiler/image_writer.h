// The image writer: collects constants, variables with their owners, DATA items and
// code words, and lays them out as a program image (see core/image_format.h).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "compiler/source.h"
#include "core/image_format.h"
#include "formats/line_table.h"

namespace zt::compiler {

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

  void dataInteger(int32_t v);
  void dataFloat(float v);
  void dataString(const std::string& s);

  std::vector<int32_t>& code() { return parts_.code; }

  std::string bytes() const { return writeImage(parts_); }

  // The code from its current end on comes from `pos`, in user function `function` (0:
  // the main program), until the next mark.
  void markPlace(SourcePos pos, int32_t function);
  // The line table of `image` (what bytes() gave), the marks' files and functions named
  // by `files` and `functions`.
  LineTable lineTable(std::string_view image, std::vector<std::string> files, std::vector<std::string> functions) const;

 private:
  ImageParts parts_;
  std::unordered_map<int32_t, int32_t> intCells_;
  std::unordered_map<int32_t, int32_t> floatCells_;
  std::map<std::string, int32_t> stringCells_;
  std::vector<LinePlace> places_;
};

}  // namespace zt::compiler
