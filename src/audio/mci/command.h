// Media command strings ("open \"C:\\a.mid\" alias music1", "status music1 position", ...)
// split into a verb, a device and the verb's items. Pure code: the devices that carry the
// commands out are in mci/devices.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zt {

enum class MciVerb { Open, Close, Play, Stop, Pause, Resume, Status, Set, SetAudio };

// What a status command asks for.
enum class MciStatusItem { None, Length, Position, Mode };

enum class MciTimeFormat { Unchanged, Milliseconds, Tmsf };

// The result of a command string, as numbers the caller can compare; 0 is success.
enum class MciError {
  None = 0,
  UnknownVerb,         // the first word is no command
  MissingDevice,       // the command names no device
  UnknownKeyword,      // a word the verb does not take
  MissingValue,        // a keyword without the value it needs ("from" at the end)
  BadNumber,           // a value that is no decimal number, or too large
  UnterminatedQuote,   // a quoted name without its closing quote
  TooLong,             // a command string longer than a command buffer
  NoSuchDevice,        // no open device under that name
  AliasInUse,          // "open ... alias x" when x is open
  CannotOpen,          // the file is missing or no decoder reads it
  NoCdDrive,           // "open cdaudio": this machine has no CD drive
  BadTimeFormat,       // a time format the device does not support
  OutOfRange,          // a position past the end, a volume or speed outside its range
};

struct MciCommand {
  MciVerb verb = MciVerb::Open;
  std::string device;  // the file name, "cdaudio", or the alias of an open device
  std::string alias;   // open: the name the device is known by afterwards
  MciStatusItem status = MciStatusItem::None;
  MciTimeFormat timeFormat = MciTimeFormat::Unchanged;
  bool hasFrom = false;
  uint32_t from = 0;  // play: milliseconds from the start
  bool hasVolume = false, hasSpeed = false;
  uint32_t volume = 0;  // setaudio ... volume to N: 0 to 1000
  uint32_t speed = 0;   // set ... speed N: per mille of the normal rate
};

// The longest command string accepted: room for a path of the system's greatest length
// and the words around it.
constexpr size_t MciCommandLimit = 4352;

// Splits `text` into `out`; MciError::None on success. Verbs and keywords are matched
// without regard to case; the device name keeps its spelling. "wait", "notify" and
// "shareable" are accepted and have no effect: every command finishes before it returns.
MciError parseMciCommand(std::string_view text, MciCommand& out);

}  // namespace zt
