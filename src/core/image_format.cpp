#include "core/image_format.h"

namespace zt {

ImageHeader readImageHeader(std::string_view bytes) {
  ImageHeader h{};
  int32_t* words = &h.version;
  for (int32_t i = 0; i < ImageHeaderWords; ++i) words[i] = readWord(bytes, size_t(i));
  return h;
}

bool sectionsInOrder(const ImageHeader& h, int64_t fileWords) {
  return h.intConsts >= ImageHeaderWords && h.intConsts <= h.floatConsts && h.floatConsts <= h.stringConsts &&
         h.stringConsts <= h.dataSection && h.dataSection <= h.codeSection && h.codeSection <= fileWords;
}

std::string writeImage(const ImageParts& parts) {
  std::string body;  // everything after the header
  auto offset = [&] { return ImageHeaderWords + int32_t(body.size() / 4); };

  ImageHeader h{};
  h.version = ImageVersion;
  h.intConsts = offset();
  for (int32_t v : parts.integers) appendWord(body, v);
  h.floatConsts = offset();
  for (int32_t v : parts.floatBits) appendWord(body, v);
  h.stringConsts = offset();
  for (const std::string& s : parts.strings) body.append(s).push_back('\0');
  while (body.size() % 4) body += '\0';
  h.stringCount = int32_t(parts.strings.size());

  h.dataSection = offset();
  h.dataCount = int32_t(parts.dataTypes.size());
  body += parts.dataTypes;
  body.append(dataLetterBytes(parts.dataTypes.size()) - parts.dataTypes.size(), '\0');
  body += parts.dataValues;

  const int32_t ownerOffset = offset();
  for (const auto& list : parts.owners) {
    appendWord(body, int32_t(list.size()));
    for (int32_t owner : list) appendWord(body, owner);
  }
  h.codeSection = offset();
  h.intVars = int32_t(parts.owners[0].size());
  h.floatVars = int32_t(parts.owners[1].size());
  h.stringVars = int32_t(parts.owners[2].size());
  h.ownerWords = h.codeSection - ownerOffset;
  for (int32_t w : parts.code) appendWord(body, w);

  std::string out;
  const int32_t* words = &h.version;
  for (int32_t i = 0; i < ImageHeaderWords; ++i) appendWord(out, words[i]);
  return out + body;
}

}  // namespace zt
