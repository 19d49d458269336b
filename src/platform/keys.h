// The translation of the platform's scan codes (SDL's) into the language's key numbers.
#pragma once

#include <cstdint>
#include <span>

namespace zt {

struct KeyTranslation {
  int scancode;  // SDL_Scancode
  uint8_t key;
};

std::span<const KeyTranslation> keyTranslations();
// The key number of a scan code, or 0 when the engine does not know the key.
int keyNumberOfScancode(int scancode);

}  // namespace zt
