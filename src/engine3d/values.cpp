// The 3D value functions: WRAPVALUE brings an angle into 0 to 360 by the engine's wrap
// rule (CURVEVALUE, NEWXVALUE and their twins join with the objects).
#include "command_ids.h"
#include "engine3d/engine3d.h"
#include "engine3d/scene.h"

namespace zt {

namespace {

Word* opWrapValue(Runtime&, Word* pc) {
  operand(pc, 0).f = wrapAngle(operand(pc, 1).f);
  return pc + 2;
}

const CommandRow Rows[] = {
    {CmdWrapvalue, opWrapValue},
};

}  // namespace

extern const std::span<const CommandRow> ValueRows(Rows);

}  // namespace zt
