// The control device's force-feedback effects, made when SET CONTROL DEVICE chooses a
// device with force feedback.
#pragma once

namespace zt {

struct Runtime;

// Makes every effect with its defaults on the control device, noting which were made.
void makeForceEffects(Runtime& rt);

}  // namespace zt
