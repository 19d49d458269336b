// Builds 3DS files in memory for tests and benchmarks: chunks from their ids and bodies,
// and the common chunks from their fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zt::test {

struct Corner3 {
  uint16_t a, b, c;
};
struct Key3ds {
  uint32_t frame;
  std::vector<float> values;  // 3 (position, scale) or 4 (angle, axis)
  uint16_t spline = 0;        // a float is written for each of the five low bits set
};

std::string le16(uint32_t v);
std::string le32(uint32_t v);
std::string f32(float f);
std::string cstr(const std::string& s);  // with its terminating zero
std::string chunk(uint16_t id, const std::string& body);

std::string vertexList(const std::vector<std::vector<float>>& points);
// The face list, each face with flags 0, then `sub` (face material or smoothing chunks).
std::string faceList(const std::vector<Corner3>& faces, const std::string& sub = "");
std::string faceMaterial(const std::string& material, const std::vector<uint16_t>& faces);
std::string textureCoords(const std::vector<std::vector<float>>& uvs);
// Rows 0-2 the object's axes, row 3 its origin.
std::string localAxes(const std::vector<float>& twelve);
std::string namedObject(const std::string& name, const std::string& children);
std::string mesh(const std::string& children);
std::string material(const std::string& name, const std::string& children);
std::string track(uint16_t id, const std::vector<Key3ds>& keys);
// A keyframer object node: header (name, parent id), pivot, then `children` (tracks, ids).
std::string node(const std::string& name, uint16_t parent, const std::vector<float>& pivot,
                 const std::string& children);
// The main chunk holding the editor chunk and, when not empty, the keyframer chunk.
std::string file3ds(const std::string& editor, const std::string& keyframer = "");

}  // namespace zt::test
