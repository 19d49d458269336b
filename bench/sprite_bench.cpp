// Sprites: 1000 moving 32 x 32 colour-keyed sprites with background saving on a 640 x 480
// screen at 16 bits, run by the engine (a program moves them and SYNCs; the frame steps
// restore, save and draw), against SDL2 doing the same per frame with SDL_BlitSurface
// (restore each saved background, save under the new position, draw with the colour key).
// Prints frames per second: the whole frame (interpreter included) and the sprite steps
// alone, and the ratio of the sprite steps to SDL2 (above 1 is faster). Never fails.
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "compiler/compiler.h"
#include "sprites/sprites.h"
#include "support/engine.h"

namespace {

constexpr int Sprites = 1000, Side = 32, ScreenW = 640, ScreenH = 480, Frames = 300;

// Sprite i's position in frame f: every sprite moves every frame, all over the screen.
int spriteX(int i, int f) { return (i * 37 + f * (1 + i % 5)) % (ScreenW - Side); }
int spriteY(int i, int f) { return (i * 53 + f * (1 + i % 3)) % (ScreenH - Side); }

const char* Program =
    "SYNC ON : SYNC RATE 0 : HIDE MOUSE\n"
    "INK RGB(255, 200, 0), 0 : BOX 0, 0, 31, 31\n"
    "INK 0, 0 : BOX 8, 8, 23, 23\n"
    "SYNC\n"
    "GET IMAGE 1, 0, 0, 32, 32\n"
    "CLS RGB(0, 0, 120)\n"
    "f = 0\n"
    "DO\n"
    "  FOR i = 1 TO 1000\n"
    "    x = i * 37 + f * (1 + i - (i / 5) * 5)\n"
    "    y = i * 53 + f * (1 + i - (i / 3) * 3)\n"
    "    SPRITE i, x - (x / 608) * 608, y - (y / 448) * 448, 1\n"
    "  NEXT i\n"
    "  f = f + 1\n"
    "  SYNC\n"
    "LOOP\n";

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

struct EngineFigures {
  double wholeFps = 0, spriteFps = 0;
};

EngineFigures engineFrames() {
  zt::Runtime rt;
  zt::compiler::CompileResult program = zt::compiler::compileText("sprites.ztb", Program);
  std::string error;
  if (!program.ok || !zt::loadProgram(rt.image, program.image, rt.dispatch, error)) {
    std::fprintf(stderr, "cannot load the program: %s%s\n", program.messages.c_str(), error.c_str());
    std::exit(1);
  }
  zt::startProgramData(rt);
  zt::startRun(rt);
  if (!zt::StartDisplay(rt, nullptr, true, false)) std::exit(1);
  zt::StartSprites(rt);
  rt.interp.ProgramRunning = true;
  auto frame = [&](double& spriteSeconds) {
    const auto a = Clock::now();
    zt::FrameStart(rt);
    const double start = secondsSince(a);
    zt::interpret(rt);
    const auto b = Clock::now();
    zt::FrameEnd(rt);
    spriteSeconds += start + secondsSince(b);
  };
  double ignored = 0;
  for (int f = 0; f < 10; ++f) frame(ignored);  // the picture is grabbed and every sprite made
  double spriteSeconds = 0;
  const auto t = Clock::now();
  for (int f = 0; f < Frames; ++f) frame(spriteSeconds);
  const double whole = secondsSince(t);
  zt::StopSprites(rt);
  zt::StopDisplay(rt);
  return {Frames / whole, Frames / spriteSeconds};
}

double sdlFrames() {
  SDL_Surface* screen = SDL_CreateRGBSurfaceWithFormat(0, ScreenW, ScreenH, 16, SDL_PIXELFORMAT_RGB565);
  SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormat(0, Side, Side, 16, SDL_PIXELFORMAT_RGB565);
  SDL_FillRect(screen, nullptr, 0x000F);
  SDL_FillRect(picture, nullptr, 0xFE40);
  SDL_Rect hole{8, 8, 16, 16};
  SDL_FillRect(picture, &hole, 0);
  SDL_SetColorKey(picture, SDL_TRUE, 0);
  std::vector<SDL_Surface*> saved(Sprites);
  std::vector<SDL_Rect> at(Sprites);
  for (auto& s : saved) s = SDL_CreateRGBSurfaceWithFormat(0, Side, Side, 16, SDL_PIXELFORMAT_RGB565);
  auto frame = [&](int f, bool restore) {
    for (int i = Sprites; i-- > 0;)
      if (restore) {
        SDL_Rect back = at[size_t(i)];
        SDL_BlitSurface(saved[size_t(i)], nullptr, screen, &back);
      }
    for (int i = 0; i < Sprites; ++i) {
      at[size_t(i)] = {spriteX(i + 1, f), spriteY(i + 1, f), Side, Side};
      SDL_Rect from = at[size_t(i)];
      SDL_BlitSurface(screen, &from, saved[size_t(i)], nullptr);
    }
    for (int i = 0; i < Sprites; ++i) {
      SDL_Rect to = at[size_t(i)];
      SDL_BlitSurface(picture, nullptr, screen, &to);
    }
  };
  frame(0, false);
  const auto t = Clock::now();
  for (int f = 1; f <= Frames; ++f) frame(f, true);
  const double seconds = secondsSince(t);
  for (auto& s : saved) SDL_FreeSurface(s);
  SDL_FreeSurface(picture);
  SDL_FreeSurface(screen);
  return Frames / seconds;
}

}  // namespace

int main() {
  const EngineFigures ours = engineFrames();
  const double sdl = sdlFrames();
  std::printf("1000 moving 32 x 32 sprites with background saving, 640 x 480 x 16\n");
  std::printf("  engine, whole frames (interpreter included)  %8.1f fps\n", ours.wholeFps);
  std::printf("  engine, sprite steps of the frame             %8.1f fps\n", ours.spriteFps);
  std::printf("  SDL2 SDL_BlitSurface, same work               %8.1f fps\n", sdl);
  std::printf("  ratio, sprite steps / SDL2                    %8.2f\n", ours.spriteFps / sdl);
  std::printf("  ratio, whole frames / SDL2                    %8.2f\n", ours.wholeFps / sdl);
  return 0;
}
