// Joystick functions: the directions, fire buttons, axes and sliders of the joystick found
// at start, as the latest UpdateInput read it (all 0 when there is none).
#include "command_ids.h"
#include "core/runtime.h"
#include "input/input.h"
#include "input/state.h"

namespace zt {

namespace {

using Reading = int32_t (*)(const JoystickReading&);

template <Reading Read>
Word* opJoystick(Runtime& rt, Word* pc) {
  refreshInput(rt);
  operand(pc, 0).i = Read(rt.input.JoystickState);
  return pc + 1;
}

int32_t left(const JoystickReading& r) { return r.lX < 0; }
int32_t right(const JoystickReading& r) { return r.lX > 0; }
int32_t up(const JoystickReading& r) { return r.lY < 0; }
int32_t down(const JoystickReading& r) { return r.lY > 0; }
template <int Button>
int32_t fire(const JoystickReading& r) {
  return (r.rgbButtons[Button] & 0x80) != 0;
}
int32_t axisX(const JoystickReading& r) { return r.lX; }
int32_t axisY(const JoystickReading& r) { return r.lY; }
int32_t axisZ(const JoystickReading& r) { return r.lZ; }
template <int Slider>
int32_t slider(const JoystickReading& r) {
  return r.rglSlider[Slider];
}

const CommandRow Rows[] = {
    {CmdJoystickLeft, opJoystick<left>},       {CmdJoystickRight, opJoystick<right>},
    {CmdJoystickUp, opJoystick<up>},           {CmdJoystickDown, opJoystick<down>},
    {CmdJoystickFireA, opJoystick<fire<0>>},   {CmdJoystickFireB, opJoystick<fire<1>>},
    {CmdJoystickFireC, opJoystick<fire<2>>},   {CmdJoystickFireD, opJoystick<fire<3>>},
    {CmdJoystickX, opJoystick<axisX>},         {CmdJoystickY, opJoystick<axisY>},
    {CmdJoystickZ, opJoystick<axisZ>},         {CmdJoystickSliderA, opJoystick<slider<0>>},
    {CmdJoystickSliderB, opJoystick<slider<1>>},
};

}  // namespace

extern const std::span<const CommandRow> JoystickRows(Rows);

}  // namespace zt
