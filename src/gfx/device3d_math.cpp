// Row-vector matrix helpers of the 3D device and engine.
#include <cmath>

#include "gfx/device3d.h"

namespace zt {

Matrix4 operator*(const Matrix4& a, const Matrix4& b) {
  Matrix4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
  return r;
}

Vec3 transformPoint(const Vec3& p, const Matrix4& m) {
  float x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
  float y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
  float z = p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2];
  float w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
  if (w != 0.0f && w != 1.0f) return {x / w, y / w, z / w};
  return {x, y, z};
}

Matrix4 rotationX(float radians) {
  float c = std::cos(radians), s = std::sin(radians);
  Matrix4 r;
  r.m[1][1] = c;
  r.m[1][2] = s;
  r.m[2][1] = -s;
  r.m[2][2] = c;
  return r;
}

Matrix4 rotationY(float radians) {
  float c = std::cos(radians), s = std::sin(radians);
  Matrix4 r;
  r.m[0][0] = c;
  r.m[0][2] = -s;
  r.m[2][0] = s;
  r.m[2][2] = c;
  return r;
}

Matrix4 rotationZ(float radians) {
  float c = std::cos(radians), s = std::sin(radians);
  Matrix4 r;
  r.m[0][0] = c;
  r.m[0][1] = s;
  r.m[1][0] = -s;
  r.m[1][1] = c;
  return r;
}

Matrix4 translation(float x, float y, float z) {
  Matrix4 r;
  r.m[3][0] = x;
  r.m[3][1] = y;
  r.m[3][2] = z;
  return r;
}

Matrix4 scaling(float x, float y, float z) {
  Matrix4 r;
  r.m[0][0] = x;
  r.m[1][1] = y;
  r.m[2][2] = z;
  return r;
}

}  // namespace zt
