// The FluidSynth side of the audio decoders: each open MIDI music has a synthesizer of its
// own (so two can play at once without sharing channels), rendered block by block on the
// mixer's demand; the player follows the synthesizer's sample clock.
#include <fluidsynth.h>

#include <algorithm>
#include <mutex>
#include <span>
#include <vector>

#include "formats/midi.h"
#include "platform/decoders_audio.h"
#include "platform/decoders_module.h"

namespace zt {

namespace {

constexpr int SynthBlock = 64;  // frames rendered between checks of the player's state

// Synthesizers with the soundfont loaded, made with one set of settings. A music that is
// closed gives its synthesizer back, so that opening a MIDI file again (a looping music
// restarts by reopening) costs no soundfont load.
class SynthPool {
 public:
  explicit SynthPool(std::string soundfont) : soundfont_(std::move(soundfont)) {}
  ~SynthPool() {
    for (fluid_synth_t* synth : idle_) delete_fluid_synth(synth);
    if (settings_) delete_fluid_settings(settings_);
  }

  bool start(std::string& error) {
    settings_ = new_fluid_settings();
    if (!settings_) return error = "cannot start the synthesizer", false;
    fluid_settings_setnum(settings_, "synth.sample-rate", double(MixRate));
    fluid_settings_setint(settings_, "synth.cpu-cores", 1);
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    fluid_synth_t* first = take(error);
    if (first) give(first);
    return first != nullptr;
  }

  fluid_synth_t* take(std::string& error) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (!idle_.empty()) {
        fluid_synth_t* synth = idle_.back();
        idle_.pop_back();
        return synth;
      }
    }
    fluid_synth_t* synth = new_fluid_synth(settings_);
    if (!synth) return error = "cannot start the synthesizer", nullptr;
    if (fluid_synth_sfload(synth, soundfont_.c_str(), 1) == FLUID_FAILED) {
      delete_fluid_synth(synth);
      return error = "cannot load the soundfont " + soundfont_, nullptr;
    }
    return synth;
  }

  void give(fluid_synth_t* synth) {
    fluid_synth_system_reset(synth);
    std::lock_guard<std::mutex> hold(lock_);
    if (idle_.size() < MaxIdle) return idle_.push_back(synth);
    delete_fluid_synth(synth);
  }

 private:
  static constexpr size_t MaxIdle = 4;
  std::string soundfont_;
  fluid_settings_t* settings_ = nullptr;
  std::mutex lock_;  // streams are closed on the engine thread or the mixer's
  std::vector<fluid_synth_t*> idle_;
};

class MidiStream final : public AudioStream {
 public:
  MidiStream(std::shared_ptr<SynthPool> pool, fluid_synth_t* synth, std::string bytes, uint32_t milliseconds)
      : pool_(std::move(pool)), synth_(synth), bytes_(std::move(bytes)),
        lengthFrames_(uint64_t(milliseconds) * MixRate / 1000) {}
  ~MidiStream() override {
    if (player_) delete_fluid_player(player_);
    pool_->give(synth_);
  }

  bool start() {
    if (player_) delete_fluid_player(player_);
    fluid_synth_system_reset(synth_);
    player_ = new_fluid_player(synth_);
    played_ = 0;
    return player_ && fluid_player_add_mem(player_, bytes_.data(), bytes_.size()) == FLUID_OK &&
           fluid_player_play(player_) == FLUID_OK;
  }

  // The music ends at its last event, as its length says; the player would go on to let
  // the last notes fade.
  size_t read(float* out, size_t frames) override {
    size_t written = 0;
    while (written < frames && played_ < lengthFrames_ && fluid_player_get_status(player_) == FLUID_PLAYER_PLAYING) {
      const int n = int(std::min<uint64_t>({frames - written, SynthBlock, lengthFrames_ - played_}));
      float* at = out + written * 2;
      if (fluid_synth_write_float(synth_, n, at, 0, 2, at, 1, 2) != FLUID_OK) break;
      written += size_t(n);
      played_ += uint64_t(n);
    }
    return written;
  }

  // Starts the player again and renders up to the position without keeping the sound.
  bool seek(long milliseconds) override {
    if (!start()) return false;
    std::vector<float> scratch(SynthBlock * 2);
    for (int64_t skip = int64_t(std::max(milliseconds, 0L)) * MixRate / 1000; skip > 0; skip -= SynthBlock)
      if (read(scratch.data(), size_t(std::min<int64_t>(skip, SynthBlock))) == 0) break;
    return true;
  }

 private:
  std::shared_ptr<SynthPool> pool_;
  fluid_synth_t* synth_;
  fluid_player_t* player_ = nullptr;
  std::string bytes_;
  uint64_t lengthFrames_;
  uint64_t played_ = 0;
};

class FluidSynthesizer final : public MidiSynthesizer {
 public:
  explicit FluidSynthesizer(std::string soundfont) : pool_(std::make_shared<SynthPool>(std::move(soundfont))) {}

  bool start(std::string& error) { return pool_->start(error); }

  OpenedMusic open(const std::string& bytes, std::string& error) override {
    const auto view = std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    uint32_t length = 0;
    if (!midiLengthMilliseconds(view, length, error)) return {};
    fluid_synth_t* synth = pool_->take(error);
    if (!synth) return {};
    auto stream = std::make_unique<MidiStream>(pool_, synth, bytes, length);
    if (!stream->start()) return error = "the synthesizer cannot play the file", OpenedMusic{};
    return {std::move(stream), length};
  }

 private:
  std::shared_ptr<SynthPool> pool_;  // shared with the open streams, which outlive no pool
};

}  // namespace

}  // namespace zt

extern "C" zt::MidiSynthesizer* ztCreateMidiSynthesizer(std::string& error) {
  using namespace zt;
  // A damaged file is reported through the error, not on stderr.
  for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
  const std::string soundfont = chooseSoundfont();
  if (soundfont.empty()) return error = "no General MIDI soundfont is installed", nullptr;
  auto synth = std::make_unique<FluidSynthesizer>(soundfont);
  if (!synth->start(error)) return nullptr;
  return synth.release();
}
