#include "gfx/quaternion.h"

#include <cmath>

namespace zt {

namespace {

// Beyond this cosine the arc is too short for its sine to divide by: a straight blend is exact enough.
constexpr float StraightBlendCosine = 0.9995f;

float dot(const Quaternion& a, const Quaternion& b) { return a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

Quaternion multiply(const Quaternion& a, const Quaternion& b) {
  return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
          a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Quaternion fromRotation(Vec3 axis, float radians) {
  const float length = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
  if (!(length > 0) || !std::isfinite(length)) return {};
  const float s = std::sin(radians / 2) / length;
  return {std::cos(radians / 2), axis.x * s, axis.y * s, axis.z * s};
}

Quaternion normalised(const Quaternion& q) {
  const float length = std::sqrt(dot(q, q));
  if (!(length > 0) || !std::isfinite(length)) return {};
  return {q.w / length, q.x / length, q.y / length, q.z / length};
}

Quaternion slerp(const Quaternion& a, const Quaternion& b, float t) {
  float cosine = dot(a, b);
  const float sign = cosine < 0 ? -1.0f : 1.0f;  // q and -q are the same rotation
  cosine *= sign;
  float wa = 1 - t, wb = t * sign;
  if (cosine < StraightBlendCosine) {
    const float angle = std::acos(cosine), sine = std::sin(angle);
    wa = std::sin((1 - t) * angle) / sine;
    wb = std::sin(t * angle) / sine * sign;
  }
  return normalised({wa * a.w + wb * b.w, wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z});
}

Matrix4 rotationMatrix(const Quaternion& q) {
  const float w = q.w, x = q.x, y = q.y, z = q.z;
  Matrix4 m;
  m.m[0][0] = 1 - 2 * (y * y + z * z);
  m.m[0][1] = 2 * (x * y + w * z);
  m.m[0][2] = 2 * (x * z - w * y);
  m.m[1][0] = 2 * (x * y - w * z);
  m.m[1][1] = 1 - 2 * (x * x + z * z);
  m.m[1][2] = 2 * (y * z + w * x);
  m.m[2][0] = 2 * (x * z + w * y);
  m.m[2][1] = 2 * (y * z - w * x);
  m.m[2][2] = 1 - 2 * (x * x + y * y);
  return m;
}

// The largest of w, x, y, z is found first, so that nothing is divided by a small number.
Quaternion fromRotationMatrix(const Matrix4& matrix) {
  const auto& m = matrix.m;
  const float trace = m[0][0] + m[1][1] + m[2][2];
  Quaternion q;
  if (trace > 0) {
    const float s = std::sqrt(trace + 1) * 2;
    q = {s / 4, (m[1][2] - m[2][1]) / s, (m[2][0] - m[0][2]) / s, (m[0][1] - m[1][0]) / s};
  } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
    const float s = std::sqrt(1 + m[0][0] - m[1][1] - m[2][2]) * 2;
    q = {(m[1][2] - m[2][1]) / s, s / 4, (m[1][0] + m[0][1]) / s, (m[2][0] + m[0][2]) / s};
  } else if (m[1][1] > m[2][2]) {
    const float s = std::sqrt(1 + m[1][1] - m[0][0] - m[2][2]) * 2;
    q = {(m[2][0] - m[0][2]) / s, (m[1][0] + m[0][1]) / s, s / 4, (m[2][1] + m[1][2]) / s};
  } else {
    const float s = std::sqrt(1 + m[2][2] - m[0][0] - m[1][1]) * 2;
    q = {(m[0][1] - m[1][0]) / s, (m[2][0] + m[0][2]) / s, (m[2][1] + m[1][2]) / s, s / 4};
  }
  return normalised(q);
}

}  // namespace zt
