// What the 3D families share inside this folder (objects, matrix, animation and collision
// build on it too): the pools and their operations, the angle rules, the texture sources,
// the device states sent only on change, the camera's transforms and the render step.
#pragma once

#include <cstdint>
#include <vector>

#include "core/runtime.h"
#include "engine3d/state.h"

namespace zt {

// ---- pools ----

// A fresh zeroed record (limb table of 32) or -1 after raising 101 when the pool cannot grow.
int32_t allocObject(Runtime& rt);
int32_t allocRenderNode(Runtime& rt);
int32_t allocMesh(Runtime& rt);
// Frees an object slot with its render node and owned textures; its number is cleared.
void releaseObject(Runtime& rt, int32_t slot);
void releaseMesh(Runtime& rt, int32_t slot);
// Sets a new object up: flags, angles, scale, render node, limb 0, bounding data and, when
// `autoCamera` and AUTOCAM allow, the camera placed to see it. The first object made
// while the automatic backdrop is pending makes the backdrop. False after raising 101.
bool initObject(Runtime& rt, int32_t slot, bool autoCamera);
// The mesh's device vertices and bounding box from its arrays.
void refreshMesh(MeshData& mesh);
// The object's world matrix: scale, pivot, rotation and position, then carried by the limb
// it is glued to (its limbs are placed by limbInObject, engine3d/object_parts.h).
Matrix4 objectMatrix(const Engine3DState& s, const ObjectRecord& o);
// Where the object's origin is in the world: its position, or where its glue carries it.
Vec3 objectOrigin(const Engine3DState& s, const ObjectRecord& o);
// The rotation of the object: from its angles in its order, or its free orientation.
Matrix4 objectRotation(const ObjectRecord& o);
// The rotation of angles in degrees: order 0 is Rz * Ry * Rx, order 1 Rx * Ry * Rz.
Matrix4 anglesRotation(float x, float y, float z, int32_t order);
// The deepest chain of glue targets followed when an object is placed.
constexpr size_t MaxGlueDepth = 10;
// Every object glued to object slot `target` is unglued where its limb holds it.
void unglueFrom(Engine3DState& s, int32_t target);

// ---- textures ----

// The texture of image `number` (made on first use and kept); 0 when it has no picture.
int32_t textureOfImage(Runtime& rt, int32_t number);
// An owned texture of one colour; 0 after raising 101.
int32_t textureOfColour(Runtime& rt, uint32_t colour);
void releaseTexture(Runtime& rt, int32_t slot);

// ---- angles ----

constexpr float TransformRadians = 0.017453292f;
constexpr float DegreesPerRadian = 57.29578f;
// Into [0, 360) in at most 100 steps; values that need more give 0.
float wrapAngle(float a);
// 0 to 360 inclusive, else error 7019 (false).
bool checkAngle(Runtime& rt, float a);

// ---- device states ----

// Each sends to the device of every buffer, and only when the value differs from the last sent.
void sendRenderState(Runtime& rt, RenderState s, uint32_t value);
void sendFilter(Runtime& rt, TextureFilter filter);
void sendMaterial(Runtime& rt, MaterialKind kind);
// Always sent (transforms, the ambient material after a change, lights, the viewport).
void sendTransform(Runtime& rt, TransformState which, const Matrix4& m);
void sendAmbientMaterial(Runtime& rt);
void sendViewport(Runtime& rt);
// The light to the devices, then enabled or disabled as the program wants.
void sendLight(Runtime& rt, int32_t slot);
// A node's render flags as device states (z, blending, fill, culling, filter, material, fog).
void applyRenderFlags(Runtime& rt, const RenderFlags& flags);
// The filter a node's filter flag selects.
TextureFilter deviceFilter(const Runtime& rt, bool filterFlag);

// ---- camera ----

// The view matrix of the current mode, sent to the devices.
void rebuildView(Runtime& rt);
// The projection of a near and far range at the screen's aspect, and the same sent to the devices.
Matrix4 projectionMatrix(Runtime& rt, float nearRange, float farRange);
void sendProjection(Runtime& rt, float nearRange, float farRange);
// Angles (radians) from a look direction: yaw and pitch, roll 0.
void anglesFromDirection(Vec3 d, float& ax, float& ay, float& az);
Matrix4 inverseOf(const Matrix4& m);
Vec3 transformDirection(const Vec3& v, const Matrix4& m);  // no translation, no divide
// Places the camera at (x, y, z) looking at the target, with a range (AUTOCAM).
void placeCamera(Runtime& rt, Vec3 position, Vec3 target, float nearRange, float farRange);
// Object number checks: 7006 outside 1 to 65535, 7008 when it does not exist; the slot or 0.
// Any command that reaches an object may move it, so the next collision query compares
// placements; `findObject` checks the same way without that, for the collision queries.
int32_t checkedObject(Runtime& rt, int32_t number);
int32_t findObject(Runtime& rt, int32_t number);
// The slot `map` gives number `number`: `rangeError` outside 1 to `last`, `missingError`
// when it is 0; 0 after either.
int32_t mappedSlot(Runtime& rt, const std::vector<int32_t>& map, int32_t number, int32_t last,
                   int32_t rangeError, int32_t missingError);

// ---- lights ----

// Light 0, the default directional light, into slot 0 of the light pool.
void makeDefaultLight(Runtime& rt);

// ---- backdrop ----

// The backdrop object, mesh and colour-128 texture, hidden until shown; false after 101.
bool createBackdrop(Runtime& rt);
// Every tile of the backdrop shows the texture from (u, v) to (u + 1, v + 1).
void scrollBackdrop(Runtime& rt, float u, float v);

}  // namespace zt
