// What the object, mesh, limb and query families share: operand checks in the engine's
// order, mesh records built from corner lists, limb transforms along the hierarchy, and
// the steps that make, finish and delete an object.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/commands.h"
#include "engine3d/primitives.h"
#include "engine3d/scene.h"

namespace zt {

struct XFile;

// Collision shape codes an object is made with.
enum ShapeCode : int32_t {
  ShapeBox = 1,
  ShapeSphere = 2,
  ShapeCube = 3,
  ShapeCylinder = 4,
  ShapeCone = 5,
  ShapePlain = 6,
  ShapeLimbSpheres = 51,
  ShapeLimbBoxes = 52,
  ShapePolygons = 99
};

// ---- checks (each raises its error and returns the failure value) ----

// The object `number`, or null after 7006 / 7008. The pointer lasts until an object is made.
ObjectRecord* objectRecord(Runtime& rt, int32_t number);
// The object of operand `at`, and the limb of operand `at` + 1, checked (7006, 7008, then
// 7021, 7023); null after an error. `owner`, when given, receives the object.
ObjectRecord* objectOperand(Runtime& rt, Word* pc, int at);
LimbRecord* limbOperand(Runtime& rt, Word* pc, int at, ObjectRecord** owner = nullptr);
// SET OBJECT's flag operands 1 to `count` after the number: wire, transparency, cull, then
// filter, light, fog and ambient in the longer forms. 1 means solid, no colour key, culled,
// filtered, lit; fog and ambient light are on unless 0.
void setObjectFlags(RenderFlags& f, Word* pc, int count);
// 7006 outside 1 to 65535, 7007 when the object exists; false on either.
bool checkNewObject(Runtime& rt, int32_t number);
// Mesh number 1 to 65534 (7001), and it must exist (7003); its slot, or 0 after an error.
int32_t checkedMesh(Runtime& rt, int32_t number);
// A mesh operand where 0 means none: -1 after an error, 0 for none, else the slot.
int32_t checkedOptionalMesh(Runtime& rt, int32_t number);
// Limb 0 to below the limb table's size (7021) that exists (7023); false on either.
bool checkLimb(Runtime& rt, const ObjectRecord& o, int32_t limb);
// Image number 0 to 65535 (501), existing when not 0 (502); false on either.
bool checkImage(Runtime& rt, int32_t image);

// ---- meshes ----

// A new mesh record from corners: positions with their texture coordinates, triangles of
// position indices and, per corner, a normal index. A position whose corners ask for
// different normals is split so that each drawn vertex has one. -1 after raising 101.
int32_t meshFromCorners(Runtime& rt, const PrimitiveMesh& corners);
// A copy of mesh slot `from` in a new record; -1 after raising 101.
int32_t copyMesh(Runtime& rt, int32_t from);
// The geometry of every limb of the object, placed as the limbs are in the object, as one
// mesh record; -1 when it cannot be made (no error raised).
int32_t gatherObjectMesh(Runtime& rt, const ObjectRecord& o);

// ---- objects ----

// A fresh object slot for `number`, holding the limb table; 0 after raising 101.
int32_t newObject(Runtime& rt);
// Ends a creating command: the number is mapped to the slot, the object is initialised
// with `shape` (and the creating command's `sizes` for the primitive codes) and its
// collision volumes; the slot is released on failure.
bool finishObject(Runtime& rt, int32_t number, int32_t slot, int32_t shape, Vec3 sizes = {});
// Releases the object with its limb meshes and owned textures.
void deleteObject(Runtime& rt, int32_t slot);
// The limb table grows to twice its size when limb `limb` is within 4 of its end.
void growLimbs(ObjectRecord& o, int32_t limb);
// A limb made with `mesh`, hanging under the root.
void initLimb(ObjectRecord& o, int32_t limb, int32_t mesh);

// ---- transforms ----

// The angles, wrapped, in angle mode: free orientation ends with its matrix reset.
void setObjectAngles(ObjectRecord& o, float x, float y, float z);

// The limb's own transform (scale, rotation in the object's order, offset, then its frame).
Matrix4 limbLocal(const ObjectRecord& o, const LimbRecord& limb);
// The limb placed in the object: its transform and those of its parents up to the root.
Matrix4 limbInObject(const ObjectRecord& o, size_t limb);
// The limb placed in the world.
Matrix4 limbWorld(const Engine3DState& s, const ObjectRecord& o, size_t limb);

// ---- files ----

// Loads a .x file into object slot `slot` (limbs, textures, frames of animation). Returns
// 0 on success, or the error the command raises: 7101 extension, 105 missing file, 7018
// a file that cannot be read, 7102 a conversion that failed.
int32_t loadObjectFile(Runtime& rt, int32_t slot, std::string_view name);

// Reads the file of APPEND OBJECT (in the payload first) as a .x file, or a 3DS file
// through the work file: 0, or the error LOAD OBJECT would raise.
int32_t readAnimationFile(Runtime& rt, std::string_view name, XFile& x);

// The text after the last "." of a file name, in lower case; empty when there is none.
std::string lowerExtension(std::string_view name);
// Converts the 3DS file at host path `source` into the work file "workfile.x" in the run's
// temporary folder and sets `workFile` to its path. Returns 0, or 105 when the source
// cannot be read, 7102 when the conversion fails (no work file is left then).
int32_t convertToWorkFile(Runtime& rt, const std::string& source, std::string& workFile);

}  // namespace zt
