#include "platform/pictures.h"

namespace zt {

bool decodePicture(std::string_view file, RgbImage& out) {
  if (file.starts_with("\x89PNG\r\n\x1A\n")) return decodePng(file, out);
  if (file.starts_with("\xFF\xD8\xFF")) return decodeJpeg(file, out);
  if (file.starts_with("GIF87a") || file.starts_with("GIF89a")) return decodeGif(file, out);
  return decodeImage(file, out);
}

}  // namespace zt
