// The display's platform side on SDL2: a streaming texture the size of the frame, drawn
// centred and scaled to the window's drawable size with the aspect ratio kept, nearest
// samples so pixels stay sharp, black around it. Modes come from SDL's mode list; memory
// figures from the kernel. Beside it the presenter of runs without a window.
#include "platform/display.h"

#include <SDL.h>
#include <sys/sysinfo.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "platform/sdl_presenter.h"

namespace zt {

namespace {

constexpr DisplayMode CommonSizes[] = {{320, 200, 0},   {320, 240, 0},   {400, 300, 0},   {512, 384, 0},
                                       {640, 400, 0},   {640, 480, 0},   {800, 600, 0},   {1024, 768, 0},
                                       {1152, 864, 0},  {1280, 720, 0},  {1280, 960, 0},  {1280, 1024, 0},
                                       {1600, 1200, 0}, {1920, 1080, 0}};
constexpr int Depths[] = {16, 24, 32};

// Frames are converted for the window anyway, so every size is offered at every depth.
void addSize(std::vector<DisplayMode>& modes, int width, int height) {
  for (int depth : Depths) modes.push_back({width, height, depth});
}

std::vector<DisplayMode> commonModes() {
  std::vector<DisplayMode> modes;
  for (const DisplayMode& m : CommonSizes) addSize(modes, m.width, m.height);
  return modes;
}

std::vector<DisplayMode> sortedOnce(std::vector<DisplayMode> modes) {
  std::sort(modes.begin(), modes.end());
  modes.erase(std::unique(modes.begin(), modes.end()), modes.end());
  return modes;
}

class NullPresenter final : public Presenter {
 public:
  void present(int, int, const std::function<const uint32_t*()>&) override {}
  void toFrame(int wx, int wy, int& fx, int& fy) const override {
    fx = wx;
    fy = wy;
  }
  std::vector<DisplayMode> displayModes() const override { return sortedOnce(commonModes()); }
  void outputSize(int& width, int& height) const override { width = height = 0; }
  bool visible() const override { return false; }
};

class SdlPresenter final : public Presenter {
 public:
  SdlPresenter(SDL_Window* w, SDL_Renderer* r) : window(w), renderer(r) {}
  ~SdlPresenter() override {
    if (texture) SDL_DestroyTexture(texture);
  }

  void present(int width, int height, const std::function<const uint32_t*()>& pixels) override {
    if (!texture || width != frameWidth || height != frameHeight) {
      if (texture) SDL_DestroyTexture(texture);
      SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
      texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
      frameWidth = width;
      frameHeight = height;
      if (!texture) return;
    }
    SDL_UpdateTexture(texture, nullptr, pixels(), width * 4);
    int outW = 0, outH = 0;
    SDL_GetRendererOutputSize(renderer, &outW, &outH);
    const double scale = std::min(double(outW) / width, double(outH) / height);
    dest.w = std::max(1, int(width * scale));
    dest.h = std::max(1, int(height * scale));
    dest.x = (outW - dest.w) / 2;
    dest.y = (outH - dest.h) / 2;
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, &dest);
    SDL_RenderPresent(renderer);
  }

  void outputSize(int& width, int& height) const override { SDL_GetRendererOutputSize(renderer, &width, &height); }

  void toFrame(int wx, int wy, int& fx, int& fy) const override {
    fx = wx;
    fy = wy;
    if (!texture || dest.w <= 0 || dest.h <= 0) return;
    int winW = 1, winH = 1, outW = 1, outH = 1;
    SDL_GetWindowSize(window, &winW, &winH);
    SDL_GetRendererOutputSize(renderer, &outW, &outH);
    const double px = double(wx) * outW / std::max(1, winW), py = double(wy) * outH / std::max(1, winH);
    fx = int((px - dest.x) * frameWidth / dest.w);
    fy = int((py - dest.y) * frameHeight / dest.h);
  }

  std::vector<DisplayMode> displayModes() const override {
    std::vector<DisplayMode> modes = commonModes();
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
      for (int i = 0, n = SDL_GetNumDisplayModes(0); i < n; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) == 0 && SDL_BITSPERPIXEL(m.format) >= 16) addSize(modes, m.w, m.h);
      }
    }
    return sortedOnce(std::move(modes));
  }

 private:
  SDL_Window* window;
  SDL_Renderer* renderer;
  SDL_Texture* texture = nullptr;
  int frameWidth = 0, frameHeight = 0;
  SDL_Rect dest{};
};

// A "Name:   N kB" line of /proc/meminfo in bytes, or -1.
int64_t meminfoBytes(const std::string& name) {
  std::ifstream in("/proc/meminfo");
  std::string key;
  int64_t kb = 0;
  std::string unit;
  while (in >> key >> kb) {
    std::getline(in, unit);
    if (key == name + ":") return kb * 1024;
  }
  return -1;
}

}  // namespace

std::unique_ptr<Presenter> makeSdlPresenter(SDL_Window* window, SDL_Renderer* renderer) {
  return std::make_unique<SdlPresenter>(window, renderer);
}

std::unique_ptr<Presenter> makeNullPresenter() { return std::make_unique<NullPresenter>(); }

std::vector<DisplayDriver> listDisplayDrivers() { return {{"Software Display Device"}}; }

int64_t availableMemoryBytes() {
  if (int64_t bytes = meminfoBytes("MemAvailable"); bytes >= 0) return bytes;
  struct sysinfo info {};
  return sysinfo(&info) == 0 ? int64_t(info.freeram) * info.mem_unit : 0;
}

int64_t availableVirtualMemoryBytes() {
  struct sysinfo info {};
  const int64_t swap = sysinfo(&info) == 0 ? int64_t(info.freeswap) * info.mem_unit : 0;
  return availableMemoryBytes() + swap;
}

}  // namespace zt
