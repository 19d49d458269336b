// Mesh files in the .x format: text, binary and their zlib-compressed forms ("xof 0303txt 0032",
// "bin ", "tzip", "bzip"; 32- or 64-bit floats). The reader yields what objects, limbs and animation
// are built from: the frame tree with names and transforms, meshes exactly as stored (vertex order
// kept, polygons fanned into triangles that remember their polygon), materials with texture file
// names, and animation keys. Templates declared in the file are accepted; data of templates the
// engine does not use is skipped. Every count is checked against what the file still holds, so a
// malformed or truncated file fails with a reason and never makes the reader allocate past it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

struct XVector {
  float x = 0, y = 0, z = 0;
};

struct XTexCoord {
  float u = 0, v = 0;
};

// Row vectors, as stored: a point p becomes p · M, the translation is in elements 12 to 14.
using XMatrix = std::array<float, 16>;
constexpr XMatrix XIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

struct XMaterial {
  std::string name;  // empty for a material written inside a mesh's list without a name
  std::array<float, 4> faceColor{};  // red, green, blue, alpha
  float power = 0;
  std::array<float, 3> specularColor{};
  std::array<float, 3> emissiveColor{};
  std::string textureFilename;  // as written; empty when the material has none
};

struct XMesh {
  std::string name;
  std::vector<XVector> vertices;  // in file order
  uint32_t faceCount = 0;         // polygons as stored
  // Three vertex indices per triangle; a polygon of n corners (a, b, c, d, ...) becomes the fan
  // (a, b, c), (a, c, d), ...; polygons of fewer than three corners give no triangle.
  std::vector<uint32_t> triangles;
  std::vector<uint32_t> triangleFace;  // per triangle: the polygon it came from
  std::vector<XVector> normals;        // as stored (MeshNormals); empty when the mesh has none
  std::vector<uint32_t> normalTriangles;  // per triangle corner: its normal index (same fan as `triangles`)
  std::vector<XTexCoord> texCoords;       // per vertex (at least one per vertex), or empty
  std::vector<uint32_t> materials;        // indices into XFile::materials, in the list's order
  std::vector<uint32_t> faceMaterials;    // per polygon: an index into `materials`; empty without a list
  int32_t frame = -1;                     // the frame that holds it, -1 at the top level
};

struct XFrame {
  std::string name;
  int32_t parent = -1;
  XMatrix transform = XIdentity;  // FrameTransformMatrix, identity when absent
  std::vector<uint32_t> children;  // frame indices, in file order
  std::vector<uint32_t> meshes;    // mesh indices: its own meshes and meshes it names by reference
};

struct XRotationKey {
  uint32_t time = 0;
  float w = 1, x = 0, y = 0, z = 0;
};

struct XVectorKey {
  uint32_t time = 0;
  XVector value;
};

struct XMatrixKey {
  uint32_t time = 0;
  XMatrix value = XIdentity;
};

struct XAnimation {
  std::string name;
  std::string frameName;  // the frame it animates, as named in the file
  int32_t frame = -1;     // that frame's index; -1 when the file has no frame of that name
  std::vector<XRotationKey> rotationKeys;  // key type 0 (quaternion w, x, y, z)
  std::vector<XVectorKey> scaleKeys;       // key type 1
  std::vector<XVectorKey> positionKeys;    // key type 2
  std::vector<XMatrixKey> matrixKeys;      // key types 3 and 4
};

struct XAnimationSet {
  std::string name;  // empty for animations written outside a set
  std::vector<XAnimation> animations;
};

struct XFile {
  std::vector<XFrame> frames;  // depth first, parents before their children
  std::vector<uint32_t> rootFrames;
  std::vector<XMesh> meshes;
  std::vector<uint32_t> looseMeshes;  // top-level meshes that no frame names
  std::vector<XMaterial> materials;
  std::vector<XAnimationSet> animationSets;
  uint32_t ticksPerSecond = 0;  // AnimTicksPerSecond; 0 when the file does not give it
};

enum class XFileError {
  None,
  NotXFile,     // no "xof " header
  Unsupported,  // a version, form or float size this reader does not know
  Truncated,    // the file ends inside its data
  Malformed,    // data that does not fit its template, a bad index, an unknown reference
  OutOfMemory,
};

struct XFileResult {
  XFileError error = XFileError::None;
  std::string message;  // what was wrong and where (line, or byte of the (decompressed) data)
  explicit operator bool() const { return error == XFileError::None; }
};

// Reads a whole .x file held in memory. On failure `out` holds nothing usable.
XFileResult readXFile(std::string_view file, XFile& out);

}  // namespace zt
