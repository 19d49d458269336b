// Tests look inside the engine as the host does: the Runtime with every subsystem's state
// and the public functions of each.
#pragma once

#include "core/runtime.h"
#include "display2d/console.h"
#include "display2d/display.h"
#include "display2d/state.h"
#include "host/families.h"
#include "host/frame.h"
#include "host/lifecycle.h"
#include "host/payload.h"
#include "host/run_loop.h"
#include "host/settings.h"
#include "host/state.h"
#include "input/input.h"
#include "input/state.h"
#include "platform/clipboard.h"
#include "formats/ini.h"
#include "platform/profile.h"
#include "services/checklist.h"
#include "services/state.h"
