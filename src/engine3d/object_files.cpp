// Objects loaded from mesh files: the extension rule, the file found in the payload or on
// disk, and the .x file's frames turned into limbs with their meshes, textures, frame
// transforms and animation keys. A 3DS file is converted to a .x work file first, which
// goes after the load.
#include <algorithm>
#include <cctype>
#include <new>
#include <string>

#include "core/error_numbers.h"
#include "display2d/bitmaps.h"
#include "engine3d/animation_keys.h"
#include "engine3d/object_parts.h"
#include "formats/xfile.h"
#include "gfx/surface.h"
#include "platform/fs.h"
#include "services/files.h"

namespace zt {

namespace {

constexpr uint64_t MaxObjectFileBytes = uint64_t(1) << 30;

// Meshes held by one frame, as one corner list (the meshes follow each other).
PrimitiveMesh cornersOf(const XFile& x, const std::vector<uint32_t>& meshes) {
  PrimitiveMesh c;
  for (uint32_t index : meshes) {
    const XMesh& mesh = x.meshes[index];
    const uint32_t base = uint32_t(c.positions.size()), normalBase = uint32_t(c.normals.size());
    const bool normals = !mesh.normals.empty() && mesh.normalTriangles.size() == mesh.triangles.size();
    for (size_t v = 0; v < mesh.vertices.size(); ++v) {
      c.positions.push_back({mesh.vertices[v].x, mesh.vertices[v].y, mesh.vertices[v].z});
      const XTexCoord t = v < mesh.texCoords.size() ? mesh.texCoords[v] : XTexCoord{};
      c.texCoords.push_back({t.u, t.v});
    }
    for (const XVector& n : mesh.normals) c.normals.push_back({n.x, n.y, n.z});
    // A mesh without normals gets an upward one, so that every corner has one.
    if (!normals) c.normals.push_back({0, 1, 0});
    for (size_t i = 0; i < mesh.triangles.size(); ++i) {
      c.indices.push_back(base + mesh.triangles[i]);
      c.normalIndices.push_back(normals ? normalBase + mesh.normalTriangles[i] : uint32_t(c.normals.size() - 1));
    }
  }
  return c;
}

// The texture named by the first material of the frame's meshes, made from the file the
// name leads to: its extension becomes "bmp"; "dds" in place of a three-letter extension
// is tried first, then the name itself, each in the payload first and then on disk.
int32_t textureOfMaterial(Runtime& rt, const XFile& x, const std::vector<uint32_t>& meshes) {
  for (uint32_t index : meshes) {
    const XMesh& mesh = x.meshes[index];
    if (mesh.materials.empty()) continue;
    std::string name = x.materials[mesh.materials[0]].textureFilename;
    if (name.empty()) return 0;
    const size_t dot = name.rfind('.');
    name = (dot == std::string::npos ? name : name.substr(0, dot)) + ".bmp";
    const std::string dds = name.substr(0, name.size() - 3) + "dds";
    std::unique_ptr<Surface> picture = loadImageSurface(rt, dds);
    if (!picture) picture = loadImageSurface(rt, name);
    if (!picture) return 0;
    std::unique_ptr<Texture3D> texture = Texture3D::fromSurface(*picture, false);
    const int32_t slot = texture ? rt.engine3d.textures.take() : -1;
    if (slot < 0) return 0;
    TextureRecord& t = rt.engine3d.textures[slot];
    t.width = texture->width();
    t.height = texture->height();
    t.texture = std::move(texture);
    t.owned = 1;
    return slot;
  }
  return 0;
}

// One limb per frame (limb = frame index + 1, under its parent frame's limb), then one per
// loose mesh; limb 0 is the root. False after raising 101.
bool limbsFromFile(Runtime& rt, int32_t slot, const XFile& x) {
  const size_t frames = x.frames.size();
  for (size_t i = 0; i < frames + x.looseMeshes.size(); ++i) {
    const int32_t limb = int32_t(i + 1);
    const bool isFrame = i < frames;
    const std::vector<uint32_t> meshes = isFrame ? x.frames[i].meshes : std::vector<uint32_t>{x.looseMeshes[i - frames]};
    int32_t mesh = 0;
    if (!meshes.empty()) {
      mesh = meshFromCorners(rt, cornersOf(x, meshes));
      if (mesh < 0) return false;
    }
    const int32_t texture = textureOfMaterial(rt, x, meshes);
    ObjectRecord& o = rt.engine3d.objects[slot];
    initLimb(o, limb, mesh);
    LimbRecord& l = o.limbs[size_t(limb)];
    l.texture = l.ownedTexture = texture;
    if (isFrame) {
      l.name = x.frames[i].name;
      l.frame = matrixOf(x.frames[i].transform);
      l.parent = x.frames[i].parent + 1;
    } else {
      l.name = x.meshes[x.looseMeshes[i - frames]].name;
    }
  }
  return true;
}

// Reads the model at host path `path`, a .x file or, with `threeDs`, a 3DS file through
// the work file: 0, or the error of LOAD OBJECT.
int32_t readModel(Runtime& rt, const std::string& path, bool threeDs, XFile& x) {
  std::string workFile;
  if (threeDs)
    if (const int32_t error = convertToWorkFile(rt, path, workFile)) return error;
  std::string bytes;
  const bool read = readWholeFile(threeDs ? workFile : path, bytes, MaxObjectFileBytes) && readXFile(bytes, x);
  if (threeDs) removeFile(workFile);
  return read ? 0 : ErrObjectLoad;
}

}  // namespace

int32_t loadObjectFile(Runtime& rt, int32_t slot, std::string_view name) {
  const std::string ext = lowerExtension(name);
  if (ext != "x" && ext != "3ds") return ErrObjectExtension;
  const std::string path = lookupPath(rt, name, ext);
  if (!isReadableFile(path)) return ErrFileNotFound;
  XFile x;
  if (const int32_t error = readModel(rt, path, ext == "3ds", x)) return error;
  if (x.meshes.empty()) return ErrObjectLoad;
  ObjectRecord& o = rt.engine3d.objects[slot];
  try {
    if (!limbsFromFile(rt, slot, x)) return ErrOutOfMemory;
    addFileKeys(o.animation.tracks, o, x, 0, false);
  } catch (const std::bad_alloc&) {
    return ErrOutOfMemory;
  }
  o.limbs[0].exists = 1;
  o.totalFrames = lastKeyTime(o.animation);
  return 0;
}

int32_t readAnimationFile(Runtime& rt, std::string_view name, XFile& x) {
  const std::string path = lookupPath(rt, name, "dat");
  if (!isReadableFile(path)) return ErrFileNotFound;
  return readModel(rt, path, lowerExtension(name) == "3ds", x);
}

}  // namespace zt
