#include "formats/midi.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zt {

namespace {

constexpr uint32_t DefaultTempo = 500000;  // microseconds per quarter note until a tempo event

struct TempoChange {
  uint64_t tick;
  uint32_t microsecondsPerQuarter;
};

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  size_t left() const { return bytes_.size() - at_; }
  bool byte(uint8_t& b) {
    if (at_ >= bytes_.size()) return false;
    b = bytes_[at_++];
    return true;
  }
  bool skip(uint64_t n) {
    if (n > left()) return false;
    at_ += size_t(n);
    return true;
  }
  bool big(int count, uint32_t& value) {
    if (left() < size_t(count)) return false;
    value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | bytes_[at_++];
    return true;
  }
  // A variable-length quantity: at most four bytes of seven bits each.
  bool quantity(uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b;
      if (!byte(b)) return false;
      value = value << 7 | (b & 0x7F);
      if (!(b & 0x80)) return true;
    }
    return false;
  }
  bool tag(const char* name) {
    if (left() < 4 || std::memcmp(bytes_.data() + at_, name, 4) != 0) return false;
    at_ += 4;
    return true;
  }
  std::span<const uint8_t> take(size_t n) {
    std::span<const uint8_t> part = bytes_.subspan(at_, n);
    at_ += n;
    return part;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
};

// One track's events: its tempo changes are added to `tempos`; `endTick` is the tick of
// its last event.
bool readTrack(std::span<const uint8_t> data, std::vector<TempoChange>& tempos, uint64_t& endTick, std::string& error) {
  Reader r(data);
  uint64_t tick = 0;
  uint8_t running = 0;
  while (r.left() > 0) {
    uint32_t delta;
    uint8_t status;
    if (!r.quantity(delta) || !r.byte(status)) return error = "truncated event", false;
    tick += delta;
    if (status == 0xFF) {
      uint8_t type;
      uint32_t length;
      if (!r.byte(type) || !r.quantity(length) || length > r.left()) return error = "truncated meta event", false;
      std::span<const uint8_t> meta = r.take(length);
      if (type == 0x51 && length == 3) tempos.push_back({tick, uint32_t(meta[0]) << 16 | uint32_t(meta[1]) << 8 | meta[2]});
      if (type == 0x2F) break;
      continue;
    }
    if (status == 0xF0 || status == 0xF7) {
      uint32_t length;
      if (!r.quantity(length) || !r.skip(length)) return error = "truncated system-exclusive event", false;
      continue;
    }
    int dataBytes;
    if (status & 0x80) {
      if (status >= 0xF0) return error = "unknown status byte", false;
      running = status;
      dataBytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
    } else {
      if (!running) return error = "data byte without a status", false;
      // The byte read is the first data byte of a message with the running status.
      dataBytes = ((running & 0xF0) == 0xC0 || (running & 0xF0) == 0xD0 ? 1 : 2) - 1;
    }
    if (!r.skip(uint64_t(dataBytes))) return error = "truncated channel message", false;
  }
  endTick = tick;
  return true;
}

// The milliseconds from tick 0 to `endTick` under the tempo map.
uint64_t ticksToMilliseconds(std::vector<TempoChange>& tempos, uint64_t endTick, uint32_t division) {
  if (division & 0x8000) {
    // Time-code division: frames per second (negated in the high byte) times ticks per frame.
    const uint32_t framesPerSecond = uint32_t(-int8_t(division >> 8));
    const uint64_t ticksPerSecond = uint64_t(framesPerSecond) * (division & 0xFF);
    return endTick * 1000 / ticksPerSecond;
  }
  std::stable_sort(tempos.begin(), tempos.end(), [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  double microseconds = 0;
  uint64_t tick = 0;
  uint32_t tempo = DefaultTempo;
  for (const TempoChange& change : tempos) {
    if (change.tick >= endTick) break;
    microseconds += double(change.tick - tick) * tempo / division;
    tick = change.tick;
    tempo = change.microsecondsPerQuarter;
  }
  microseconds += double(endTick - tick) * tempo / division;
  return uint64_t(microseconds / 1000.0 + 0.5);
}

// The standard MIDI data inside a RIFF "RMID" file: its "data" chunk.
bool unwrapRiff(std::span<const uint8_t>& bytes, std::string& error) {
  Reader r(bytes);
  uint32_t ignored;
  if (!r.tag("RIFF") || !r.big(4, ignored) || !r.tag("RMID")) return true;
  while (r.left() >= 8) {
    const bool data = r.tag("data");
    if (!data && !r.skip(4)) break;
    uint32_t size;
    if (!r.big(4, size)) break;
    size = __builtin_bswap32(size);  // RIFF sizes are little-endian
    if (data) {
      if (size > r.left()) return error = "truncated data chunk", false;
      bytes = r.take(size);
      return true;
    }
    if (!r.skip(uint64_t(size) + (size & 1))) break;
  }
  return error = "RIFF file without MIDI data", false;
}

}  // namespace

bool looksLikeMidi(std::span<const uint8_t> bytes) {
  if (bytes.size() >= 4 && std::memcmp(bytes.data(), "MThd", 4) == 0) return true;
  return bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 && std::memcmp(bytes.data() + 8, "RMID", 4) == 0;
}

bool midiLengthMilliseconds(std::span<const uint8_t> bytes, uint32_t& milliseconds, std::string& error) {
  if (!unwrapRiff(bytes, error)) return false;
  Reader r(bytes);
  uint32_t headerSize, format, tracks, division;
  if (!r.tag("MThd") || !r.big(4, headerSize) || headerSize < 6 || headerSize > r.left())
    return error = "no MIDI header", false;
  r.big(2, format), r.big(2, tracks), r.big(2, division), r.skip(headerSize - 6);
  if (tracks == 0) return error = "no tracks", false;
  if ((division & 0x8000) ? (division & 0xFF) == 0 : division == 0) return error = "zero time division", false;
  std::vector<TempoChange> tempos;
  uint64_t endTick = 0;
  uint32_t found = 0;
  uint64_t sequenceStart = 0;  // format 2: tracks play one after another
  while (found < tracks && r.left() >= 8) {
    const bool track = r.tag("MTrk");
    if (!track && !r.skip(4)) break;
    uint32_t size;
    if (!r.big(4, size) || size > r.left()) return error = "truncated track", false;
    std::span<const uint8_t> data = r.take(size);
    if (!track) continue;
    std::vector<TempoChange> trackTempos;
    uint64_t trackEnd = 0;
    if (!readTrack(data, trackTempos, trackEnd, error)) return false;
    const uint64_t offset = format == 2 ? sequenceStart : 0;
    for (TempoChange& t : trackTempos) tempos.push_back({t.tick + offset, t.microsecondsPerQuarter});
    endTick = std::max(endTick, offset + trackEnd);
    if (format == 2) sequenceStart += trackEnd;
    ++found;
  }
  if (found == 0) return error = "no tracks", false;
  const uint64_t ms = ticksToMilliseconds(tempos, endTick, division);
  milliseconds = ms > UINT32_MAX ? UINT32_MAX : uint32_t(ms);
  return true;
}

}  // namespace zt
