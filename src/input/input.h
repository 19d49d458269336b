// Input: one state for the keys, the typed character, the mouse and the joysticks, fed by
// the window's events and the joystick devices (and the input script, through the host).
// The host's window procedure takes the messages one at a time; UpdateInput reads the
// devices once per run-loop pass; commands read the state through these functions. The
// keyboard, mouse, joystick, control-device and force-feedback command families live
// beside it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "core/commands.h"

namespace zt {

struct Runtime;
struct WindowMessage;
struct ScriptedEvent;
class ControlDevices;

// Start-up: the joystick devices, the scripted events due before the start (joysticks
// plugged in), and the first joystick that opens among those attached.
void StartInput(Runtime& rt, std::unique_ptr<ControlDevices> devices, std::span<const ScriptedEvent> startEvents);
// Reads the devices: the window's events for the keys, the mouse update, the joysticks.
void UpdateInput(Runtime& rt);
// The control device's force-feedback effects go (display shutdown).
void ReleaseEffects(Runtime& rt);
// The joysticks and the devices go (shutdown).
void ReleaseInput(Runtime& rt);

// Appends a message to the queue; key messages update the key state at once.
void postMessage(Runtime& rt, const WindowMessage& message);
// Scripted events join the queue as the window's would.
void postScriptedEvents(Runtime& rt, std::span<const ScriptedEvent> events);
// The window's waiting events join the queue.
void pollMessages(Runtime& rt);
// Waits up to `milliseconds` for a window event, then polls; false when no event can
// ever come (the null window).
bool waitMessages(Runtime& rt, int milliseconds);
// Takes the oldest message; false when the queue is empty.
bool nextMessage(Runtime& rt, WindowMessage& message);
// Runs the host's window procedure on one message.
void dispatchMessage(Runtime& rt, const WindowMessage& message);
// Polls, then runs the window procedure on each waiting message (stopping at a quit
// request when `stopAtQuit`).
void dispatchMessages(Runtime& rt, bool stopAtQuit);
// For commands that poll in tight loops (INKEY$ without automatic refresh): dispatches
// the waiting messages on every 50,001st call, and does nothing otherwise.
void pumpMessages(Runtime& rt);
// UpdateInput when the interpreter asked for it (every 201st command in manual refresh,
// or after SCANCODE); every key, mouse and joystick query calls it first.
void refreshInput(Runtime& rt);

// What a message means for the input state: the typed character (cleared by every other
// message), the mouse, the chooser's button.
void inputMessage(Runtime& rt, const WindowMessage& message);
// Frame end: the mouse movement sums start again.
void clearMouseMovement(Runtime& rt);

bool keyDown(const Runtime& rt, int key);
// The character of the latest key press, or 0; `consumeTypedCharacter` clears it.
uint8_t typedCharacter(const Runtime& rt);
void consumeTypedCharacter(Runtime& rt);
uint16_t mouseButtons(const Runtime& rt);
// The mouse button held for the card chooser: 1 left, 2 right, 0 none.
int chooserButton(const Runtime& rt);

extern const std::span<const CommandRow> KeyboardRows;
extern const std::span<const CommandRow> MouseRows;
extern const std::span<const CommandRow> JoystickRows;
extern const std::span<const CommandRow> ControlDeviceRows;
extern const std::span<const CommandRow> ForceRows;

}  // namespace zt
