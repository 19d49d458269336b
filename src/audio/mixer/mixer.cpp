#include "audio/mixer/mixer.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace zt {

float volumeGain(int hundredthsDb) {
  if (hundredthsDb <= VolumeSilent) return 0.0f;
  if (hundredthsDb >= 0) return 1.0f;
  return float(std::pow(10.0, double(hundredthsDb) / 2000.0));
}

void panGains(int pan, float& left, float& right) {
  left = pan > 0 ? volumeGain(-pan) : 1.0f;
  right = pan < 0 ? volumeGain(pan) : 1.0f;
}

namespace {

Vec3 sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

// How much of a sound straight to one side the other ear still hears.
constexpr float FarEarAtSide = 0.25f;

float sampleValue(const uint8_t* p, int bits) {
  if (bits == 8) return (float(*p) - 128.0f) * (1.0f / 128.0f);
  return float(int16_t(uint16_t(p[0] | (p[1] << 8)))) * (1.0f / 32768.0f);
}

// Frame `i` of the data as left and right (a mono frame on both).
void frameAt(const SampleData& d, size_t i, float& left, float& right) {
  const uint8_t* p = d.bytes.data() + i * size_t(d.blockAlign());
  left = sampleValue(p, d.bitsPerSample);
  right = d.channels == 2 ? sampleValue(p + d.bitsPerSample / 8, d.bitsPerSample) : left;
}

}  // namespace

void spatialGains(const Source3D& source, const Listener& listener, float& left, float& right) {
  const Vec3 d = sub(source.position, listener.position);
  const float distance = std::sqrt(dot(d, d));
  float attenuation = 1.0f;
  if (distance > source.minDistance && source.minDistance > 0) {
    const float clamped = std::min(distance, std::max(source.maxDistance, source.minDistance));
    attenuation = source.minDistance / (source.minDistance + listener.rolloff * (clamped - source.minDistance));
  }
  left = right = attenuation;
  const Vec3 side = cross(listener.top, listener.front);
  const float sideLength = std::sqrt(dot(side, side));
  if (distance <= 0 || sideLength <= 0) return;
  const float across = std::clamp(dot(d, side) / (distance * sideLength), -1.0f, 1.0f);  // +1 right, -1 left
  const float far = 1.0f - (1.0f - FarEarAtSide) * std::fabs(across);
  (across > 0 ? left : right) *= far;
}

void orientationFromAngles(float ax, float ay, float az, Vec3& front, Vec3& top) {
  constexpr float Radians = 0.017444445f;
  using M = float[3][3];
  auto multiply = [](const M& a, const M& b, M& out) {
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) out[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c];
  };
  const float cx = std::cos(ax * Radians), sx = std::sin(ax * Radians);
  const float cy = std::cos(ay * Radians), sy = std::sin(ay * Radians);
  const float cz = std::cos(az * Radians), sz = std::sin(az * Radians);
  const M rx = {{1, 0, 0}, {0, cx, sx}, {0, -sx, cx}};
  const M ry = {{cy, 0, -sy}, {0, 1, 0}, {sy, 0, cy}};
  const M rz = {{cz, sz, 0}, {-sz, cz, 0}, {0, 0, 1}};
  M zy, m;
  multiply(rz, ry, zy);
  multiply(zy, rx, m);
  front = {m[2][0], m[2][1], m[2][2]};  // (0, 0, 1) x M is M's third row
  top = {m[1][0], m[1][1], m[1][2]};
}

Mixer::Voice* Mixer::find(VoiceId v) {
  auto it = voices.find(v);
  return it == voices.end() ? nullptr : &it->second;
}

const Mixer::Voice* Mixer::find(VoiceId v) const {
  auto it = voices.find(v);
  return it == voices.end() ? nullptr : &it->second;
}

VoiceId Mixer::insert(Voice voice) {
  const VoiceId id = nextId++;
  if (nextId == 0) nextId = 1;
  updateGains(voice);
  voices.emplace(id, std::move(voice));
  return id;
}

void Mixer::updateGains(Voice& voice) const {
  float left, right;
  if (voice.is3D)
    spatialGains(voice.committed3D, listener, left, right);
  else
    panGains(voice.pan, left, right);
  const float gain = volumeGain(voice.volume);
  voice.gainLeft = gain * left;
  voice.gainRight = gain * right;
}

VoiceId Mixer::addBuffer(std::shared_ptr<const SampleData> data, bool is3D) {
  if (!data || !data->playable()) return 0;
  Voice voice;
  voice.frequency = uint32_t(std::max(data->rate, 1));
  voice.data = std::move(data);
  voice.is3D = is3D;
  std::lock_guard guard(lock);
  return insert(std::move(voice));
}

VoiceId Mixer::duplicate(VoiceId from) {
  std::lock_guard guard(lock);
  const Voice* source = find(from);
  if (!source || !source->data) return 0;
  Voice voice;
  voice.data = source->data;
  voice.volume = source->volume;
  voice.pan = source->pan;
  voice.frequency = source->frequency;
  return insert(std::move(voice));
}

VoiceId Mixer::addStream(std::unique_ptr<AudioStream> stream, uint64_t startFrame) {
  if (!stream) return 0;
  Voice voice;
  voice.stream = std::move(stream);
  voice.played = startFrame;
  voice.frequency = MixRate;
  std::lock_guard guard(lock);
  return insert(std::move(voice));
}

void Mixer::remove(VoiceId v) { takeStream(v); }

std::unique_ptr<AudioStream> Mixer::takeStream(VoiceId v) {
  std::unique_lock guard(lock);
  // A block being mixed may be reading the stream: wait for it (one block at most).
  mixDone.wait(guard, [&] {
    const Voice* voice = find(v);
    return !voice || !voice->inMix;
  });
  auto it = voices.find(v);
  if (it == voices.end()) return nullptr;
  std::unique_ptr<AudioStream> stream = std::move(it->second.stream);
  voices.erase(it);
  return stream;
}

void Mixer::play(VoiceId v, bool loop) {
  std::lock_guard guard(lock);
  if (Voice* voice = find(v)) {
    voice->playing = true;
    voice->looping = loop;
    if (voice->stream) voice->ended = false;
    ++voice->epoch;
  }
}

void Mixer::stop(VoiceId v) {
  std::lock_guard guard(lock);
  if (Voice* voice = find(v)) {
    voice->playing = false;
    ++voice->epoch;
  }
}

bool Mixer::playing(VoiceId v) const { return field(v, &Voice::playing, false); }

bool Mixer::looping(VoiceId v) const { return field(v, &Voice::looping, false); }

bool Mixer::setPosition(VoiceId v, uint32_t byteOffset) {
  std::lock_guard guard(lock);
  Voice* voice = find(v);
  if (!voice || !voice->data) return false;
  const size_t frame = byteOffset / uint32_t(voice->data->blockAlign());
  if (frame >= voice->data->frames()) return false;
  voice->cursor = double(frame);
  ++voice->epoch;
  return true;
}

uint32_t Mixer::position(VoiceId v) const {
  std::lock_guard guard(lock);
  const Voice* voice = find(v);
  if (!voice || !voice->data) return 0;
  return uint32_t(size_t(voice->cursor) * size_t(voice->data->blockAlign()));
}

void Mixer::setVolume(VoiceId v, int hundredthsDb) {
  std::lock_guard guard(lock);
  if (Voice* voice = find(v)) {
    voice->volume = std::clamp(hundredthsDb, VolumeSilent, 0);
    updateGains(*voice);
  }
}

void Mixer::setPan(VoiceId v, int pan) {
  std::lock_guard guard(lock);
  Voice* voice = find(v);
  if (!voice || voice->is3D) return;
  voice->pan = std::clamp(pan, PanLeft, PanRight);
  updateGains(*voice);
}

void Mixer::setFrequency(VoiceId v, uint32_t hz) {
  std::lock_guard guard(lock);
  Voice* voice = find(v);
  if (voice && voice->data && hz > 0) voice->frequency = hz;
}

void Mixer::setSpeed(VoiceId v, int percent) {
  std::lock_guard guard(lock);
  Voice* voice = find(v);
  if (voice && voice->stream && percent > 0) voice->speed = percent;
}

int Mixer::volume(VoiceId v) const { return field(v, &Voice::volume, 0); }

int Mixer::pan(VoiceId v) const { return field(v, &Voice::pan, 0); }

uint32_t Mixer::frequency(VoiceId v) const { return field(v, &Voice::frequency, 0u); }

int Mixer::speed(VoiceId v) const { return field(v, &Voice::speed, 100); }

uint64_t Mixer::framesPlayed(VoiceId v) const { return field(v, &Voice::played, uint64_t(0)); }

bool Mixer::streamEnded(VoiceId v) const { return field(v, &Voice::ended, false); }

void Mixer::setSourcePosition(VoiceId v, Vec3 position) {
  std::lock_guard guard(lock);
  if (Voice* voice = find(v)) voice->pending3D.position = position;
}

void Mixer::setSourceDistances(VoiceId v, float minDistance, float maxDistance) {
  std::lock_guard guard(lock);
  if (Voice* voice = find(v)) {
    voice->pending3D.minDistance = minDistance;
    voice->pending3D.maxDistance = maxDistance;
  }
}

void Mixer::setListener(const Listener& l) {
  std::lock_guard guard(lock);
  pendingListener = l;
}

void Mixer::commit() {
  std::lock_guard guard(lock);
  listener = pendingListener;
  for (auto& [id, voice] : voices) {
    if (!voice.is3D) continue;
    voice.committed3D = voice.pending3D;
    updateGains(voice);
  }
}

Listener Mixer::committedListener() const {
  std::lock_guard guard(lock);
  return listener;
}

size_t Mixer::voiceCount() const {
  std::lock_guard guard(lock);
  return voices.size();
}

void Mixer::mixBuffer(MixVoice& m, float* acc, size_t frames) const {
  const SampleData& d = *m.data;
  const size_t count = d.frames();
  const double end = double(count);
  for (size_t i = 0; i < frames && m.playing; ++i) {
    const size_t at = size_t(m.cursor);
    const float t = float(m.cursor - double(at));
    float l0, r0, l1, r1;
    frameAt(d, at, l0, r0);
    const size_t next = at + 1 < count ? at + 1 : (m.looping ? 0 : at);
    frameAt(d, next, l1, r1);
    float left = l0 + (l1 - l0) * t, right = r0 + (r1 - r0) * t;
    if (m.mono3D) left = right = 0.5f * (left + right);
    acc[2 * i] += left * m.gainLeft;
    acc[2 * i + 1] += right * m.gainRight;
    m.cursor += m.step;
    if (m.cursor >= end) {
      if (m.looping) {
        m.cursor = std::fmod(m.cursor, end);
      } else {
        m.cursor = 0;
        m.playing = false;
      }
    }
  }
}

// The stream is read exactly as far as the block consumes it (one frame ahead at most is
// kept for the next block), so framesPlayed() counts what was heard.
void Mixer::mixStream(MixVoice& m, float* acc, size_t frames) {
  if (m.ended) {
    m.playing = false;
    return;
  }
  // Output frame i sits at q = cursor + i * step between source frames floor(q) - 1 and
  // floor(q), where frame -1 is the carried one.
  const double last = m.cursor + double(frames - 1) * m.step;
  const size_t needed = size_t(last) + 1;
  streamScratch.resize(needed * 2);
  size_t have = 0;
  if (m.hasAhead) {
    streamScratch[0] = m.ahead[0];
    streamScratch[1] = m.ahead[1];
    have = 1;
    m.hasAhead = false;
  }
  if (have < needed) {
    const size_t got = m.stream->read(streamScratch.data() + have * 2, needed - have);
    if (got < needed - have) m.ended = true;
    have += std::min(got, needed - have);
  }
  auto sourceFrame = [&](long k, int c) -> float {
    if (k < 0) return m.carry[c];
    return size_t(k) < have ? streamScratch[size_t(k) * 2 + size_t(c)] : 0.0f;
  };
  for (size_t i = 0; i < frames; ++i) {
    const double q = m.cursor + double(i) * m.step;
    const long k = long(q);
    const float t = float(q - double(k));
    for (int c = 0; c < 2; ++c) {
      const float a = sourceFrame(k - 1, c), b = sourceFrame(k, c);
      acc[2 * i + size_t(c)] += (a + (b - a) * t) * (c == 0 ? m.gainLeft : m.gainRight);
    }
  }
  const double after = m.cursor + double(frames) * m.step;
  const size_t consumed = std::min(size_t(after), have);
  if (consumed > 0) {
    m.carry[0] = streamScratch[(consumed - 1) * 2];
    m.carry[1] = streamScratch[(consumed - 1) * 2 + 1];
  }
  if (have > consumed) {
    m.ahead[0] = streamScratch[consumed * 2];
    m.ahead[1] = streamScratch[consumed * 2 + 1];
    m.hasAhead = true;
  }
  m.cursor = after - double(size_t(after));
  m.played += consumed;
  if (m.ended && !m.hasAhead) m.playing = false;
}

// Running out of memory, or a stream that throws, costs one block of silence; the voices
// copied for the block are always handed back.
void Mixer::render(int16_t* out, size_t frames) {
  if (frames == 0) return;
  mixList.clear();
  try {
    accumulator.assign(frames * 2, 0.0f);
    std::lock_guard guard(lock);
    mixList.reserve(voices.size());
    for (auto& [id, voice] : voices) {
      if (!voice.playing) continue;
      voice.inMix = true;
      const double step = voice.stream ? double(voice.speed) / 100.0 : double(voice.frequency) / double(MixRate);
      MixVoice m{id, voice.epoch, voice.data, voice.stream.get(), voice.is3D, voice.looping, true, voice.ended,
                 voice.cursor, step, voice.played, voice.gainLeft, voice.gainRight,
                 {voice.carry[0], voice.carry[1]}, {voice.ahead[0], voice.ahead[1]}, voice.hasAhead};
      mixList.push_back(std::move(m));
    }
  } catch (const std::bad_alloc&) {
    std::fill(out, out + frames * 2, int16_t(0));
    return;
  }
  bool mixed = true;
  try {
    for (MixVoice& m : mixList) {
      if (m.stream)
        mixStream(m, accumulator.data(), frames);
      else
        mixBuffer(m, accumulator.data(), frames);
    }
  } catch (...) {
    mixed = false;
  }
  for (size_t i = 0; i < frames * 2; ++i) {
    const float s = mixed ? std::clamp(accumulator[i], -1.0f, 1.0f) * 32767.0f : 0.0f;
    out[i] = int16_t(std::lrint(s));
  }
  {
    std::lock_guard guard(lock);
    for (MixVoice& m : mixList) {
      Voice* voice = find(m.id);
      if (!voice) continue;
      voice->inMix = false;
      if (m.stream) {  // the stream has moved on whatever the engine did meanwhile
        voice->played = m.played;
        voice->ended = m.ended;
        std::copy(m.carry, m.carry + 2, voice->carry);
        std::copy(m.ahead, m.ahead + 2, voice->ahead);
        voice->hasAhead = m.hasAhead;
      }
      if (voice->epoch != m.epoch) continue;  // a play-state change of the engine wins
      voice->playing = m.playing;
      voice->cursor = m.cursor;
    }
  }
  mixDone.notify_all();
}

}  // namespace zt
