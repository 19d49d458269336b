// Object collision: the errors of every collision command and function in their check order,
// and the volumes kept in step with the objects (made, re-made on a shape change, removed).
#include <gtest/gtest.h>

#include "command_ids.h"
#include "engine3d/collision.h"
#include "support/error_cases.h"
#include "support/scene3d.h"

namespace zt::test {
namespace {

TEST(ObjectCollisionErrors, RaisedInTheirCheckOrder) {
  const ErrorCase cases[] = {
      {"MAKE OBJECT CUBE 65535, 1 : SET OBJECT COLLISION ON 65535 : PRINT OBJECT HIT(65535, 0)", 0},
      {"SET OBJECT COLLISION ON 0", 7006},
      {"SET OBJECT COLLISION OFF 65536", 7006},
      {"SET OBJECT COLLISION TO SPHERES 65535", 7008},
      {"SET OBJECT COLLISION TO BOXES 1", 7008},
      {"SET OBJECT COLLISION TO POLYGONS -1", 7006},
      {"PRINT OBJECT COLLISION(0, 1)", 7006},
      {"PRINT OBJECT HIT(65536, 1)", 7006},
      {"PRINT OBJECT HIT(65535, 1)", 7008},
      // the other object is never checked
      {"MAKE OBJECT CUBE 1, 1 : PRINT OBJECT COLLISION(1, 65536) : PRINT OBJECT HIT(1, -1)", 0},
      {"PRINT OBJECT COLLISION RADIUS(0)", 7006},
      {"PRINT OBJECT COLLISION CENTER X(65536)", 7006},
      {"PRINT OBJECT COLLISION CENTER Y(65535)", 7008},
      {"MAKE OBJECT CUBE 1, 1 : DELETE OBJECT 1 : PRINT OBJECT COLLISION CENTER Z(1)", 7008},
      // the global switch takes no object
      {"SET GLOBAL COLLISION ON : SET GLOBAL COLLISION OFF", 0},
  };
  expectErrorCases("object_collision_error", cases);
}

size_t volumesOf(Engine3DState& e, int32_t number) {
  const ObjectRecord& o = e.objects[e.ObjectMap[size_t(number)]];
  size_t n = 0;
  for (VolumeId id : o.volumes) n += id != 0;
  return n;
}

TEST(ObjectCollisionVolumes, FollowObjectsAndShapeCodes) {
  SceneRun s("object_collision_volumes",
             "MAKE OBJECT CUBE 1, 1 : MAKE MESH FROM OBJECT 1, 1\n"
             "MAKE OBJECT SPHERE 2, 1 : ADD LIMB 2, 1, 1 : ADD LIMB 2, 2, 0\n"
             "MAKE OBJECT CUBE 3, 1 : SET OBJECT COLLISION OFF 3\n"
             "MAKE OBJECT CUBE 4, 1 : SET OBJECT COLLISION OFF 4 : SET OBJECT COLLISION TO POLYGONS 4\n"
             "MAKE OBJECT CUBE 5, 1 : DELETE OBJECT 5\n"
             "DO : SYNC : LOOP\n");
  ASSERT_TRUE(s.started());
  s.run(2);
  Engine3DState& e = s.scene();
  EXPECT_EQ(volumesOf(e, 1), 1u);
  EXPECT_EQ(volumesOf(e, 2), 2u) << "the limb without a mesh has no volume";
  EXPECT_EQ(e.objects[e.ObjectMap[2]].collisionShape, 52);
  EXPECT_EQ(volumesOf(e, 3), 0u);
  EXPECT_EQ(e.objects[e.ObjectMap[3]].collisionShape, 0);
  EXPECT_EQ(volumesOf(e, 4), 1u) << "a shape code builds volumes even with collision off";
  EXPECT_EQ(e.objects[e.ObjectMap[4]].collisionOn, 0);
  EXPECT_EQ(e.collisionWorld.volumeCount(), 4u) << "the deleted object's volume went with it";
}

// No command removes limb 0, so the test takes it away and calls the functions' handlers.
TEST(ObjectCollisionErrors, MissingRootLimbRaises7023) {
  for (const int id : {CmdObjectCollision.id, CmdObjectHit.id}) {
    SceneRun s("object_collision_root", "MAKE OBJECT CUBE 1, 1 : MAKE OBJECT CUBE 2, 1\nDO : SYNC : LOOP\n");
    ASSERT_TRUE(s.started());
    s.run(2);
    Engine3DState& e = s.scene();
    e.objects[e.ObjectMap[1]].limbs[0].exists = 0;
    const CommandRow* row = nullptr;
    for (const CommandRow& r : ObjectCollisionRows)
      if (r.id == id) row = &r;
    ASSERT_NE(row, nullptr);
    Cell cells[3] = {};
    cells[1].i = 1;
    cells[2].i = 2;
    Word words[3];
    for (int i = 0; i < 3; ++i) words[i].cell = &cells[i];
    EXPECT_EQ(row->handler(s.rt(), words), words + 3);
    EXPECT_EQ(s.rt().errors.ErrorNumber, 7023) << row->keyword;
  }
}

}  // namespace
}  // namespace zt::test
