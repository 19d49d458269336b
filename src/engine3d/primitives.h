// The primitive meshes, generated in code: the unit sphere, cube, cylinder, plain and cone,
// the box and the single triangle. The objects code copies them into its mesh records.
//
// Winding: every triangle is listed clockwise as seen from outside the shape, the front
// face of the device's left-handed coordinates (x right, y up, z into the screen), so
// culling counter-clockwise triangles removes the inside. For a triangle (a, b, c) the
// outward direction is therefore (b - a) x (c - a), and it agrees with the corners' normals.
//
// Layout (u grows to the right and v downwards as seen from outside; the seam of the round
// shapes faces +z, away from the default camera):
// - sphere: 16 vertices at the top pole (one per segment), 7 rings of 17 (the seam is
//   doubled for its texture coordinates), 16 at the bottom pole: 151 vertices,
//   224 triangles (a fan row at each pole, two per segment in each of the 6 middle bands);
// - cube and box: 6 faces of 4 vertices (front -z, back +z, right +x, left -x, top +y,
//   bottom -y), 2 triangles each: 24 vertices, 12 triangles;
// - cylinder: 25 vertices per cap (centre and 24 around), a side of 2 rings of 25:
//   100 vertices, 24 triangles per cap and 48 on the side: 96;
// - plain: 4 vertices, 2 triangles, normals towards -z;
// - cone: the base centre, a base ring of 13, a ring of 13 coincident apex vertices and the
//   apex: 28 vertices; 12 base triangles, 24 side triangles (of which the 12 spanning two
//   apex vertices have no area) and 12 zero-area triangles joining the apex ring to the
//   apex: 48; its normals are indexed apart from the vertices (52: 13 for the base, 13 per
//   side ring, 13 for the apex fan), as the base and the side share the base ring.
// The stored meshes this layout replaces carried more vertices for the sphere (164), cube
// (32) and cylinder (171) than their geometry needs; the extra ones cannot be recovered
// and none is invented here.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/device3d.h"

namespace zt {

struct TexCoord {
  float u = 0, v = 0;
};

struct PrimitiveMesh {
  std::vector<Vec3> positions;
  std::vector<TexCoord> texCoords;  // one per position
  std::vector<Vec3> normals;        // unit length
  std::vector<uint32_t> indices;        // three position indices per triangle
  std::vector<uint32_t> normalIndices;  // the normal of each of those corners
};

// Offset of every coordinate of the stored sphere, cube, plain and cone.
constexpr float PrimitiveOffset = 0.001f;

// Unit shapes, within -0.5 to 0.5 on each axis (plus the offset where it applies).
PrimitiveMesh makeSphereMesh();    // radius 0.5 about the y axis
PrimitiveMesh makeCubeMesh();      // edge 1; texture coordinates 0.0005 and 0.9995
PrimitiveMesh makeCylinderMesh();  // radius 0.5, y from -0.5 to 0.5, centred on the origin
PrimitiveMesh makePlainMesh();     // edge 1 in the x-y plane at z = 0.001
PrimitiveMesh makeConeMesh();      // base radius 0.5 at y = -0.5, apex at y = 0.5

// A box centred on the origin with corners at +-width/2, +-height/2, +-depth/2 (the sign
// of a size does not matter); laid out as the cube.
PrimitiveMesh makeBoxMesh(float width, float height, float depth);
// One triangle with corners a, b, c, front face towards (b - a) x (c - a) (towards -z when
// the corners have no area); texture coordinates (0, 0), (1, 0), (0, 1).
PrimitiveMesh makeTriangleMesh(Vec3 a, Vec3 b, Vec3 c);

// Scales the positions by (x, y, z) and keeps the mesh's outside outside: normals follow
// the stretched surfaces, and a mirroring scale (an odd number of negative factors) turns
// every triangle round.
void scaleMesh(PrimitiveMesh& mesh, float x, float y, float z);

}  // namespace zt
