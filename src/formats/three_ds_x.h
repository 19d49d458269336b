// The 3DS to .x converter: a 3DS file becomes the text of a DirectX .x file (y up) with
// its materials, one frame per mesh object (nested as the keyframer's hierarchy nests
// them), the meshes with normals and texture coordinates, and an animation set from the
// keyframer's tracks. Lines end with a single line feed; numbers are written "%5.6f".
//
// Conversion from the 3DS convention (z up): a point (x, y, z) becomes (x, z, y), a face
// (a, b, c) becomes (a, c, b), a texture coordinate (u, v) becomes (u, 1 - v), and a
// rotation key's angle about (x, y, z) becomes a quaternion about (-x, -z, -y), each key
// applied onto the one before (3DS rotation keys are relative).
//
// A mesh's vertices are written in its node's space (the object's local axes undone, the
// pivot moved to the origin); its frame's transform puts it back where the file has it, and
// the animation keys, which replace that transform while they play, place the pivot.
#pragma once

#include <string>
#include <string_view>

#include "formats/three_ds.h"

namespace zt {

// The .x text of a scene read by readThreeDs; empty when a number to be written comes out
// not finite (local axes or keys so large that their products overflow).
std::string writeXText(const ThreeDsScene& scene);

// Reads the 3DS bytes and writes the .x text into `xText`. Returns ThreeDsOk or a
// negative result code (three_ds.h; ThreeDsBrokenChunk also when writeXText fails);
// `xText` is empty on failure.
int convertThreeDs(std::string_view bytes, std::string& xText, const ThreeDsTrace& trace = {});

// The same from the file `source` to the file `destination`, which is replaced in one
// piece: ThreeDsCannotOpen when the source cannot be read, ThreeDsCannotWrite when the
// destination cannot be written (no partial file is left).
int convertThreeDsFile(const std::string& source, const std::string& destination, const ThreeDsTrace& trace = {});

}  // namespace zt
