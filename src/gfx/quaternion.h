// Quaternions for rotations: made from an axis and an angle, combined, blended along the
// shorter arc, and turned into (or read back from) the rotation part of a row-vector
// matrix, so that a rotation by a about Y turns a point exactly as rotationY(a) does.
#pragma once

#include "gfx/device3d.h"
#include "gfx/vec3.h"

namespace zt {

struct Quaternion {
  float w = 1, x = 0, y = 0, z = 0;
};

// a then b, as the product a · b.
Quaternion multiply(const Quaternion& a, const Quaternion& b);
// A rotation by `radians` about `axis` (any length); none about a zero or unusable axis.
Quaternion fromRotation(Vec3 axis, float radians);
// Of length 1; a zero or unusable quaternion becomes no rotation.
Quaternion normalised(const Quaternion& q);
// From a toward b by t (0 gives a, 1 gives b) at an even angular pace, along the shorter arc.
// Both must be of length 1.
Quaternion slerp(const Quaternion& a, const Quaternion& b, float t);
// The rotation as the upper 3 x 3 of a row-vector matrix (translation none).
Matrix4 rotationMatrix(const Quaternion& q);
// The rotation held by the upper 3 x 3 of `m`, which must be a pure rotation.
Quaternion fromRotationMatrix(const Matrix4& m);

}  // namespace zt
