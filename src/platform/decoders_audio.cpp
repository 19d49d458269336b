// The FFmpeg side of the audio decoders: demux, decode, and convert to stereo float at
// MixRate with libswresample.
#include "platform/decoders_audio.h"
#include "platform/decoders_module.h"

#include <algorithm>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace zt {

namespace {

class FfmpegAudioStream final : public AudioStream {
 public:
  ~FfmpegAudioStream() override {
    swr_free(&swr_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
  }

  bool open(const std::string& path, std::string& error) {
    if (avformat_open_input(&format_, path.c_str(), nullptr, nullptr) < 0) return error = "cannot open the file", false;
    if (avformat_find_stream_info(format_, nullptr) < 0) return error = "cannot read the file's streams", false;
    const AVCodec* decoder = nullptr;
    stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream_ < 0 || !decoder) return error = "no sound track that can be decoded", false;
    codec_ = avcodec_alloc_context3(decoder);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (!codec_ || !packet_ || !frame_) return error = "out of memory", false;
    if (avcodec_parameters_to_context(codec_, format_->streams[stream_]->codecpar) < 0 ||
        avcodec_open2(codec_, decoder, nullptr) < 0)
      return error = "cannot start the decoder", false;
    if (codec_->ch_layout.nb_channels <= 0 || codec_->sample_rate <= 0) return error = "no channels or no sample rate", false;
    return makeResampler(error);
  }

  // The playing time from the container; when it does not say, the file is decoded once
  // to count its frames.
  uint32_t lengthMilliseconds() {
    int64_t us = format_->duration;
    const AVStream* s = format_->streams[stream_];
    if (us == AV_NOPTS_VALUE && s->duration != AV_NOPTS_VALUE) us = av_rescale_q(s->duration, s->time_base, AV_TIME_BASE_Q);
    if (us != AV_NOPTS_VALUE && us > 0) return uint32_t(std::min<int64_t>((us + 500) / 1000, UINT32_MAX));
    std::vector<float> scratch(4096 * 2);
    uint64_t frames = 0;
    for (size_t n; (n = read(scratch.data(), 4096)) > 0;) frames += n;
    seek(0);
    return uint32_t(std::min<uint64_t>(frames * 1000 / MixRate, UINT32_MAX));
  }

  size_t read(float* out, size_t frames) override {
    size_t written = 0;
    while (written < frames) {
      if (pendingAt_ < pending_.size()) {
        const size_t n = std::min(frames - written, (pending_.size() - pendingAt_) / 2);
        std::memcpy(out + written * 2, pending_.data() + pendingAt_, n * 2 * sizeof(float));
        pendingAt_ += n * 2;
        written += n;
        continue;
      }
      if (!decodeMore()) break;
    }
    return written;
  }

  bool seek(long milliseconds) override {
    if (milliseconds < 0) milliseconds = 0;
    const int64_t target = int64_t(milliseconds) * 1000;
    if (av_seek_frame(format_, -1, target, AVSEEK_FLAG_BACKWARD) < 0 &&
        avformat_seek_file(format_, -1, INT64_MIN, target, target, 0) < 0)
      return false;
    avcodec_flush_buffers(codec_);
    swr_free(&swr_);
    std::string ignored;
    if (!makeResampler(ignored)) return false;
    pending_.clear();
    pendingAt_ = 0;
    ended_ = draining_ = false;
    discardTo_ = int64_t(milliseconds) * MixRate / 1000;
    return true;
  }

 private:
  bool makeResampler(std::string& error) {
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (swr_alloc_set_opts2(&swr_, &stereo, AV_SAMPLE_FMT_FLT, MixRate, &codec_->ch_layout, codec_->sample_fmt,
                            codec_->sample_rate, 0, nullptr) < 0 ||
        swr_init(swr_) < 0)
      return error = "cannot convert the sound's format", false;
    return true;
  }

  // Decodes the next frame into the pending samples; false at the end of the stream (or
  // on an error the decoder cannot pass).
  bool decodeMore() {
    while (!ended_) {
      const int got = avcodec_receive_frame(codec_, frame_);
      if (got == 0) {
        convert(frame_);
        av_frame_unref(frame_);
        if (pendingAt_ < pending_.size()) return true;
        continue;
      }
      if (got == AVERROR_EOF) {
        ended_ = true;
        convert(nullptr);  // what the resampler still holds
        return pendingAt_ < pending_.size();
      }
      if (got != AVERROR(EAGAIN)) return ended_ = true, false;
      if (draining_) return ended_ = true, false;
      if (av_read_frame(format_, packet_) < 0) {
        draining_ = true;
        avcodec_send_packet(codec_, nullptr);
        continue;
      }
      if (packet_->stream_index == stream_) avcodec_send_packet(codec_, packet_);  // a damaged packet is skipped
      av_packet_unref(packet_);
    }
    return false;
  }

  void convert(const AVFrame* frame) {
    const int in = frame ? frame->nb_samples : 0;
    const int room = swr_get_out_samples(swr_, in);
    if (room <= 0) return;
    pending_.resize(size_t(room) * 2);
    pendingAt_ = 0;
    uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(pending_.data())};
    const int made = swr_convert(swr_, outPlanes, room, frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, in);
    pending_.resize(size_t(std::max(made, 0)) * 2);
    if (frame && discardTo_ > 0) skipBeforeSeekTarget(frame);
  }

  // After a seek the decoder starts at a packet before the target: drop what comes before it.
  void skipBeforeSeekTarget(const AVFrame* frame) {
    const int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) return void(discardTo_ = 0);
    const int64_t start = av_rescale_q(pts, format_->streams[stream_]->time_base, AVRational{1, MixRate});
    const int64_t drop = std::clamp<int64_t>(discardTo_ - start, 0, int64_t(pending_.size() / 2));
    pendingAt_ = size_t(drop) * 2;
    if (start + int64_t(pending_.size() / 2) >= discardTo_) discardTo_ = 0;
  }

  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  SwrContext* swr_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  int stream_ = -1;
  std::vector<float> pending_;  // converted stereo frames not yet read
  size_t pendingAt_ = 0;
  bool draining_ = false, ended_ = false;
  int64_t discardTo_ = 0;  // output frame the last seek asked for
};

}  // namespace

}  // namespace zt

extern "C" zt::AudioStream* ztOpenAudioFile(const std::string& path, std::string& error, uint32_t* length) {
  av_log_set_level(AV_LOG_QUIET);  // a damaged file is reported through the error, not on stderr
  auto stream = std::make_unique<zt::FfmpegAudioStream>();
  if (!stream->open(path, error)) return nullptr;
  *length = stream->lengthMilliseconds();
  return stream.release();
}
