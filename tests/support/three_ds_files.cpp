#include "support/three_ds_files.h"

#include <cstring>

namespace zt::test {

std::string le16(uint32_t v) { return {char(v & 0xFF), char(v >> 8 & 0xFF)}; }
std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
std::string f32(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return le32(bits);
}
std::string cstr(const std::string& s) { return s + std::string(1, '\0'); }
std::string chunk(uint16_t id, const std::string& body) { return le16(id) + le32(uint32_t(body.size() + 6)) + body; }

namespace {
std::string floats(const std::vector<float>& values) {
  std::string s;
  for (float f : values) s += f32(f);
  return s;
}
}  // namespace

std::string vertexList(const std::vector<std::vector<float>>& points) {
  std::string body = le16(uint32_t(points.size()));
  for (const auto& p : points) body += floats(p);
  return chunk(0x4110, body);
}

std::string faceList(const std::vector<Corner3>& faces, const std::string& sub) {
  std::string body = le16(uint32_t(faces.size()));
  for (const Corner3& f : faces) body += le16(f.a) + le16(f.b) + le16(f.c) + le16(0);
  return chunk(0x4120, body + sub);
}

std::string faceMaterial(const std::string& material, const std::vector<uint16_t>& faces) {
  std::string body = cstr(material) + le16(uint32_t(faces.size()));
  for (uint16_t f : faces) body += le16(f);
  return chunk(0x4130, body);
}

std::string textureCoords(const std::vector<std::vector<float>>& uvs) {
  std::string body = le16(uint32_t(uvs.size()));
  for (const auto& uv : uvs) body += floats(uv);
  return chunk(0x4140, body);
}

std::string localAxes(const std::vector<float>& twelve) { return chunk(0x4160, floats(twelve)); }
std::string namedObject(const std::string& name, const std::string& children) {
  return chunk(0x4000, cstr(name) + children);
}
std::string mesh(const std::string& children) { return chunk(0x4100, children); }
std::string material(const std::string& name, const std::string& children) {
  return chunk(0xAFFF, chunk(0xA000, cstr(name)) + children);
}

std::string track(uint16_t id, const std::vector<Key3ds>& keys) {
  std::string body = le16(0) + std::string(8, '\0') + le32(uint32_t(keys.size()));
  for (const Key3ds& k : keys) {
    body += le32(k.frame) + le16(k.spline);
    for (int bit = 0; bit < 5; ++bit)
      if (k.spline & (1 << bit)) body += f32(0.5f);
    body += floats(k.values);
  }
  return chunk(id, body);
}

std::string node(const std::string& name, uint16_t parent, const std::vector<float>& pivot,
                 const std::string& children) {
  return chunk(0xB002,
               chunk(0xB010, cstr(name) + le16(0) + le16(0) + le16(parent)) + chunk(0xB013, floats(pivot)) + children);
}

std::string file3ds(const std::string& editor, const std::string& keyframer) {
  std::string body = chunk(0x0002, le32(3)) + chunk(0x3D3D, editor);
  if (!keyframer.empty()) body += chunk(0xB000, keyframer);
  return chunk(0x4D4D, body);
}

}  // namespace zt::test
