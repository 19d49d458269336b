// Control devices: the checklist of attached joysticks, SET CONTROL DEVICE (a joystick by
// its product name, with its force-feedback effects when it has them), and the control
// device's name and axes.
#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/runtime.h"
#include "input/force.h"
#include "input/input.h"
#include "input/state.h"
#include "services/checklist.h"

namespace zt {

namespace {

// One entry per attached joystick; value A is 1 where a force-feedback joystick has the
// entry's name. There is no other class of game device to list.
Word* opPerformChecklist(Runtime& rt, Word* pc) {
  InputState& in = rt.input;
  std::vector<AttachedJoystick> attached;
  const bool listed = in.Devices && in.Devices->attached(attached);
  startChecklist(rt);
  for (const AttachedJoystick& j : attached) {
    ChecklistEntry* entry = addChecklistEntry(rt, j.name);
    if (!entry) break;
    entry->a = entry->b = entry->c = entry->d = 0;
    for (const AttachedJoystick& other : attached)
      if (other.forceFeedback && other.name == j.name) entry->a = 1;
  }
  finishChecklist(rt, listed, true);
  return pc;
}

// The first attached joystick named `name` (exactly) that opens, among those with force
// feedback when `forceFeedback`.
std::unique_ptr<Joystick> openNamed(InputState& in, const std::string& name, bool forceFeedback) {
  std::vector<AttachedJoystick> attached;
  if (!in.Devices || !in.Devices->attached(attached)) return nullptr;
  for (const AttachedJoystick& j : attached) {
    if (j.name != name || (forceFeedback && !j.forceFeedback)) continue;
    if (std::unique_ptr<Joystick> device = in.Devices->open(j.id, 0, forceFeedback)) return device;
  }
  return nullptr;
}

void setControlDevice(Runtime& rt, Word* pc) {
  InputState& in = rt.input;
  const std::string name(cellText(operand(pc, 0)));
  // The previous device goes first, with its name: a failed choice leaves none.
  ReleaseEffects(rt);
  in.controlDevice.reset();
  in.ControlDeviceName.clear();
  in.ForceFeedback = false;
  in.controlDevice = openNamed(in, name, true);
  const bool forceFeedback = in.controlDevice != nullptr;
  if (!forceFeedback) in.controlDevice = openNamed(in, name, false);
  if (!in.controlDevice) {
    raiseError(rt, ErrNoSuchControlDevice);
    return;
  }
  in.controlDevice->setAutoCenter(false);
  in.ControlDeviceName = name;
  if (!forceFeedback) return;
  makeForceEffects(rt);
  in.ForceFeedback = true;
}

Word* opControlDeviceName(Runtime& rt, Word* pc) {
  storeString(operand(pc, 0), rt.input.ControlDeviceName);
  if (rt.input.ControlDeviceName.empty()) raiseError(rt, ErrNoControlDevice);
  return pc + 1;
}

template <int32_t JoystickReading::*Axis>
Word* opControlDeviceAxis(Runtime& rt, Word* pc) {
  refreshInput(rt);
  operand(pc, 0).i = rt.input.ControlState.*Axis;
  return pc + 1;
}

const CommandRow Rows[] = {
    {CmdPerformChecklistForControlDevices, opPerformChecklist},
    {CmdSetControlDevice, skipAfter<setControlDevice, 1>},
    {CmdControlDeviceName, opControlDeviceName},
    {CmdControlDeviceX, opControlDeviceAxis<&JoystickReading::lX>},
    {CmdControlDeviceY, opControlDeviceAxis<&JoystickReading::lY>},
    {CmdControlDeviceZ, opControlDeviceAxis<&JoystickReading::lZ>},
};

}  // namespace

extern const std::span<const CommandRow> ControlDeviceRows(Rows);

}  // namespace zt
