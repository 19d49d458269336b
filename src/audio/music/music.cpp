// Music commands: each music number owns one media device under the alias "music" and the
// number, driven by command strings. The frame end watches the current music for its end
// and restarts a looping one by reopening its device.
#include "audio/music/music.h"

#include <cctype>
#include <climits>

#include "audio/music/state.h"
#include "audio/sound.h"
#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/runtime.h"
#include "host/payload.h"
#include "platform/fs.h"

namespace zt {

MusicState::MusicState(const FileSystem& fs)
    : devices([&fs](std::string_view name) { return fs.resolve(name); }) {}

namespace {

constexpr int32_t PollInterval = 11;  // frames between two looks at the current music
constexpr int32_t MaxMusicSpeed = 400, MinMusicSpeed = 10;

std::string aliasOf(int32_t n) { return "music" + std::to_string(n); }

// The mixer is brought up to the engine clock first, so that a position read or a play
// state changed is that of now, not of the last frame end.
bool send(Runtime& rt, const std::string& command, std::string* reply = nullptr) {
  advanceAudio(rt);
  std::string ignored;
  return rt.music.devices.send(soundMixer(rt), command, reply ? *reply : ignored) == MciError::None;
}

// A reply's leading decimal integer ("3:01:20:00" in the track format gives 3).
int32_t integerOf(const std::string& text) {
  int64_t value = 0;
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && value <= INT32_MAX; ++i)
    value = value * 10 + (text[i] - '0');
  value = negative ? -value : value;
  return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

MusicRecord* numbered(Runtime& rt, int32_t n) {
  if (n < 1 || n > MaxMusicNumber) {
    raiseError(rt, ErrMusicNumber);
    return nullptr;
  }
  return &rt.music.table[size_t(n)];
}

MusicRecord* existing(Runtime& rt, int32_t n) {
  MusicRecord* m = numbered(rt, n);
  if (m && !m->exists) {
    raiseError(rt, ErrNoMusic);
    return nullptr;
  }
  return m;
}

// Stops and closes the device of number n; a device that will not stop stays open. The
// watch on the current music ends only when that music is the one closed.
void closeMusic(Runtime& rt, int32_t n) {
  const std::string alias = aliasOf(n);
  if (!send(rt, "stop " + alias) || !send(rt, "close " + alias)) return;
  if (rt.music.current == n) rt.music.current = 0;
}

// A new device's length; a device that cannot tell is closed again, so the number can be
// loaded afresh.
bool readLength(Runtime& rt, int32_t n, MusicRecord& m) {
  std::string reply;
  if (!send(rt, "status " + aliasOf(n) + " length", &reply)) {
    closeMusic(rt, n);
    return false;
  }
  m.length = integerOf(reply);
  m.exists = 1;
  return true;
}

// The record of number n made ready for a new load: the old device closed.
MusicRecord* loadTarget(Runtime& rt, int32_t n) {
  MusicRecord* m = numbered(rt, n);
  if (!m) return nullptr;
  if (m->exists) closeMusic(rt, n);
  *m = MusicRecord{};
  return m;
}

// The full name of a music file as the program sees it: a name with a drive stays, any
// other is taken in the current directory. A copy from the payload has its own full path.
std::string fullMusicPath(Runtime& rt, std::string_view name) {
  std::string path(name);
  const std::string_view extension = name.size() <= 4 ? std::string_view("mid") : name.substr(name.size() - 3);
  if (findVirtualFile(rt, path, extension) || (name.size() > 1 && name[1] == ':')) return path;
  std::string folder = rt.fs.currentDirectory();
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder + path;
}

void loadMusic(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 1).i;
  MusicRecord* m = loadTarget(rt, n);
  if (!m) return;
  const std::string alias = aliasOf(n);
  m->openCommand = "open \"" + fullMusicPath(rt, cellText(operand(pc, 0))) + "\" alias " + alias;
  if (!send(rt, m->openCommand)) return raiseError(rt, ErrMusicOpen);
  m->playCommand = "play " + alias;
  if (!readLength(rt, n, *m)) raiseError(rt, ErrMusicOpen);
}

void loadCdMusic(Runtime& rt, Word* pc) {
  const int32_t track = operand(pc, 0).i, n = operand(pc, 1).i;
  MusicRecord* m = loadTarget(rt, n);
  if (!m) return;
  const std::string alias = aliasOf(n);
  m->openCommand = "open cdaudio alias " + alias;
  if (!send(rt, m->openCommand)) return raiseError(rt, ErrMusicOpen);
  m->formatCommand = "set " + alias + " time format tmsf";
  if (!send(rt, m->formatCommand)) return raiseError(rt, ErrMusicOpen);
  m->playCommand = "play " + alias + " from " + std::to_string(track);
  m->start = track;
  if (!readLength(rt, n, *m)) raiseError(rt, ErrMusicOpen);
}

void deleteMusic(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  MusicRecord* m = existing(rt, n);
  if (!m) return;
  closeMusic(rt, n);
  *m = MusicRecord{};
}

template <int32_t Repeat>
void playMusic(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  MusicRecord* m = existing(rt, n);
  if (!m || !send(rt, m->playCommand)) return;
  rt.music.current = n;
  m->repeat = Repeat;
  m->playing = 1;
  m->paused = 0;
  m->looping = uint8_t(Repeat);
}

void stopMusic(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  MusicRecord* m = existing(rt, n);
  if (!m || !send(rt, "stop " + aliasOf(n))) return;
  if (rt.music.current == n) rt.music.current = 0;
  m->playing = 0;
  m->looping = 0;
}

void pauseMusic(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  MusicRecord* m = existing(rt, n);
  if (!m) return;
  if (!m->playing) return raiseError(rt, ErrMusicNotPlaying);
  if (!m->paused && send(rt, "pause " + aliasOf(n))) m->paused = 1;
}

void resumeMusic(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  MusicRecord* m = existing(rt, n);
  if (m && m->paused && send(rt, "resume " + aliasOf(n))) m->paused = 0;
}

std::string volumeCommand(int32_t n, int32_t volume) {
  return "setaudio " + aliasOf(n) + " volume to " + std::to_string(volume * 10);
}

std::string speedCommand(int32_t n, int32_t speed) { return "set " + aliasOf(n) + " speed " + std::to_string(speed * 10); }

void setMusicVolume(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i, volume = operand(pc, 1).i;
  MusicRecord* m = existing(rt, n);
  if (!m) return;
  if (volume < 0 || volume > 100) return raiseError(rt, ErrMusicVolume);
  if (send(rt, volumeCommand(n, volume))) m->volume = volume;
}

void setMusicSpeed(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i, speed = operand(pc, 1).i;
  MusicRecord* m = existing(rt, n);
  if (!m) return;
  if (speed < MinMusicSpeed || speed > MaxMusicSpeed) return raiseError(rt, ErrMusicSpeed);
  if (send(rt, speedCommand(n, speed))) m->speed = speed;
}

Word* opMusicExist(Runtime& rt, Word* pc) {
  if (const MusicRecord* m = numbered(rt, operand(pc, 1).i)) operand(pc, 0).i = m->exists;
  return pc + 2;
}

template <auto Field>
Word* opMusicValue(Runtime& rt, Word* pc) {
  if (const MusicRecord* m = existing(rt, operand(pc, 1).i)) operand(pc, 0).i = int32_t(m->*Field);
  return pc + 2;
}

// The restart of a looping music: its device closed, opened and played again with the
// stored commands, its volume and speed set again; any failure ends it.
void restartMusic(Runtime& rt, int32_t n, const MusicRecord& m) {
  if (!send(rt, "close " + aliasOf(n)) || !send(rt, m.openCommand)) return;
  if (!m.formatCommand.empty() && !send(rt, m.formatCommand)) return;
  if (m.volume != 100 && !send(rt, volumeCommand(n, m.volume))) return;
  if (m.speed != 100 && !send(rt, speedCommand(n, m.speed))) return;
  send(rt, m.playCommand);
}

const CommandRow Rows[] = {
    {CmdLoadMusic, skipAfter<loadMusic, 2>},
    {CmdLoadCdmusic, skipAfter<loadCdMusic, 2>},
    {CmdDeleteMusic, skipAfter<deleteMusic, 1>},
    {CmdPlayMusic, skipAfter<playMusic<0>, 1>},
    {CmdLoopMusic, skipAfter<playMusic<1>, 1>},
    {CmdStopMusic, skipAfter<stopMusic, 1>},
    {CmdPauseMusic, skipAfter<pauseMusic, 1>},
    {CmdResumeMusic, skipAfter<resumeMusic, 1>},
    {CmdSetMusicVolume, skipAfter<setMusicVolume, 2>},
    {CmdSetMusicSpeed, skipAfter<setMusicSpeed, 2>},
    {CmdMusicExist, opMusicExist},
    {CmdMusicPlaying, opMusicValue<&MusicRecord::playing>},
    {CmdMusicPaused, opMusicValue<&MusicRecord::paused>},
    {CmdMusicLooping, opMusicValue<&MusicRecord::looping>},
    {CmdGetMusicVolume, opMusicValue<&MusicRecord::volume>},
    {CmdGetMusicSpeed, opMusicValue<&MusicRecord::speed>},
};

}  // namespace

void pollMusic(Runtime& rt) {
  MusicState& s = rt.music;
  if (!s.current || ++s.pollCounter < PollInterval) return;
  s.pollCounter = 0;
  const int32_t n = s.current;
  MusicRecord& m = s.table[size_t(n)];
  const std::string alias = aliasOf(n);
  std::string reply;
  if (!send(rt, "status " + alias + " position", &reply)) return;
  m.position = integerOf(reply);
  // A file ends at its length; a CD track when play has moved on to another track.
  const bool ended = m.start == 0 ? m.position >= m.length : m.position != m.start;
  if (!ended) return;
  send(rt, "stop " + alias);
  if (m.repeat != 1) {
    m.playing = 0;
    return;
  }
  restartMusic(rt, n, m);
}

void releaseMusic(Runtime& rt) {
  for (int32_t n = 0; n <= MaxMusicNumber; ++n) closeMusic(rt, n);
  MusicState& s = rt.music;
  s.table.fill(MusicRecord{});
  s.current = 0;
  s.pollCounter = 0;
}

extern const std::span<const CommandRow> MusicRows(Rows);

}  // namespace zt
