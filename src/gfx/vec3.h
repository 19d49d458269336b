// A point or direction in 3D space, shared by the 3D device and the sound mixer's listener.
#pragma once

namespace zt {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

}  // namespace zt
