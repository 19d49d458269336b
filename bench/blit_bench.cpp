// 2D hot paths against SDL2's software blitter on the same sizes and formats: colour
// fill of a 640 x 480 screen, colour-keyed copy of a 64 x 64 picture, and stretched
// colour-keyed copy of it to 96 x 96, at 16 and 32 bits; LINE against SDL2's software
// renderer drawing the same lines. Prints pixels (or lines) per second and the ratio
// (ours / SDL2; above 1 is faster). TEXT has no SDL2 counterpart: characters per second.
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include "display2d/drawing.h"
#include "gfx/surface.h"
#include "platform/font.h"

namespace {

constexpr int ScreenW = 640, ScreenH = 480, Pic = 64, Scaled = 96;

double pixelsPerSecond(int64_t pixelsPerRun, const std::function<void(int)>& run) {
  using clock = std::chrono::steady_clock;
  int runs = 0;
  auto start = clock::now();
  double seconds = 0;
  while (seconds < 0.4) {
    for (int i = 0; i < 64; ++i) run(runs++);
    seconds = std::chrono::duration<double>(clock::now() - start).count();
  }
  return double(pixelsPerRun) * runs / seconds;
}

uint32_t sdlFormat(int bits) { return bits == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888; }

void fillPicture(zt::Surface& s, SDL_Surface* t) {
  for (int y = 0; y < Pic; ++y)
    for (int x = 0; x < Pic; ++x) {
      uint32_t v = ((x / 8 + y / 8) % 3 == 0) ? 0 : 0x1234 + uint32_t(x * y);  // a third is transparent
      s.setPixel(x, y, v);
      uint8_t* p = static_cast<uint8_t*>(t->pixels) + y * t->pitch + x * t->format->BytesPerPixel;
      if (t->format->BytesPerPixel == 2) *reinterpret_cast<uint16_t*>(p) = uint16_t(v);
      else *reinterpret_cast<uint32_t*>(p) = v & 0xFFFFFF;
    }
}

void report(const char* what, double ours, double sdl, const char* unit = "Mpx/s") {
  std::printf("%-34s ours %8.2f %s   SDL2 %8.2f %s   ratio %.2f\n", what, ours / 1e6, unit, sdl / 1e6, unit, ours / sdl);
}

// Lines of about 300 pixels in every direction across the screen.
SDL_Rect lineOf(int i) {
  const int x1 = (i * 37) % ScreenW, y1 = (i * 53) % ScreenH;
  return {x1, y1, (x1 + 300 + i % 7) % ScreenW, (y1 + 211 + i % 5) % ScreenH};
}

void benchLines(zt::Surface& screen, SDL_Surface* sScreen) {
  SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(sScreen);
  SDL_SetRenderDrawColor(renderer, 255, 255, 255, 255);
  report("LINE, about 300 pixels",
         pixelsPerSecond(1, [&](int i) {
           SDL_Rect l = lineOf(i);
           zt::drawLine(screen, float(l.x), float(l.y), float(l.w), float(l.h), 0xFFFF);
         }),
         pixelsPerSecond(1, [&](int i) {
           SDL_Rect l = lineOf(i);
           SDL_RenderDrawLine(renderer, l.x, l.y, l.w, l.h);
         }),
         "Mlines/s");
  SDL_DestroyRenderer(renderer);
}

void benchText(zt::Surface& screen) {
  std::string why;
  auto fonts = zt::FontLibrary::create(why);
  if (!fonts) {
    std::printf("TEXT: no fonts (%s)\n", why.c_str());
    return;
  }
  const std::string text = "The quick brown fox jumps over the lazy dog";
  for (const char* face : {"system", "Liberation Sans"}) {
    auto font = fonts->open(face, 16, false, false);
    if (!font) continue;
    double chars = pixelsPerSecond(int64_t(text.size()), [&](int i) {
      font->draw(screen, (i * 7) % 200, (i * 13) % 460, text, 0xFFFF, 0, i % 2 == 0);
    });
    std::printf("TEXT %-29s ours %8.2f Mchars/s\n", face, chars / 1e6);
  }
}

}  // namespace

int main() {
  for (int bits : {16, 32}) {
    auto screen = zt::Surface::create(ScreenW, ScreenH, zt::PixelFormat::forDepth(bits));
    auto picture = zt::Surface::create(Pic, Pic, zt::PixelFormat::forDepth(bits));
    SDL_Surface* sScreen = SDL_CreateRGBSurfaceWithFormat(0, ScreenW, ScreenH, bits == 16 ? 16 : 32, sdlFormat(bits));
    SDL_Surface* sPicture = SDL_CreateRGBSurfaceWithFormat(0, Pic, Pic, bits == 16 ? 16 : 32, sdlFormat(bits));
    fillPicture(*picture, sPicture);
    picture->setColorKey(0);
    SDL_SetColorKey(sPicture, SDL_TRUE, 0);
    std::printf("%d bits per pixel\n", bits);

    auto at = [](int i) { return std::pair{(i * 37) % (ScreenW - Scaled), (i * 53) % (ScreenH - Scaled)}; };
    report("fill 640x480",
           pixelsPerSecond(ScreenW * ScreenH, [&](int i) { zt::fillRect(*screen, screen->bounds(), uint32_t(i)); }),
           pixelsPerSecond(ScreenW * ScreenH, [&](int i) { SDL_FillRect(sScreen, nullptr, uint32_t(i)); }));
    report("keyed copy 64x64",
           pixelsPerSecond(Pic * Pic, [&](int i) {
             auto [x, y] = at(i);
             zt::bltFast(*screen, x, y, *picture, picture->bounds(), true);
           }),
           pixelsPerSecond(Pic * Pic, [&](int i) {
             auto [x, y] = at(i);
             SDL_Rect d{x, y, Pic, Pic};
             SDL_BlitSurface(sPicture, nullptr, sScreen, &d);
           }));
    report("keyed stretch 64x64 to 96x96",
           pixelsPerSecond(Scaled * Scaled, [&](int i) {
             auto [x, y] = at(i);
             zt::blt(*screen, {x, y, x + Scaled, y + Scaled}, *picture, picture->bounds(), {false, false, true});
           }),
           pixelsPerSecond(Scaled * Scaled, [&](int i) {
             auto [x, y] = at(i);
             SDL_Rect d{x, y, Scaled, Scaled};
             SDL_BlitScaled(sPicture, nullptr, sScreen, &d);
           }));
    report("stretch 64x64 to 96x96, no key",
           pixelsPerSecond(Scaled * Scaled, [&](int i) {
             auto [x, y] = at(i);
             zt::blt(*screen, {x, y, x + Scaled, y + Scaled}, *picture, picture->bounds());
           }),
           [&] {
             SDL_SetColorKey(sPicture, SDL_FALSE, 0);
             double r = pixelsPerSecond(Scaled * Scaled, [&](int i) {
               auto [x, y] = at(i);
               SDL_Rect d{x, y, Scaled, Scaled};
               SDL_BlitScaled(sPicture, nullptr, sScreen, &d);
             });
             SDL_SetColorKey(sPicture, SDL_TRUE, 0);
             return r;
           }());
    benchLines(*screen, sScreen);
    benchText(*screen);
    SDL_FreeSurface(sScreen);
    SDL_FreeSurface(sPicture);
  }
  return 0;
}
