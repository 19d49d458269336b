// 3D Studio (3DS) files: a tree of chunks, each a 16-bit little-endian id and a 32-bit
// length counting the whole chunk with its six header bytes. The reader takes the
// materials, the named objects' meshes and local axes, and the keyframer's nodes (hierarchy,
// pivots, position, rotation and scale tracks); every other chunk is skipped by its length.
// Every length, count and string is checked against its chunk, so a broken file is refused
// with a negative code and nothing is read outside the bytes given.
//
// Coordinates stay as the file has them (z up); the .x writer (formats/three_ds_x.h)
// converts them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/device3d.h"

namespace zt {

// Result codes of reading and converting. -4 is kept for a source that cannot be opened,
// which the engine's loaders tell apart from the other failures.
enum ThreeDsResult : int {
  ThreeDsOk = 0,
  ThreeDsNotThreeDs = -1,      // too short, or the first chunk is not the main chunk
  ThreeDsBrokenChunk = -2,     // a length, count, index, string or number that does not fit
  ThreeDsTooManyObjects = -3,  // more than ThreeDsMaxObjects named objects or keyframer nodes
  ThreeDsCannotOpen = -4,      // the source cannot be opened for reading
  ThreeDsCannotWrite = -5,     // the destination cannot be created or written
  ThreeDsOutOfMemory = -6,
};

// What a result code means, for messages ("not a 3DS file", ...).
const char* threeDsResultText(int code);

// Working limit of named objects, and separately of keyframer nodes, in one file.
constexpr size_t ThreeDsMaxObjects = 5000;

// Progress lines of the reader ("> Found Main chunk id of 4D4D", ...), each ending in a line
// feed; an empty function keeps it quiet.
using ThreeDsTrace = std::function<void(std::string_view line)>;

struct ThreeDsColour {
  float red = 0, green = 0, blue = 0;
};

struct ThreeDsMaterial {
  std::string name;
  ThreeDsColour diffuse{1, 1, 1};
  ThreeDsColour specular;
  float shininess = 0;  // percent
  std::string texture;  // map file name; empty when the material has none
};

struct ThreeDsFace {
  uint16_t a = 0, b = 0, c = 0, flags = 0;
};

// A face material chunk: the material's name and the faces drawn with it.
struct ThreeDsFaceMaterial {
  std::string material;
  std::vector<uint16_t> faces;
};

struct ThreeDsObject {
  std::string name;
  bool hasMesh = false;
  std::vector<Vec3> vertices;
  std::vector<ThreeDsFace> faces;
  std::vector<ThreeDsFaceMaterial> faceMaterials;
  std::vector<float> uvs;  // u, v per vertex; empty when the mesh has none
  // Local axes: rows 0-2 are the object's x, y and z axes, row 3 its origin, in the file's
  // world coordinates (identity when the mesh has no axis chunk).
  float axes[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
};

struct ThreeDsKey {
  uint32_t frame = 0;
  float value[4] = {0, 0, 0, 0};  // position or scale x, y, z; rotation angle (radians), x, y, z
};

struct ThreeDsNode {
  std::string name;          // the object's name, or "$$$DUMMY"
  std::string instance;      // a dummy's own name
  uint16_t id = 0;           // node id (its index when the node has no id chunk)
  uint16_t parent = 0xFFFF;  // parent's node id; 0xFFFF for a top node
  Vec3 pivot;
  std::vector<ThreeDsKey> position, rotation, scale;
};

struct ThreeDsScene {
  std::vector<ThreeDsMaterial> materials;
  std::vector<ThreeDsObject> objects;  // in file order, with or without a mesh
  std::vector<ThreeDsNode> nodes;      // keyframer nodes in file order
};

// Reads `bytes` into `scene` (cleared first). Returns ThreeDsOk or a negative result code.
int readThreeDs(std::string_view bytes, ThreeDsScene& scene, const ThreeDsTrace& trace = {});

}  // namespace zt
