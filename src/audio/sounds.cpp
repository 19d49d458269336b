// Loading, cloning and deleting sounds, and the audio device's lifetime. A WAV file that
// can be read but is not a playable wave still makes the sound exist, without a buffer:
// it plays silently. Sounds are read through the payload lookup (extension "dat").
#include <cstdio>
#include <new>
#include <string>

#include "audio/sound.h"
#include "audio/sound_table.h"
#include "formats/wav.h"
#include "services/files.h"

namespace zt {

namespace {

// Every length in a WAV file is 32-bit.
constexpr uint64_t MaxWavFileBytes = uint64_t(UINT32_MAX) + 8;

// Null when the wave is not one a buffer can be made of.
std::shared_ptr<const SampleData> sampleOf(WavFile& wav) {
  std::string why;
  if (!playableWav(wav, why)) return nullptr;
  auto data = std::make_shared<SampleData>();
  data->channels = wav.format.channels;
  data->bitsPerSample = wav.format.bitsPerSample;
  data->rate = int(wav.format.samplesPerSec);
  data->bytes = std::move(wav.samples);
  return data;
}

// The sample of a file's bytes: a buffer when they are a playable wave, none otherwise.
std::unique_ptr<SoundSample> readSample(Mixer& mixer, std::string& bytes, bool is3D) {
  auto sample = std::make_unique<SoundSample>();
  WavFile wav;
  std::string why;
  if (parseWav(bytes, wav, why)) {
    bytes = std::string();  // the file block goes once the samples are out of it
    sample->data = sampleOf(wav);
    sample->buffer = mixer.addBuffer(sample->data, is3D);
  }
  return sample;
}

// The values of a sound after a load or a clone.
void resetAfterLoad(SoundRecord& s, bool is3D) {
  s.exists = 1;
  s.is3D = is3D;
  s.playing = s.paused = s.looping = 0;
  s.volume = 100;
  s.speed = 11000;
  s.pan = 0;
  s.loopStart = s.loopEnd = 0;
  s.x = s.y = s.z = 0;
}

template <bool Is3D>
Word* opLoadSound(Runtime& rt, Word* pc) {
  const std::string name(cellText(operand(pc, 0)));
  const int32_t n = operand(pc, 1).i;
  if (!validSoundNumber(n)) {
    raiseError(rt, ErrSoundNumber);
    return pc + 2;
  }
  AudioState& a = audioState(rt);
  SoundRecord& s = a.sounds[size_t(n)];
  if (s.exists) deleteSound(a.mixer, s);
  std::string bytes;
  if (!readWholeFile(lookupPath(rt, name, "dat"), bytes, MaxWavFileBytes)) {
    raiseError(rt, ErrSoundLoad);
    return pc + 2;
  }
  // Memory that runs out is a failed load.
  std::unique_ptr<SoundSample> sample;
  try {
    sample = readSample(a.mixer, bytes, Is3D);
  } catch (const std::bad_alloc&) {
    raiseError(rt, ErrSoundLoad);
    return pc + 2;
  }
  s.sample = std::move(sample);
  resetAfterLoad(s, Is3D);
  return pc + 2;
}

Word* opCloneSound(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i, m = operand(pc, 1).i;
  if (!validSoundNumber(n) || !validSoundNumber(m)) {
    raiseError(rt, ErrSoundNumber);
    return pc + 2;
  }
  if (n == m) {
    raiseError(rt, ErrCloneOntoItself);
    return pc + 2;
  }
  AudioState& a = audioState(rt);
  SoundRecord& source = a.sounds[size_t(m)];
  if (!source.exists) {
    raiseError(rt, ErrNoCloneSource);
    return pc + 2;
  }
  SoundRecord& s = a.sounds[size_t(n)];
  if (s.exists) deleteSound(a.mixer, s);
  // Nothing to duplicate (a source that is not a playable wave) or no memory: 3021.
  std::unique_ptr<SoundSample> sample;
  try {
    sample = std::make_unique<SoundSample>();
    sample->buffer = a.mixer.duplicate(bufferOf(source));
  } catch (const std::bad_alloc&) {
    sample.reset();
  }
  if (!sample || !sample->buffer) {
    raiseError(rt, ErrSoundClone);
    return pc + 2;
  }
  sample->data = source.sample->data;
  s.sample = std::move(sample);
  resetAfterLoad(s, false);
  return pc + 2;
}

Word* opDeleteSound(Runtime& rt, Word* pc) {
  if (SoundRecord* s = checkedSound(rt, operand(pc, 0).i)) deleteSound(audioState(rt).mixer, *s);
  return pc + 1;
}

const CommandRow Rows[] = {
    {CmdLoadSound, opLoadSound<false>},
    {CmdLoad3dsound, opLoadSound<true>},
    {CmdCloneSound, opCloneSound},
    {CmdDeleteSound, opDeleteSound},
};

}  // namespace

void stopAndRewind(Mixer& mixer, const SoundRecord& s) {
  const VoiceId b = bufferOf(s);
  mixer.stop(b);
  mixer.setPosition(b, 0);
}

void playBuffer(Mixer& mixer, const SoundRecord& s, int32_t position, bool looping) {
  const VoiceId b = bufferOf(s);
  if (!b || mixer.playing(b)) return;
  if (position != 0) mixer.setPosition(b, uint32_t(position));
  mixer.play(b, looping);
}

void deleteSound(Mixer& mixer, SoundRecord& s) {
  mixer.remove(bufferOf(s));
  s = SoundRecord();
}

void setAudioDevice(Runtime& rt, std::unique_ptr<AudioDevice> device) {
  AudioState& a = audioState(rt);
  if (a.device) a.device->stop();
  a.device = std::move(device);
}

void startSound(Runtime& rt) {
  AudioState& a = audioState(rt);
  const double now = rt.clock->preciseMilliseconds();
  std::string why;
  if (!a.device || !a.device->start(a.mixer, now, why)) {
    std::fprintf(stderr, "zentropia: no sound device (%s): sound plays silently\n",
                 a.device ? why.c_str() : "none");
    a.device = createNullAudioDevice();
    a.device->start(a.mixer, now, why);
  }
  a.listener = ListenerState();
  a.mixer.setListener(Listener());
  a.mixer.commit();
}

void deleteAllSounds(Runtime& rt) {
  AudioState& a = audioState(rt);
  for (SoundRecord& s : a.sounds) stopAndRewind(a.mixer, s);
  for (SoundRecord& s : a.sounds) deleteSound(a.mixer, s);
}

void releaseSound(Runtime& rt) {
  deleteAllSounds(rt);
  setAudioDevice(rt, nullptr);
}

Mixer& soundMixer(Runtime& rt) { return audioState(rt).mixer; }

extern const std::span<const CommandRow> SoundRows(Rows);

}  // namespace zt
