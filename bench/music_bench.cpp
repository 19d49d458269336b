// The cost of music opens: the first MIDI open (the synthesizer starts and loads the
// soundfont), a second MIDI open beside the first (another synthesizer, the soundfont's
// samples already loaded), a reopen after a close (as a looping music restarts: a
// synthesizer given back is taken again), and a wave file through FFmpeg; and how fast a
// MIDI file renders against real time.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/decoders_audio.h"
#include "support/music_media.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main() {
  using namespace zt;
  const std::string soundfont = chooseSoundfont();
  if (soundfont.empty()) {
    std::printf("no General MIDI soundfont installed\n");
    return 0;
  }
  std::vector<test::MidiNote> notes;
  for (int i = 0; i < 64; ++i) notes.push_back({48 + i % 24, 240});
  const std::string midi = test::midiFile(notes);  // 16 seconds
  const std::string wav = (std::filesystem::temp_directory_path() / "zt_music_bench.wav").string();
  test::writeBytes(wav, test::sineWav(44100, 2, 5000, 440));

  std::string error;
  Clock::time_point t = Clock::now();
  std::unique_ptr<MidiSynthesizer> synth = createMidiSynthesizer(error);
  OpenedMusic first = synth ? synth->open(midi, error) : OpenedMusic{};
  const double firstMs = msSince(t);
  if (!first.stream) {
    std::printf("MIDI open failed: %s\n", error.c_str());
    return 0;
  }
  t = Clock::now();
  OpenedMusic second = synth->open(midi, error);
  const double secondMs = msSince(t);
  second = {};
  t = Clock::now();
  OpenedMusic reopened = synth->open(midi, error);
  const double reopenMs = msSince(t);
  t = Clock::now();
  OpenedMusic wave = openAudioFile(wav, error);
  const double waveMs = msSince(t);

  std::vector<float> block(1024 * 2);
  t = Clock::now();
  size_t frames = 0;
  for (size_t n; (n = first.stream->read(block.data(), 1024)) > 0;) frames += n;
  const double renderMs = msSince(t);
  std::filesystem::remove(wav);

  std::printf("soundfont: %s (%.1f MB)\n", soundfont.c_str(), double(std::filesystem::file_size(soundfont)) / 1048576);
  std::printf("first MIDI open (synthesizer + soundfont): %8.2f ms\n", firstMs);
  std::printf("second MIDI open beside the first:         %8.2f ms  (first / second: %.1f)\n", secondMs, firstMs / secondMs);
  std::printf("MIDI reopen after a close (a loop restart): %8.2f ms  (first / reopen: %.0f)\n", reopenMs,
              firstMs / reopenMs);
  std::printf("wave file open (FFmpeg):                   %8.2f ms\n", waveMs);
  std::printf("MIDI rendering: %.1f s of music in %.1f ms, %.0f x real time\n", double(frames) / MixRate, renderMs,
              double(frames) / MixRate * 1000 / renderMs);
  return 0;
}
