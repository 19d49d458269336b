// Camera commands and functions: the one camera in its three modes (look-at, angles, free
// orientation), its range (the projection) and view (the viewport), the camera view clear
// queued on the display list, and AUTOCAM. Owns the CameraState of the Engine3DState.
#include <cmath>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "display2d/bitmaps.h"
#include "display2d/display.h"
#include "display2d/pixels.h"
#include "engine3d/engine3d.h"
#include "engine3d/scene.h"

namespace zt {

namespace {

constexpr float FieldOfView = 1.0814433f;
constexpr float FullTurn = 6.283185258507729f;

Vec3 sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 normalized(Vec3 v, Vec3 otherwise) {
  const float len = std::sqrt(dot(v, v));
  return len > 0 ? Vec3{v.x / len, v.y / len, v.z / len} : otherwise;
}

// The look-at view with up (0, 1, 0). Looking straight up or down, or at the camera's own
// position, still gives a valid view (x to the right, z ahead).
Matrix4 lookAt(Vec3 eye, Vec3 at) {
  const Vec3 z = normalized(sub(at, eye), {0, 0, 1});
  const Vec3 x = normalized(cross({0, 1, 0}, z), {1, 0, 0});
  const Vec3 y = cross(z, x);
  Matrix4 v;
  const Vec3 axes[3] = {x, y, z};
  for (int c = 0; c < 3; ++c) {
    v.m[0][c] = axes[c].x;
    v.m[1][c] = axes[c].y;
    v.m[2][c] = axes[c].z;
    v.m[3][c] = -dot(axes[c], eye);
  }
  return v;
}

float intoTurn(float a) {
  while (a < 0) a += FullTurn;
  while (a >= FullTurn) a -= FullTurn;
  return a + 0.0f;  // never -0
}

Matrix4 cameraRotation(const CameraState& c) {
  return rotationX(c.ax) * rotationY(c.ay) * rotationZ(c.az);
}

Word* finishCamera(Runtime& rt, Word* pc, int operands) {
  rebuildView(rt);
  return pc + operands;
}

// ---- commands ----

Word* opPositionCamera(Runtime& rt, Word* pc) {
  CameraState& c = rt.engine3d.camera;
  const float x = operand(pc, 0).f, y = operand(pc, 1).f, z = operand(pc, 2).f;
  c.tx += x - c.cx;
  c.ty += y - c.cy;
  c.tz += z - c.cz;
  c.cx = x;
  c.cy = y;
  c.cz = z;
  return finishCamera(rt, pc, 3);
}

Word* opPointCamera(Runtime& rt, Word* pc) {
  CameraState& c = rt.engine3d.camera;
  c.tx = operand(pc, 0).f;
  c.ty = operand(pc, 1).f;
  c.tz = operand(pc, 2).f;
  c.mode = 0;
  rebuildView(rt);
  anglesFromDirection({c.tx - c.cx, c.ty - c.cy, c.tz - c.cz}, c.ax, c.ay, c.az);
  return pc + 3;
}

void opRotateCamera(Runtime& rt, Word* pc) {
  CameraState& c = rt.engine3d.camera;
  const float x = operand(pc, 0).f, y = operand(pc, 1).f, z = operand(pc, 2).f;
  if (!checkAngle(rt, x) || !checkAngle(rt, y) || !checkAngle(rt, z)) return;
  c.ax = x * TransformRadians;
  c.ay = y * TransformRadians;
  c.az = z * TransformRadians;
  c.mode = 1;
  rebuildView(rt);
}

template <int Axis>
void opRotateCameraAxis(Runtime& rt, Word* pc) {
  CameraState& c = rt.engine3d.camera;
  const float a = operand(pc, 0).f;
  if (!checkAngle(rt, a)) return;
  (Axis == 0 ? c.ax : Axis == 1 ? c.ay : c.az) = a * TransformRadians;
  c.mode = 1;
  rebuildView(rt);
}

Word* opMoveCamera(Runtime& rt, Word* pc) {
  CameraState& c = rt.engine3d.camera;
  const Matrix4 r = c.mode == 2 ? inverseOf(c.free) : cameraRotation(c);
  const Vec3 d = transformDirection({0, 0, operand(pc, 0).f}, r);
  c.cx += d.x;
  c.cy += d.y;
  c.cz += d.z;
  c.tx += d.x;
  c.ty += d.y;
  c.tz += d.z;
  return finishCamera(rt, pc, 1);
}

// Turn, pitch and roll: the free matrix post-multiplied by one rotation; `Sign` is the
// direction of the angle as given.
template <int Axis, int Sign>
Word* opTurnCamera(Runtime& rt, Word* pc) {
  CameraState& c = rt.engine3d.camera;
  const float a = wrapAngle(float(Sign) * operand(pc, 0).f) * TransformRadians;
  c.free = c.free * (Axis == 0 ? rotationX(a) : Axis == 1 ? rotationY(a) : rotationZ(a));
  c.mode = 2;
  return finishCamera(rt, pc, 1);
}

void opCameraToObject(Runtime& rt, Word* pc) {
  Engine3DState& s = rt.engine3d;
  const int32_t slot = checkedObject(rt, operand(pc, 0).i);
  if (!slot) return;
  const ObjectRecord& o = s.objects[slot];
  CameraState& c = s.camera;
  if (o.freeOrientation) {
    c.free = o.orientation;
    c.mode = 2;
  } else {
    c.ax = o.angleX * TransformRadians;
    c.ay = o.angleY * TransformRadians;
    c.az = o.angleZ * TransformRadians;
    c.mode = 1;
  }
  rebuildView(rt);
}

void opSetCameraRange(Runtime& rt, Word* pc) {
  const float nearRange = operand(pc, 0).f, farRange = operand(pc, 1).f;
  rt.interp.YieldFlag = true;
  if (!(farRange > 0)) return raiseError(rt, ErrCameraFar);
  if (!(nearRange >= 1) || !(farRange > nearRange)) return raiseError(rt, ErrCameraRange);
  CameraState& c = rt.engine3d.camera;
  c.nearRange = nearRange;
  c.farRange = farRange;
  sendProjection(rt, nearRange, farRange);
}

void opSetCameraView(Runtime& rt, Word* pc) {
  const int32_t left = operand(pc, 0).i, top = operand(pc, 1).i, right = operand(pc, 2).i,
                bottom = operand(pc, 3).i;
  rt.interp.YieldFlag = true;
  int32_t width = 0, height = 0;
  screenSize(rt, width, height);
  if (left < 0 || left >= right || right > width || top < 0 || top >= bottom || bottom > height)
    return raiseError(rt, ErrRegionOutside);
  CameraState& c = rt.engine3d.camera;
  c.viewLeft = left;
  c.viewTop = top;
  c.viewRight = right;
  c.viewBottom = bottom;
  sendViewport(rt);
  sendProjection(rt, c.nearRange, c.farRange);
}

Word* opClearCameraView(Runtime& rt, Word* pc) {
  if (DisplayRecord* r = AddRecord(rt, RecClearCameraView)) r->arg1 = operand(pc, 0).i;
  return pc + 1;
}

// The viewport area of the record's surface (the whole screen without a camera view).
void runClearCameraView(Runtime& rt, Surface& s, const DisplayRecord& r) {
  const CameraState& c = rt.engine3d.camera;
  const Rect area = c.viewRight > 0 ? Rect{c.viewLeft, c.viewTop, c.viewRight, c.viewBottom} : s.bounds();
  fillRect(s, area, PixelLayout::of(s).matchOf(uint32_t(r.arg1)));
}

template <int32_t Order>
Word* opCameraOrder(Runtime& rt, Word* pc) {
  rt.engine3d.camera.order = Order;
  CameraState& c = rt.engine3d.camera;
  c.mode = 1;
  rebuildView(rt);
  return pc;
}

template <int32_t On>
Word* opAutocam(Runtime& rt, Word* pc) {
  rt.engine3d.camera.autoPlace = On;
  return pc;
}

template <int Which>
Word* opCameraPosition(Runtime& rt, Word* pc) {
  const CameraState& c = rt.engine3d.camera;
  operand(pc, 0).f = Which == 0 ? c.cx : Which == 1 ? c.cy : c.cz;
  return pc + 1;
}

template <int Which>
Word* opCameraAngle(Runtime& rt, Word* pc) {
  const CameraState& c = rt.engine3d.camera;
  operand(pc, 0).f = (Which == 0 ? c.ax : Which == 1 ? c.ay : c.az) * DegreesPerRadian;
  return pc + 1;
}

const CommandRow Rows[] = {
    {CmdPositionCamera, opPositionCamera},
    {CmdPointCamera, opPointCamera},
    {CmdRotateCamera, skipAfter<opRotateCamera, 3>},
    {CmdXrotateCamera, skipAfter<opRotateCameraAxis<0>, 1>},
    {CmdYrotateCamera, skipAfter<opRotateCameraAxis<1>, 1>},
    {CmdZrotateCamera, skipAfter<opRotateCameraAxis<2>, 1>},
    {CmdMoveCamera, opMoveCamera},
    {CmdTurnCameraLeft, opTurnCamera<1, 1>},
    {CmdTurnCameraRight, opTurnCamera<1, -1>},
    {CmdPitchCameraUp, opTurnCamera<0, 1>},
    {CmdPitchCameraDown, opTurnCamera<0, -1>},
    {CmdRollCameraLeft, opTurnCamera<2, -1>},
    {CmdRollCameraRight, opTurnCamera<2, 1>},
    {CmdSetCameraToObjectOrientation, skipAfter<opCameraToObject, 1>},
    {CmdSetCameraRange, skipAfter<opSetCameraRange, 2>},
    {CmdSetCameraView, skipAfter<opSetCameraView, 4>},
    {CmdClearCameraView, opClearCameraView},
    {CmdSetCameraRotationXyz, opCameraOrder<0>},
    {CmdSetCameraRotationZyx, opCameraOrder<1>},
    {CmdAutocamOn, opAutocam<1>},
    {CmdAutocamOff, opAutocam<0>},
    {CmdCameraPositionX, opCameraPosition<0>},
    {CmdCameraPositionY, opCameraPosition<1>},
    {CmdCameraPositionZ, opCameraPosition<2>},
    {CmdCameraAngleX, opCameraAngle<0>},
    {CmdCameraAngleY, opCameraAngle<1>},
    {CmdCameraAngleZ, opCameraAngle<2>},
};

const RecordRow Records[] = {{RecClearCameraView, onSurface<runClearCameraView>}};

}  // namespace

Matrix4 inverseOf(const Matrix4& a) {
  // Gauss-Jordan elimination with partial pivoting; a singular matrix gives the identity.
  double m[4][8];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 8; ++c) m[r][c] = c < 4 ? a.m[r][c] : (c - 4 == r ? 1 : 0);
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) pivot = r;
    if (std::fabs(m[pivot][col]) < 1e-12) return Matrix4{};
    for (int c = 0; c < 8; ++c) std::swap(m[col][c], m[pivot][c]);
    const double d = m[col][col];
    for (int c = 0; c < 8; ++c) m[col][c] /= d;
    for (int r = 0; r < 4; ++r) {
      if (r == col) continue;
      const double f = m[r][col];
      for (int c = 0; c < 8; ++c) m[r][c] -= f * m[col][c];
    }
  }
  Matrix4 out;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) out.m[r][c] = float(m[r][c + 4]);
  return out;
}

Vec3 transformDirection(const Vec3& v, const Matrix4& m) {
  return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0], v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
          v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

void anglesFromDirection(Vec3 d, float& ax, float& ay, float& az) {
  ay = intoTurn(std::atan2(d.x, d.z));
  const Vec3 r = transformDirection(d, rotationY(-ay));
  ax = intoTurn(-std::atan2(r.y, r.z));
  az = 0;
}

void rebuildView(Runtime& rt) {
  CameraState& c = rt.engine3d.camera;
  const Matrix4 t = translation(-c.cx, -c.cy, -c.cz);
  if (c.mode == 0) {
    c.view = lookAt({c.cx, c.cy, c.cz}, {c.tx, c.ty, c.tz});
    c.free = Matrix4{};
  } else if (c.mode == 1) {
    const Matrix4 q = c.order == 1 ? rotationZ(-c.az) * rotationY(-c.ay) * rotationX(-c.ax)
                                   : rotationX(-c.ax) * rotationY(-c.ay) * rotationZ(-c.az);
    c.view = t * q;
    c.free = Matrix4{};
  } else {
    c.view = t * c.free;
    Matrix4 f = c.free;
    f.m[3][0] = f.m[3][1] = f.m[3][2] = 0;
    anglesFromDirection(transformDirection({0, 0, 1}, inverseOf(f)), c.ax, c.ay, c.az);
  }
  sendTransform(rt, TransformState::View, c.view);
}

Matrix4 projectionMatrix(Runtime& rt, float nearRange, float farRange) {
  int32_t width = 0, height = 0;
  screenSize(rt, width, height);
  const float aspect = width > 0 ? float(height) / float(width) : 1.0f;
  const float h = std::cos(FieldOfView / 2) / std::sin(FieldOfView / 2);
  const float q = farRange / (farRange - nearRange);
  Matrix4 p;
  p.m[0][0] = aspect * h;
  p.m[1][1] = h;
  p.m[2][2] = q;
  p.m[2][3] = 1;
  p.m[3][2] = -q * nearRange;
  p.m[3][3] = 0;
  return p;
}

void sendProjection(Runtime& rt, float nearRange, float farRange) {
  sendTransform(rt, TransformState::Projection, projectionMatrix(rt, nearRange, farRange));
}

void placeCamera(Runtime& rt, Vec3 position, Vec3 target, float nearRange, float farRange) {
  CameraState& c = rt.engine3d.camera;
  c.cx = position.x;
  c.cy = position.y;
  c.cz = position.z;
  c.tx = target.x;
  c.ty = target.y;
  c.tz = target.z;
  c.mode = 0;
  rebuildView(rt);
  anglesFromDirection(sub(target, position), c.ax, c.ay, c.az);
  c.nearRange = nearRange;
  c.farRange = farRange;
  sendProjection(rt, nearRange, farRange);
}

extern const std::span<const CommandRow> CameraRows(Rows);
extern const std::span<const RecordRow> CameraRecords(Records);

}  // namespace zt
