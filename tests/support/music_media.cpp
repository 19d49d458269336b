#include "support/music_media.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace zt::test {

namespace {

void little(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(char(value >> (8 * i)));
}

void big(std::string& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(char(value >> (8 * i)));
}

void quantity(std::string& out, uint32_t value) {
  std::string bytes(1, char(value & 0x7F));
  while (value >>= 7) bytes.insert(bytes.begin(), char(0x80 | (value & 0x7F)));
  out += bytes;
}

bool encodeAll(AVCodecContext* c, AVFormatContext* oc, AVStream* st, AVFrame* frame, AVPacket* pkt) {
  if (avcodec_send_frame(c, frame) < 0) return false;
  while (avcodec_receive_packet(c, pkt) == 0) {
    av_packet_rescale_ts(pkt, c->time_base, st->time_base);
    pkt->stream_index = st->index;
    if (av_interleaved_write_frame(oc, pkt) < 0) return false;
  }
  return true;
}

}  // namespace

std::string sineWav(int rate, int channels, int milliseconds, double hertz) {
  const uint32_t frames = uint32_t(int64_t(rate) * milliseconds / 1000);
  const uint32_t dataSize = frames * uint32_t(channels) * 2;
  std::string out = "RIFF";
  little(out, 36 + dataSize, 4);
  out += "WAVEfmt ";
  little(out, 16, 4);
  little(out, 1, 2);
  little(out, uint32_t(channels), 2);
  little(out, uint32_t(rate), 4);
  little(out, uint32_t(rate * channels * 2), 4);
  little(out, uint32_t(channels * 2), 2);
  little(out, 16, 2);
  out += "data";
  little(out, dataSize, 4);
  for (uint32_t i = 0; i < frames; ++i) {
    const auto sample = int16_t(std::lround(16000.0 * std::sin(2 * M_PI * hertz * i / rate)));
    for (int c = 0; c < channels; ++c) little(out, uint16_t(sample), 2);
  }
  return out;
}

std::string midiFile(const std::vector<MidiNote>& notes, int division, const std::vector<std::pair<int, int>>& tempos) {
  struct Event {
    int tick;
    std::string bytes;
  };
  std::vector<Event> events;
  for (const auto& [tick, tempo] : tempos) {
    std::string e = "\xFF\x51\x03";
    big(e, uint32_t(tempo), 3);
    events.push_back({tick, e});
  }
  int tick = 0;
  for (const MidiNote& n : notes) {
    events.push_back({tick, std::string{char(0x90), char(n.key), char(100)}});
    tick += n.ticks;
    events.push_back({tick, std::string{char(0x80), char(n.key), char(0)}});
  }
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.tick < b.tick; });
  std::string track;
  int at = 0;
  for (const Event& e : events) {
    quantity(track, uint32_t(e.tick - at));
    track += e.bytes;
    at = e.tick;
  }
  track += std::string("\x00\xFF\x2F\x00", 4);
  std::string out = "MThd";
  big(out, 6, 4);
  big(out, 0, 2);
  big(out, 1, 2);
  big(out, uint32_t(division), 2);
  out += "MTrk";
  big(out, uint32_t(track.size()), 4);
  return out + track;
}

bool writeSineOgg(const std::string& path, int milliseconds, double hertz) {
  const AVCodec* encoder = avcodec_find_encoder_by_name("libvorbis");
  if (!encoder) return false;
  AVFormatContext* oc = nullptr;
  if (avformat_alloc_output_context2(&oc, nullptr, "ogg", path.c_str()) < 0) return false;
  AVStream* st = avformat_new_stream(oc, nullptr);
  AVCodecContext* c = avcodec_alloc_context3(encoder);
  AVFrame* frame = av_frame_alloc();
  AVPacket* pkt = av_packet_alloc();
  bool ok = st && c && frame && pkt;
  if (ok) {
    c->sample_rate = 44100;
    c->ch_layout = AV_CHANNEL_LAYOUT_STEREO;
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->bit_rate = 96000;
    c->time_base = AVRational{1, 44100};
    ok = avcodec_open2(c, encoder, nullptr) >= 0 && avcodec_parameters_from_context(st->codecpar, c) >= 0 &&
         avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(oc, nullptr) >= 0;
    st->time_base = c->time_base;
  }
  const int64_t total = int64_t(44100) * milliseconds / 1000;
  for (int64_t done = 0; ok && done < total;) {
    frame->nb_samples = int(std::min<int64_t>(c->frame_size > 0 ? c->frame_size : 1024, total - done));
    frame->format = c->sample_fmt;
    frame->sample_rate = c->sample_rate;
    av_channel_layout_copy(&frame->ch_layout, &c->ch_layout);
    ok = av_frame_get_buffer(frame, 0) >= 0;
    for (int i = 0; ok && i < frame->nb_samples; ++i)
      for (int ch = 0; ch < 2; ++ch)
        reinterpret_cast<float*>(frame->data[ch])[i] = float(0.5 * std::sin(2 * M_PI * hertz * double(done + i) / 44100));
    frame->pts = done;
    done += frame->nb_samples;
    ok = ok && encodeAll(c, oc, st, frame, pkt);
    av_frame_unref(frame);
  }
  ok = ok && encodeAll(c, oc, st, nullptr, pkt) && av_write_trailer(oc) >= 0;
  if (oc->pb) avio_closep(&oc->pb);
  av_packet_free(&pkt);
  av_frame_free(&frame);
  avcodec_free_context(&c);
  avformat_free_context(oc);
  return ok;
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace zt::test
