// The SDL presenter for the desktop window's own window and renderer; only platform code
// that already uses SDL includes this.
#pragma once

#include <memory>

#include "platform/display.h"

struct SDL_Window;
struct SDL_Renderer;

namespace zt {

std::unique_ptr<Presenter> makeSdlPresenter(SDL_Window* window, SDL_Renderer* renderer);

}  // namespace zt
