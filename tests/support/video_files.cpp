#include "support/video_files.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <memory>
#include <vector>

namespace zt::test {

namespace {

struct Encoder {
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  ~Encoder() { avcodec_free_context(&codec); }
};

// Sends a frame (null: the end) and writes every packet the encoder gives back.
bool encode(AVFormatContext* out, Encoder& e, AVFrame* frame) {
  if (avcodec_send_frame(e.codec, frame) < 0) return false;
  AVPacket* packet = av_packet_alloc();
  int r;
  while ((r = avcodec_receive_packet(e.codec, packet)) == 0) {
    av_packet_rescale_ts(packet, e.codec->time_base, e.stream->time_base);
    packet->stream_index = e.stream->index;
    if (av_interleaved_write_frame(out, packet) < 0) r = AVERROR_UNKNOWN;
    av_packet_unref(packet);
    if (r < 0) break;
  }
  av_packet_free(&packet);
  return r == AVERROR(EAGAIN) || r == AVERROR_EOF;
}

bool openEncoder(AVFormatContext* out, Encoder& e, const char* name, const std::function<void(AVCodecContext*)>& set) {
  const AVCodec* codec = avcodec_find_encoder_by_name(name);
  if (!codec) return false;
  e.stream = avformat_new_stream(out, nullptr);
  e.codec = avcodec_alloc_context3(codec);
  if (!e.stream || !e.codec) return false;
  set(e.codec);
  if (out->oformat->flags & AVFMT_GLOBALHEADER) e.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(e.codec, codec, nullptr) < 0) return false;
  e.stream->time_base = e.codec->time_base;
  return avcodec_parameters_from_context(e.stream->codecpar, e.codec) >= 0;
}

// Frame `index` drawn in 32-bit RGB, then converted to the encoder's pixel format.
bool videoFrame(const VideoParams& params, Encoder& e, SwsContext* convert, int index, AVFrame* frame) {
  std::vector<uint32_t> rgb(size_t(params.width) * size_t(params.height));
  for (int y = 0; y < params.height; ++y)
    for (int x = 0; x < params.width; ++x) rgb[size_t(y * params.width + x)] = params.pixel(index, x, y);
  frame->format = e.codec->pix_fmt;
  frame->width = params.width;
  frame->height = params.height;
  if (av_frame_get_buffer(frame, 0) < 0) return false;
  const uint8_t* source[1] = {reinterpret_cast<const uint8_t*>(rgb.data())};
  const int stride[1] = {params.width * 4};
  sws_scale(convert, source, stride, 0, params.height, frame->data, frame->linesize);
  frame->pts = index;
  return true;
}

// The sound of video frame `index`: as many samples as it lasts.
bool soundFrame(const VideoParams& params, int index, AVFrame* frame) {
  const int64_t first = int64_t(index) * params.soundRate / params.framesPerSecond;
  const int64_t end = int64_t(index + 1) * params.soundRate / params.framesPerSecond;
  frame->format = AV_SAMPLE_FMT_S16;
  frame->sample_rate = params.soundRate;
  av_channel_layout_default(&frame->ch_layout, 1);
  frame->nb_samples = int(end - first);
  if (av_frame_get_buffer(frame, 0) < 0) return false;
  auto* samples = reinterpret_cast<int16_t*>(frame->data[0]);
  for (int64_t i = first; i < end; ++i)
    samples[i - first] = int16_t(12000 * std::sin(2 * M_PI * 440.0 * double(i) / params.soundRate));
  frame->pts = first;
  return true;
}

}  // namespace

uint32_t solidFrame(int frame, int, int) {
  constexpr uint32_t Colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  return Colours[frame % 4];
}

bool writeVideo(const std::string& path, const VideoParams& params, std::string& why) {
  av_log_set_level(AV_LOG_QUIET);
  AVFormatContext* out = nullptr;
  if (avformat_alloc_output_context2(&out, nullptr, "avi", path.c_str()) < 0) {
    why = "no AVI writer";
    return false;
  }
  std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> owner(out, [](AVFormatContext* f) {
    if (f->pb) avio_closep(&f->pb);
    avformat_free_context(f);
  });
  Encoder video, sound;
  const bool lossless = params.codec == "ffv1";
  if (!openEncoder(out, video, params.codec.c_str(), [&](AVCodecContext* c) {
        c->width = params.width;
        c->height = params.height;
        c->time_base = {1, params.framesPerSecond};
        c->framerate = {params.framesPerSecond, 1};
        c->pix_fmt = lossless ? AV_PIX_FMT_0RGB32 : AV_PIX_FMT_YUV420P;
        c->gop_size = 5;
        c->bit_rate = 4000000;
      })) {
    why = "the " + params.codec + " encoder cannot be opened";
    return false;
  }
  if (params.soundRate > 0 && !openEncoder(out, sound, "pcm_s16le", [&](AVCodecContext* c) {
        c->sample_rate = params.soundRate;
        c->sample_fmt = AV_SAMPLE_FMT_S16;
        av_channel_layout_default(&c->ch_layout, 1);
        c->time_base = {1, params.soundRate};
      })) {
    why = "the PCM encoder cannot be opened";
    return false;
  }
  if (avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 || avformat_write_header(out, nullptr) < 0) {
    why = "cannot write " + path;
    return false;
  }
  SwsContext* convert = sws_getContext(params.width, params.height, AV_PIX_FMT_0RGB32, params.width, params.height,
                                       video.codec->pix_fmt, SWS_POINT, nullptr, nullptr, nullptr);
  bool ok = convert != nullptr;
  for (int i = 0; ok && i < params.frames; ++i) {
    AVFrame* frame = av_frame_alloc();
    ok = videoFrame(params, video, convert, i, frame) && encode(out, video, frame);
    av_frame_free(&frame);
    if (ok && sound.codec) {
      frame = av_frame_alloc();
      ok = soundFrame(params, i, frame) && encode(out, sound, frame);
      av_frame_free(&frame);
    }
  }
  sws_freeContext(convert);
  ok = ok && encode(out, video, nullptr) && (!sound.codec || encode(out, sound, nullptr)) && av_write_trailer(out) == 0;
  if (!ok) why = "encoding failed";
  return ok;
}

}  // namespace zt::test
