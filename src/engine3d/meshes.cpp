// Mesh commands: numbered meshes loaded from files or gathered from an object's limbs,
// deleted, and asked for.
#include "command_ids.h"
#include "core/error_numbers.h"
#include "engine3d/object_parts.h"
#include "engine3d/objects.h"

namespace zt {

namespace {

// 7001 outside 1 to 65534; false then.
bool checkMeshNumber(Runtime& rt, int32_t number) {
  if (number >= 1 && number <= MaxMeshNumber) return true;
  raiseError(rt, ErrMeshNumber);
  return false;
}

void replaceMesh(Runtime& rt, int32_t number, int32_t slot) {
  int32_t& mapped = rt.engine3d.MeshMap[size_t(number)];
  releaseMesh(rt, mapped);
  mapped = slot;
}

void opLoadMesh(Runtime& rt, Word* pc) {
  const std::string_view name = cellText(operand(pc, 0));
  const int32_t number = operand(pc, 1).i;
  if (!checkMeshNumber(rt, number)) return;
  replaceMesh(rt, number, 0);
  const int32_t temporary = newObject(rt);
  if (temporary == 0) return;
  const int32_t error = loadObjectFile(rt, temporary, name);
  const int32_t mesh = error ? -1 : gatherObjectMesh(rt, rt.engine3d.objects[temporary]);
  deleteObject(rt, temporary);
  if (error == ErrObjectExtension)
    raiseError(rt, error);
  else if (error || mesh < 0)
    raiseError(rt, ErrMeshLoad);
  else
    replaceMesh(rt, number, mesh);
}

void opDeleteMesh(Runtime& rt, Word* pc) {
  const int32_t number = operand(pc, 0).i;
  if (checkedMesh(rt, number)) replaceMesh(rt, number, 0);
}

void opMakeMeshFromObject(Runtime& rt, Word* pc) {
  const int32_t number = operand(pc, 0).i;
  if (!checkMeshNumber(rt, number)) return;
  const int32_t object = checkedObject(rt, operand(pc, 1).i);
  if (!object) return;
  replaceMesh(rt, number, 0);
  const int32_t mesh = gatherObjectMesh(rt, rt.engine3d.objects[object]);
  if (mesh < 0)
    raiseError(rt, ErrMeshFromObject);
  else
    replaceMesh(rt, number, mesh);
}

Word* opMeshExist(Runtime& rt, Word* pc) {
  const int32_t number = operand(pc, 1).i;
  if (checkMeshNumber(rt, number)) operand(pc, 0).i = rt.engine3d.MeshMap[size_t(number)] != 0;
  return pc + 2;
}

const CommandRow Rows[] = {
    {CmdLoadMesh, skipAfter<opLoadMesh, 2>},
    {CmdDeleteMesh, skipAfter<opDeleteMesh, 1>},
    {CmdMakeMeshFromObject, skipAfter<opMakeMeshFromObject, 2>},
    {CmdMeshExist, opMeshExist},
};

}  // namespace

extern const std::span<const CommandRow> MeshRows(Rows);

}  // namespace zt
