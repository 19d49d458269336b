// The 3D side of the display: the software device drawn into each back buffer, and the
// capability codes the 3D engine reads (blend level, filter level, fog, colour keys).
#include "display2d/display3d.h"

#include "core/runtime.h"
#include "display2d/state.h"

namespace zt {

namespace {

// The ghost blend pairs by level, 1 to 9.
constexpr Blend BlendPairs[9][2] = {
    {Blend::One, Blend::InvSrcColor},     {Blend::InvDestColor, Blend::One}, {Blend::One, Blend::One},
    {Blend::DestColor, Blend::One},       {Blend::DestColor, Blend::SrcColor}, {Blend::DestColor, Blend::Zero},
    {Blend::Zero, Blend::SrcColor},       {Blend::InvDestColor, Blend::InvSrcColor},
    {Blend::Zero, Blend::InvSrcColor},
};

}  // namespace

Capabilities3D capabilityCodes(const DeviceCaps3D& caps, bool emulation) {
  Capabilities3D c;
  // Tested from 9 down to 1, the last match wins: the lowest supported level.
  for (int level = 9; level >= 1; --level) {
    const Blend* pair = BlendPairs[level - 1];
    if ((caps.srcBlendCaps & caps::blendBit(pair[0])) && (caps.destBlendCaps & caps::blendBit(pair[1])))
      c.blendLevel = level;
  }
  const uint32_t filters = caps.textureFilterCaps & (emulation ? caps::FilterLinear : ~0u);
  c.filterLevel = (filters & caps::FilterAnisotropic) ? 2 : (filters & caps::FilterLinear) ? 1 : 0;
  const uint32_t raster = emulation ? 0 : caps.rasterCaps;
  c.fogAvailable = (raster & (caps::RasterFogTable | caps::RasterFogVertex)) != 0;
  c.tableFogOnly = (raster & caps::RasterFogTable) && !(raster & caps::RasterFogVertex);
  c.colorKey = caps.colorKey;
  c.blit3D = 1;
  return c;
}

std::pair<Blend, Blend> blendPairOfLevel(int32_t level) {
  if (level < 1 || level > 9) return {Blend::One, Blend::Zero};
  return {BlendPairs[level - 1][0], BlendPairs[level - 1][1]};
}

bool create3DDevices(Runtime& rt) {
  DisplayState& d = rt.display;
  release3DDevices(d);
  for (size_t i = 0; i < d.Buffers.size(); ++i) {
    if (!d.Buffers[i]) continue;
    d.Devices[i] = Device3D::create(*d.Buffers[i]);
    if (!d.Devices[i]) {
      release3DDevices(d);
      LogEngineError(rt, "Failed to create a D3D Device from BackBuffer Surface");
      return false;
    }
  }
  d.Caps3D = capabilityCodes(d.Devices[0]->caps(), d.EmulationMode != 0);
  return true;
}

void release3DDevices(DisplayState& d) {
  for (auto& device : d.Devices) device.reset();
}

Device3D* device3D(Runtime& rt, int buffer) { return rt.display.Devices[size_t(buffer & 1)].get(); }

Device3D* drawingDevice3D(Runtime& rt) {
  DisplayState& d = rt.display;
  return d.Devices[size_t(d.PageFlipping ? d.BufferParity : 0)].get();
}

const Capabilities3D& capabilities3D(const Runtime& rt) { return rt.display.Caps3D; }

}  // namespace zt
