#include "audio/mci/devices.h"

#include <algorithm>
#include <cctype>

#include "formats/midi.h"
#include "platform/decoders_audio.h"
#include "platform/fs.h"

namespace zt {

namespace {

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

uint64_t framesAt(uint32_t milliseconds) { return uint64_t(milliseconds) * MixRate / 1000; }

constexpr uint64_t LargestMidiFile = 64 << 20;

bool startsLikeMidi(const std::string& path) {
  FileHandle f = openFile(path, OpenMode::ReadExisting);
  uint8_t head[12];
  return f && looksLikeMidi(std::span(head, std::fread(head, 1, sizeof head, f.get())));
}

}  // namespace

MciDevices::MciDevices(std::function<std::string(std::string_view)> resolve) : resolve_(std::move(resolve)) {}

MciDevices::~MciDevices() = default;

MciDevices::Device* MciDevices::find(std::string_view alias) {
  for (Device& d : devices_)
    if (sameName(d.alias, alias)) return &d;
  return nullptr;
}

MciError MciDevices::send(Mixer& mixer, std::string_view command, std::string& reply) {
  reply.clear();
  MciCommand c;
  if (const MciError e = parseMciCommand(command, c); e != MciError::None) return e;
  if (c.verb == MciVerb::Open) return open(mixer, c);
  Device* d = find(c.device);
  if (!d) return MciError::NoSuchDevice;
  switch (c.verb) {
    case MciVerb::Close:
      mixer.remove(d->voice);
      devices_.erase(devices_.begin() + (d - devices_.data()));
      return MciError::None;
    case MciVerb::Play:
      return play(mixer, *d, c);
    case MciVerb::Stop:
      // Stopping returns to the start, so the next play plays the music from its beginning.
      mixer.stop(d->voice);
      d->mode = Mode::Stopped;
      return reposition(mixer, *d, 0) ? MciError::None : MciError::CannotOpen;
    case MciVerb::Pause:
      if (d->mode == Mode::Playing) {
        mixer.stop(d->voice);
        d->mode = Mode::Paused;
      }
      return MciError::None;
    case MciVerb::Resume:
      if (d->mode == Mode::Paused) {
        mixer.play(d->voice, false);
        d->mode = Mode::Playing;
      }
      return MciError::None;
    case MciVerb::Status:
      return status(mixer, *d, c, reply);
    case MciVerb::Set:
      return set(mixer, *d, c);
    case MciVerb::SetAudio:
      d->volume = -10 * int(1000 - c.volume);
      mixer.setVolume(d->voice, d->volume);
      return MciError::None;
    case MciVerb::Open:
      break;
  }
  return MciError::UnknownVerb;
}

MciError MciDevices::open(Mixer& mixer, const MciCommand& c) {
  if (sameName(c.device, "cdaudio")) return MciError::NoCdDrive;
  const std::string alias = c.alias.empty() ? c.device : c.alias;
  if (find(alias)) return MciError::AliasInUse;
  const std::string path = resolve_(c.device);
  if (path.empty() || !isReadableFile(path)) return MciError::CannotOpen;
  std::string bytes, error;
  OpenedMusic music;
  if (startsLikeMidi(path)) {
    if (!readWholeFile(path, bytes, LargestMidiFile, &error)) return MciError::CannotOpen;
    if (!synth_) synth_ = createMidiSynthesizer(error);
    if (synth_) music = synth_->open(bytes, error);
  } else {
    music = openAudioFile(path, error);
  }
  if (!music.stream) return MciError::CannotOpen;
  const VoiceId voice = mixer.addStream(std::move(music.stream));
  if (!voice) return MciError::CannotOpen;
  devices_.push_back(Device{alias, voice, music.lengthMilliseconds});
  return MciError::None;
}

MciError MciDevices::play(Mixer& mixer, Device& d, const MciCommand& c) {
  if (c.hasFrom && c.from > d.length) return MciError::OutOfRange;
  // Without a starting point, play goes on from where the music is, or from the start
  // when it has played to its end.
  const bool atEnd = mixer.streamEnded(d.voice) || position(mixer, d) >= d.length;
  if ((c.hasFrom || atEnd) && !reposition(mixer, d, c.hasFrom ? c.from : 0)) return MciError::CannotOpen;
  mixer.play(d.voice, false);
  d.mode = Mode::Playing;
  return MciError::None;
}

MciError MciDevices::status(Mixer& mixer, const Device& d, const MciCommand& c, std::string& reply) const {
  switch (c.status) {
    case MciStatusItem::Length:
      reply = std::to_string(d.length);
      break;
    case MciStatusItem::Position:
      reply = std::to_string(position(mixer, d));
      break;
    case MciStatusItem::Mode:
      reply = d.mode == Mode::Paused                                       ? "paused"
              : d.mode == Mode::Playing && !mixer.streamEnded(d.voice) ? "playing"
                                                                           : "stopped";
      break;
    case MciStatusItem::None:
      return MciError::MissingValue;
  }
  return MciError::None;
}

MciError MciDevices::set(Mixer& mixer, Device& d, const MciCommand& c) {
  // Files count in milliseconds; tracks, minutes, seconds and frames belong to CD drives.
  if (c.timeFormat == MciTimeFormat::Tmsf) return MciError::BadTimeFormat;
  if (c.hasSpeed) {
    if (c.speed < MciSlowest || c.speed > MciFastest) return MciError::OutOfRange;
    d.speed = int(c.speed / 10);
    mixer.setSpeed(d.voice, d.speed);
  }
  return MciError::None;
}

// The mixer's count of frames played, within the length: a stream that has run out is at
// its end even when the decoder gave a little less than the container promised.
uint32_t MciDevices::position(const Mixer& mixer, const Device& d) const {
  if (mixer.streamEnded(d.voice)) return d.length;
  return uint32_t(std::min<uint64_t>(mixer.framesPlayed(d.voice) * 1000 / MixRate, d.length));
}

// The stream is taken back from the mixer, moved and handed over again as a new voice with
// the device's volume and speed.
bool MciDevices::reposition(Mixer& mixer, Device& d, uint32_t milliseconds) {
  const uint64_t played = mixer.framesPlayed(d.voice);
  std::unique_ptr<AudioStream> stream = mixer.takeStream(d.voice);
  if (!stream) return false;
  const bool moved = stream->seek(long(milliseconds));
  d.voice = mixer.addStream(std::move(stream), moved ? framesAt(milliseconds) : played);
  mixer.setVolume(d.voice, d.volume);
  mixer.setSpeed(d.voice, d.speed);
  return moved;
}

void MciDevices::closeAll(Mixer& mixer) {
  for (const Device& d : devices_) mixer.remove(d.voice);
  devices_.clear();
}

}  // namespace zt
