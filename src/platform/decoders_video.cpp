// FFmpeg's demuxers and decoders behind VideoDecoder and the sound-track AudioStream, built
// into the media module that the engine loads on the first video or music it opens (see
// decoders_module.h): FFmpeg's libraries map more than a hundred megabytes and take
// time to link, which programs that play no video should not pay. The video and its sound
// track open the file separately, so the mixer's thread reads the sound while the engine's
// thread decodes the pictures, and neither waits for the other.
#include "platform/decoders_video.h"

#include "platform/decoders_module.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "gfx/surface.h"

namespace zt {

namespace {

struct FormatClose {
  void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScaleFree {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct ResampleFree {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

// Grows a buffer to `size` elements; false when memory runs short (the frame or sound is
// then lost, never the engine).
template <typename T>
bool fits(std::vector<T>& buffer, size_t size) {
  try {
    if (buffer.size() < size) buffer.resize(size);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Used when a file gives its frames no duration and no frame rate.
constexpr double DefaultFrameMs = 40.0;

// One stream of a file with its decoder, read packet by packet.
class StreamReader {
 public:
  bool open(const std::string& path, AVMediaType type, std::string& why) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
      why = "the file cannot be opened or its format is unknown";
      return false;
    }
    format.reset(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) {
      why = "the file's streams cannot be read";
      return false;
    }
    const AVCodec* decoder = nullptr;
    index = av_find_best_stream(raw, type, -1, -1, &decoder, 0);
    if (index < 0 || !decoder) {
      why = type == AVMEDIA_TYPE_VIDEO ? "the file holds no video stream that can be decoded" : "no sound track";
      return false;
    }
    codec.reset(avcodec_alloc_context3(decoder));
    packet.reset(av_packet_alloc());
    if (!codec || !packet || avcodec_parameters_to_context(codec.get(), stream()->codecpar) < 0) {
      why = "out of memory";
      return false;
    }
    codec->thread_count = 1;  // the machine's cores belong to the engine; a frame decodes in one call
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) {
      why = "the decoder cannot be started";
      return false;
    }
    return true;
  }

  AVStream* stream() const { return format->streams[index]; }
  AVCodecContext* context() const { return codec.get(); }

  // The next decoded frame; false at the end of the stream, and at damage the decoder
  // cannot get past.
  bool next(AVFrame* frame) {
    for (;;) {
      const int received = avcodec_receive_frame(codec.get(), frame);
      if (received == 0) return true;
      if (received != AVERROR(EAGAIN) || drained) return false;
      if (av_read_frame(format.get(), packet.get()) < 0) {
        drained = true;
        avcodec_send_packet(codec.get(), nullptr);
        continue;
      }
      // A packet the decoder refuses is damaged data: it is skipped.
      if (packet->stream_index == index) avcodec_send_packet(codec.get(), packet.get());
      av_packet_unref(packet.get());
    }
  }

  // To the key frame at or before `milliseconds` from the start.
  bool seek(double milliseconds) {
    const AVStream* s = stream();
    const int64_t start = s->start_time == AV_NOPTS_VALUE ? 0 : s->start_time;
    const int64_t target = start + av_rescale_q(int64_t(milliseconds), {1, 1000}, s->time_base);
    if (av_seek_frame(format.get(), index, target, AVSEEK_FLAG_BACKWARD) < 0 &&
        av_seek_frame(format.get(), -1, 0, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_BYTE) < 0)
      return false;
    avcodec_flush_buffers(codec.get());
    drained = false;
    return true;
  }

  // A frame's time in milliseconds from the start of the stream, or `fallback` without one.
  double frameMs(const AVFrame* frame, double fallback) const {
    const AVStream* s = stream();
    if (frame->best_effort_timestamp == AV_NOPTS_VALUE) return fallback;
    const int64_t start = s->start_time == AV_NOPTS_VALUE ? 0 : s->start_time;
    return milliseconds(frame->best_effort_timestamp - start);
  }

  // Ticks of the stream's time base as milliseconds; whole ones stay whole.
  double milliseconds(int64_t ticks) const {
    const AVRational base = stream()->time_base;
    if (base.num <= 0 || base.den <= 0) return 0;
    return double(ticks) * double(base.num) * 1000.0 / double(base.den);
  }

 private:
  std::unique_ptr<AVFormatContext, FormatClose> format;
  std::unique_ptr<AVCodecContext, CodecFree> codec;
  std::unique_ptr<AVPacket, PacketFree> packet;
  int index = -1;
  bool drained = false;  // the end of the file was reached and the decoder told
};

AVPixelFormat pixelFormatOf(const PixelFormat& f) {
  if (f.bits == 16) return AV_PIX_FMT_RGB565;  // red in the high bits of a native 16-bit word
  if (f.bits == 24) return AV_PIX_FMT_BGR24;   // the low three bytes of 0xRRGGBB, in memory order
  return AV_PIX_FMT_0RGB32;                    // 0x00RRGGBB as a native 32-bit word
}

class FfmpegVideo final : public VideoDecoder {
 public:
  bool open(const std::string& path, std::string& why) {
    if (!reader.open(path, AVMEDIA_TYPE_VIDEO, why)) return false;
    const AVCodecContext* c = reader.context();
    if (c->width <= 0 || c->height <= 0 || c->width > MaxVideoSide || c->height > MaxVideoSide) {
      why = "the video's frame size is not 1 to " + std::to_string(MaxVideoSide) + " pixels a side";
      return false;
    }
    current.reset(av_frame_alloc());
    next.reset(av_frame_alloc());
    if (!current || !next) {
      why = "out of memory";
      return false;
    }
    const AVStream* s = reader.stream();
    const AVRational rate = s->avg_frame_rate.num > 0 ? s->avg_frame_rate : s->r_frame_rate;
    nominalMs = rate.num > 0 && rate.den > 0 ? 1000.0 * rate.den / rate.num : DefaultFrameMs;
    return true;
  }

  int width() const override { return reader.context()->width; }
  int height() const override { return reader.context()->height; }

  Step advanceTo(double ms) override {
    bool changed = false;
    for (;;) {
      if (!hasNext && !decodeNext()) break;
      if (hasCurrent && nextStart > ms) break;  // the first frame shows from the start whatever its time
      std::swap(current, next);
      currentStart = nextStart;
      currentEnd = nextEnd;
      hasCurrent = true;
      hasNext = false;
      changed = true;
    }
    if (!hasCurrent || (!hasNext && ms >= currentEnd)) return Step::End;
    return changed ? Step::NewFrame : Step::SameFrame;
  }

  bool rewind() override {
    hasCurrent = hasNext = ended = false;
    currentStart = currentEnd = 0;
    return reader.seek(0);
  }

  bool convertInto(Surface& target) override {
    if (!hasCurrent) return false;
    const AVFrame* f = current.get();
    const AVPixelFormat to = pixelFormatOf(target.format());
    scaler.reset(sws_getCachedContext(scaler.release(), f->width, f->height, AVPixelFormat(f->format), target.width(),
                                      target.height(), to, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler) return false;
    // The scaler may write whole vector registers at a row's end: it writes into a padded
    // buffer, and the rows are copied from there.
    const int rowBytes = target.width() * target.format().bytesPerPixel();
    const int stride = (rowBytes + 63) & ~63;
    const size_t size = size_t(stride) * size_t(target.height()) + 64;
    if (!fits(staging, size)) return false;
    uint8_t* planes[4] = {staging.data(), nullptr, nullptr, nullptr};
    int strides[4] = {stride, 0, 0, 0};
    if (sws_scale(scaler.get(), f->data, f->linesize, 0, f->height, planes, strides) <= 0) return false;
    target.lock();
    for (int y = 0; y < target.height(); ++y)
      std::memcpy(target.row(y), staging.data() + size_t(y) * size_t(stride), size_t(rowBytes));
    target.unlock();
    return true;
  }

 private:
  bool decodeNext() {
    if (ended || !reader.next(next.get())) {
      ended = true;
      return false;
    }
    const double after = hasCurrent ? currentEnd : 0.0;
    nextStart = reader.frameMs(next.get(), after);
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(57, 30, 100)
    const int64_t ticks = next->duration;
#else
    const int64_t ticks = next->pkt_duration;
#endif
    const double duration = ticks > 0 ? reader.milliseconds(ticks) : nominalMs;
    nextEnd = nextStart + duration;
    hasNext = true;
    return true;
  }

  StreamReader reader;
  FramePtr current, next;  // the frame showing, and the one decoded after it
  bool hasCurrent = false, hasNext = false, ended = false;
  double currentStart = 0, currentEnd = 0, nextStart = 0, nextEnd = 0;  // milliseconds
  double nominalMs = DefaultFrameMs;
  std::unique_ptr<SwsContext, ScaleFree> scaler;
  std::vector<uint8_t> staging;
};

class SoundTrack final : public AudioStream {
 public:
  bool open(const std::string& path) {
    std::string why;
    frame.reset(av_frame_alloc());
    return frame && reader.open(path, AVMEDIA_TYPE_AUDIO, why);
  }

  size_t read(float* out, size_t frames) override {
    size_t done = 0;
    while (done < frames) {
      if (used == pending.size() && !refill()) break;
      const size_t n = std::min((pending.size() - used) / 2, frames - done);
      std::memcpy(out + done * 2, pending.data() + used, n * 2 * sizeof(float));
      used += n * 2;
      done += n;
    }
    return done;
  }

  bool seek(long milliseconds) override {
    pending.clear();
    used = 0;
    resampler.reset();
    return reader.seek(double(std::max(0L, milliseconds)));
  }

 private:
  // The next decoded frame, as stereo float at MixRate, into `pending`.
  bool refill() {
    pending.clear();
    used = 0;
    while (pending.empty()) {
      if (!reader.next(frame.get())) return false;
      if (!fitResampler() || frame->nb_samples <= 0) continue;
      const int room = swr_get_out_samples(resampler.get(), frame->nb_samples);
      if (room <= 0) continue;
      if (!fits(pending, size_t(room) * 2)) return false;
      uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(pending.data())};
      const int made = swr_convert(resampler.get(), outPlanes, room, const_cast<const uint8_t**>(frame->extended_data),
                                   frame->nb_samples);
      pending.resize(made > 0 ? size_t(made) * 2 : 0);
    }
    return true;
  }

  // A resampler for the frame's layout, format and rate (which may change within a file).
  bool fitResampler() {
    const int channels = frame->ch_layout.nb_channels;
    if (channels <= 0 || frame->sample_rate <= 0) return false;
    if (resampler && inFormat == frame->format && inRate == frame->sample_rate && inChannels == channels) return true;
    AVChannelLayout in{}, out{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
      av_channel_layout_default(&in, channels);
    else if (av_channel_layout_copy(&in, &frame->ch_layout) < 0)
      return false;
    av_channel_layout_default(&out, 2);
    SwrContext* raw = nullptr;
    const bool made = swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_FLT, MixRate, &in, AVSampleFormat(frame->format),
                                          frame->sample_rate, 0, nullptr) == 0 &&
                      swr_init(raw) == 0;
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    resampler.reset(raw);
    if (!made) {
      resampler.reset();
      return false;
    }
    inFormat = frame->format;
    inRate = frame->sample_rate;
    inChannels = channels;
    return true;
  }

  StreamReader reader;
  FramePtr frame;
  std::unique_ptr<SwrContext, ResampleFree> resampler;
  int inFormat = -1, inRate = 0, inChannels = 0;
  std::vector<float> pending;  // converted frames not yet read, left and right interleaved
  size_t used = 0;             // floats of `pending` already read
};

}  // namespace

}  // namespace zt

// The module's entry points, found by name when it is loaded.
extern "C" zt::VideoDecoder* ztOpenVideo(const std::string& path, std::string& why) {
  av_log_set_level(AV_LOG_QUIET);  // a damaged file is the command's error, not a page of library messages
  auto video = std::make_unique<zt::FfmpegVideo>();
  if (!video->open(path, why)) return nullptr;
  return video.release();
}

extern "C" zt::AudioStream* ztOpenSoundTrack(const std::string& path) {
  av_log_set_level(AV_LOG_QUIET);
  auto track = std::make_unique<zt::SoundTrack>();
  if (!track->open(path)) return nullptr;
  return track.release();
}
