#include "formats/image_file.h"

#include <cctype>
#include <string>

#include "formats/bmp.h"
#include "formats/dds.h"

namespace zt {

bool decodeImage(std::string_view file, RgbImage& out) {
  if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') return decodeBmp(file, out);
  return decodeDds(file, out);
}

bool decodeImageFile(std::string_view file, std::string_view extension, RgbImage& out) {
  std::string ext;
  for (char c : extension) ext += char(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "bmp") return decodeBmp(file, out);
  if (ext == "dds") return decodeDds(file, out);
  return false;
}

}  // namespace zt
