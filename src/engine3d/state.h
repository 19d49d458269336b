// The 3D engine's state: the four record pools (objects, render nodes, mesh data,
// textures) and the light pool, the number maps, the scene-wide settings (fog, ambient
// light, backdrop), the camera, the static batch, and the device states last sent. Only
// engine3d and the host include this; others use the public headers of engine3d.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/linked_pool.h"
#include "engine3d/animation_state.h"
#include "engine3d/collision_world.h"
#include "engine3d/matrix_state.h"
#include "gfx/device3d.h"

namespace zt {

constexpr int32_t MaxObjectNumber = 65535;
constexpr int32_t MaxMeshNumber = 65534;
constexpr int32_t MaxLightNumber = 65535;
constexpr size_t Map3DSize = 65536;
constexpr size_t InitialLimbs = 32;

// One limb of an object: a mesh placed under the object with its own offset, angles and
// scale, and the texture it is drawn with.
struct LimbRecord {
  int32_t exists = 0;
  int32_t shown = 1;
  int32_t linkMarker = 1;
  int32_t imageNumber = 0;
  int32_t mesh = 0;     // MeshData slot; 0: none
  int32_t texture = 0;  // TextureRecord slot; 0: none
  int32_t ownedTexture = 0;
  float offsetX = 0, offsetY = 0, offsetZ = 0;
  float angleX = 0, angleY = 0, angleZ = 0;  // degrees
  float scaleX = 1, scaleY = 1, scaleZ = 1;
  int32_t parent = 0;  // the limb it hangs under; 0 (the root) for limb 0 itself too
  Matrix4 frame;       // the loaded frame's own transform, applied after the limb's
  std::string name;    // the frame's name
};

struct ObjectRecord {
  int32_t next = -1, prev = -1;
  int32_t number = 0;
  int32_t exists = 0;
  int32_t node = 0;  // its RenderNode slot
  float angleX = 0, angleY = 0, angleZ = 0;  // degrees, wrapped into [0, 360)
  float scaleX = 1, scaleY = 1, scaleZ = 1;
  int32_t rotationOrder = 0;  // 0 XYZ, 1 ZYX
  int32_t freeOrientation = 0;
  Matrix4 orientation;  // the inverse of the rotation, used while freeOrientation is 1
  int32_t collisionOn = 1;
  float centreX = 0, centreY = 0, centreZ = 0, radius = 0;
  int32_t collisionRadius = 0;
  int32_t objectSize = 0;
  int32_t glueTarget = 0, glueLimb = 0;  // object slot and its limb carrying this one; 0: not glued
  Matrix4 pivot;  // fixed rotation between the scale and the rotation; identity until fixed
  int32_t collisionShape = 0;
  Vec3 shapeSize;  // the creating command's sizes, for the primitive shape codes
  int32_t lastHit = 0;      // object slot found touching it by the last pass; 0: none
  int32_t previousHit = 0;  // OBJECT HIT's last unfiltered result
  std::vector<VolumeId> volumes;  // per limb; 0: none
  float totalFrames = 0;  // the largest animation key time
  ObjectAnimation animation;
  std::vector<LimbRecord> limbs;
  int32_t limbCount = 0;
  MatrixData matrix;  // used by matrices only
};

// Render flags of a node and their defaults; the render step turns them into device states.
struct RenderFlags {
  int32_t zRead = 1, zWrite = 1, colorKey = 0, ghost = 0, wireframe = 0, cull = 1, filter = 1;
  int32_t unlit = 0, fog = 1, ambient = 1, lockedToCamera = 0;
};

struct RenderNode {
  int32_t next = -1, prev = -1;
  float x = 0, y = 0, z = 0;
  int32_t is3D = 1;
  int32_t shown = 1;
  int32_t drawn = 0, culled = 0;
  RenderFlags flags;
  double depthKey = 0;
  int32_t object = 0;
};

struct MeshData {
  int32_t next = -1, prev = -1;
  std::vector<Vec3> vertices, normals;
  std::vector<uint32_t> faces;  // three vertex indices per triangle
  std::vector<float> uv;        // u, v per vertex
  int32_t minX = 0, minY = 0, maxX = 0, maxY = 0, minZ = 0, maxZ = 0;
  std::vector<Vertex3D> sent;  // what the device draws, made from the arrays above
};

struct TextureRecord {
  int32_t next = -1, prev = -1;
  std::unique_ptr<Texture3D> texture;
  int32_t width = 0, height = 0;
  int32_t owned = 0;        // 1: made from a colour; 0: made from an image
  int32_t imageNumber = 0;  // the image it was made from
};

struct LightRecord {
  int32_t next = -1, prev = -1;
  int32_t inUse = 0;
  int32_t enabled = 1, deviceEnabled = 0;
  int32_t type = 3;  // 1 point, 2 spot, 3 directional
  Vec3 position, direction{0, 0, 1};
  int32_t fromMatrix = 0;
  Matrix4 matrix;
  float objectAngleX = 0, objectAngleY = 0, objectAngleZ = 0;
  float inner = 0, outer = 0;  // radians
  float red = 1, green = 1, blue = 1;
};

struct CameraState {
  float cx = 0, cy = 0, cz = 0;
  float tx = 0, ty = 0, tz = 100;
  float ax = 0, ay = 0, az = 0;  // radians
  Matrix4 free;
  int32_t mode = 0;  // 0 look-at, 1 angles, 2 free
  int32_t order = 1;
  int32_t autoPlace = 1;
  float nearRange = 1.0f, farRange = 3000.0f;
  Matrix4 view;  // as last sent
  int32_t viewLeft = 0, viewTop = 0, viewRight = 0, viewBottom = 0;  // right 0: the whole screen
};

// Geometry of static objects, already placed in the world, drawn before the object passes.
struct StaticPiece {
  int32_t texture = 0;
  std::vector<Vertex3D> vertices;
  std::vector<uint32_t> indices;
};

// One texture's place in this frame's drawing order.
struct TextureBatch {
  int32_t texture = 0;
  double key = 0;
};

// What was last sent to the devices, so that a state is sent only when it changes.
struct SentStates {
  std::array<uint32_t, size_t(RenderState::Count)> states{};
  std::array<bool, size_t(RenderState::Count)> known{};
  uint32_t filter = 0;  // TextureFilter; 0: unknown
  int32_t material = -1;  // MaterialKind; -1: unknown
};

enum MaterialKind : int32_t { AmbientMaterial, UnlitMaterial, PlainMaterial };

struct Engine3DState {
  LinkedPool<ObjectRecord, 2, 4> objects;
  LinkedPool<RenderNode, 2, 4> nodes;
  LinkedPool<MeshData, 2, 4> meshes;
  LinkedPool<TextureRecord, 2, 4> textures;
  LinkedPool<LightRecord, 2, 4> lights;
  std::vector<int32_t> ObjectMap = std::vector<int32_t>(Map3DSize);
  std::vector<int32_t> MeshMap = std::vector<int32_t>(Map3DSize);
  std::vector<int32_t> LightMap = std::vector<int32_t>(Map3DSize);
  std::vector<int32_t> MatrixMap = std::vector<int32_t>(Map3DSize);
  std::vector<int32_t> AnimationList;  // object slots posed every frame, in the order they joined

  int32_t FogEnabled = 0;
  uint32_t FogColor = 0;
  float FogEnd = 0;
  int32_t AmbientPercent = 50;
  Material3D AmbientMaterialValue;

  int32_t BackdropObject = 0;  // object slot; 0: none yet
  int32_t BackdropShown = 0;
  int32_t BackdropSwitchedOn = 0;
  int32_t AutoBackdrop = 1;
  int32_t BackdropTexture = 0;
  int32_t BackdropOwnsTexture = 0;

  CameraState camera;
  std::vector<StaticPiece> staticBatch;
  std::vector<TextureBatch> batches;
  SentStates sent;

  CollisionWorld collisionWorld;
  int32_t GlobalCollision = 0;
  // Set when volumes or collision flags change: the next collision query runs a pass.
  int32_t SceneChanged = 1;
  // Set when any command reaches an object (checkedObject) or the animation poses one, as
  // it may have moved: the next query compares the placements with the last pass's and runs
  // one if they differ. Queries between moves cost nothing.
  int32_t ObjectsReached = 1;
  std::vector<std::pair<VolumeId, Matrix4>> placed;       // what the last pass placed
  std::vector<std::pair<int32_t, int32_t>> touchingPairs;  // object slots, lower first, sorted
  PassCounts collisionTotals;  // summed over every pass of the run, for measurements
};

}  // namespace zt
