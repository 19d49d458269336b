// The 3D engine as the host and the frame cycle see it: start, display reset and stop,
// the frame steps (Z-buffer clear, backdrop, render step), and the command families of the
// scene settings, the camera, the lights and the value functions.
#pragma once

#include <span>

#include "core/commands.h"
#include "display2d/display_list.h"

namespace zt {

struct Runtime;

// Display start: empty pools and maps (slot 0 of each taken by a placeholder), the scene
// defaults, the camera reset, the default light, and the device states.
void Start3D(Runtime& rt);
// Before a display reset: the textures made from images go (their images change format).
void release3DForReset(Runtime& rt);
// After a display reset: the new devices get the render states, material, lights, view,
// projection and viewport again.
void restore3DAfterReset(Runtime& rt);
// Display shutdown: objects, meshes, textures and lights.
void Stop3D(Runtime& rt);

// Frame start: the Z-buffer of the buffer being drawn is cleared to 1.0.
void ClearZBuffer3D(Runtime& rt);
// Frame start: the backdrop behind everything; BACKDROP ON shows from the next frame on.
void DrawBackdrop(Runtime& rt);
// The scene's objects: visibility, texture batches in depth order, three passes.
void Render3D(Runtime& rt);

extern const std::span<const CommandRow> SceneRows;
extern const std::span<const CommandRow> CameraRows;
extern const std::span<const CommandRow> LightRows;
extern const std::span<const CommandRow> ValueRows;
extern const std::span<const CommandRow> MatrixRows;
extern const std::span<const RecordRow> CameraRecords;  // the camera view clear

}  // namespace zt
