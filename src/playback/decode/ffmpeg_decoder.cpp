#include "playback/decode/ffmpeg_decoder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "base/log.h"
#include "playback/decode/sample_format.h"
#include "tags/id3.h"
#include "tags/mpeg_header.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

namespace youran {

namespace {

constexpr std::string_view kLog = "playback";
constexpr int kProbeBytes = 4096;
// More channels or a higher rate than this is a damaged header, not a
// recording.
constexpr int kMaxChannels = 64;
constexpr int kMaxRate = 768000;
// A network read that makes no progress for this long gives up.
constexpr const char* kNetworkTimeoutMicros = "15000000";
// After a seek, lossy decoders need a little audio before the target to
// rebuild their state (the MP3 bit reservoir, AAC/Vorbis overlap).
constexpr int64_t kLossyPrerollFrames = 4096;

struct FormatCloser {
  void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct IoFree {
  void operator()(AVIOContext* io) const {
    if (!io) return;
    av_freep(&io->buffer);
    avio_context_free(&io);
  }
};

std::string errorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// Bytes the ID3v2 tag at the start of `bytes` takes on disk, 0 when there
// is none.
size_t id3v2Size(std::span<const uint8_t> bytes) {
  const auto tag = ParseId3v2Header(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return tag ? static_cast<size_t>(tag->totalSize) : 0;
}

// Demuxer named by a file extension, from the extension lists libavformat's
// demuxers declare. Built once.
const AVInputFormat* demuxerForExtension(const std::string& ext) {
  static const std::map<std::string, const AVInputFormat*> table = [] {
    std::map<std::string, const AVInputFormat*> t;
    void* it = nullptr;
    while (const AVInputFormat* f = av_demuxer_iterate(&it)) {
      if (!f->extensions) continue;
      std::string_view list = f->extensions;
      while (!list.empty()) {
        auto comma = list.find(',');
        std::string one(list.substr(0, comma));
        t.emplace(one, f);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
      }
    }
    // Containers whose demuxers list no extensions, or list them under a
    // sibling demuxer.
    const std::pair<const char*, const char*> extra[] = {
        {"ogg", "ogg"}, {"oga", "ogg"}, {"opus", "ogg"}, {"wma", "asf"}, {"asf", "asf"},
        {"m4a", "mov,mp4,m4a,3gp,3g2,mj2"}, {"mp4", "mov,mp4,m4a,3gp,3g2,mj2"}};
    for (auto [ext, name] : extra) {
      if (const AVInputFormat* f = av_find_input_format(name)) t.emplace(ext, f);
    }
    return t;
  }();
  if (ext.empty()) return nullptr;
  auto at = table.find(ext);
  return at == table.end() ? nullptr : at->second;
}

// Demuxer chosen from the first bytes after any ID3v2 tag; a large embedded
// cover otherwise makes libavformat read and probe the whole tag.
const AVInputFormat* demuxerForBytes(std::span<const uint8_t> head, const std::string& name) {
  std::vector<uint8_t> padded(head.size() + AVPROBE_PADDING_SIZE, 0);
  std::memcpy(padded.data(), head.data(), head.size());
  AVProbeData probe{};
  probe.filename = name.c_str();
  probe.buf = padded.data();
  probe.buf_size = static_cast<int>(head.size());
  int score = 0;
  const AVInputFormat* f = av_probe_input_format3(&probe, 1, &score);
  return score >= AVPROBE_SCORE_EXTENSION ? f : nullptr;
}

// avcodec_find_decoder walks the whole codec list; a conversion pass asks
// for the same few decoders thousands of times.
const AVCodec* decoderFor(AVCodecID id) {
  static std::mutex lock;
  static std::map<AVCodecID, const AVCodec*> found;
  std::lock_guard guard(lock);
  auto [at, added] = found.emplace(id, nullptr);
  if (added) at->second = avcodec_find_decoder(id);
  return at->second;
}

// `count` bytes from `skip` on, unbuffered: a stdio stream would read a
// whole buffer to answer for the ten bytes of an ID3v2 header.
std::vector<uint8_t> readFileHead(const std::string& path, size_t skip, size_t count) {
  std::vector<uint8_t> bytes;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  bytes.resize(count);
  ssize_t got = ::pread(fd, bytes.data(), count, static_cast<off_t>(skip));
  bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
  ::close(fd);
  return bytes;
}

// Size of the ID3v2 tag a file or memory block starts with (0 when none).
size_t leadingTagSize(const DecoderSource& source) {
  if (!source.path.empty()) return id3v2Size(readFileHead(source.path, 0, 10));
  return std::min(id3v2Size(source.memory), source.memory.size());
}

const AVInputFormat* guessDemuxer(const DecoderSource& source, size_t tagSize) {
  if (!source.path.empty()) {
    if (auto f = demuxerForExtension(lowerExtension(source.path))) return f;
    return demuxerForBytes(readFileHead(source.path, tagSize, kProbeBytes), source.path);
  }
  if (!source.memory.empty()) {
    auto head = source.memory.subspan(tagSize, std::min<size_t>(kProbeBytes, source.memory.size() - tagSize));
    return demuxerForBytes(head, {});
  }
  return nullptr;
}

// A memory block read through a custom AVIOContext. The decoder keeps its own
// copy, so the caller's block may go away after createStream.
struct MemoryReader {
  std::vector<uint8_t> bytes;
  int64_t at = 0;

  static int read(void* opaque, uint8_t* buf, int size) {
    auto* self = static_cast<MemoryReader*>(opaque);
    int64_t left = static_cast<int64_t>(self->bytes.size()) - self->at;
    if (left <= 0) return AVERROR_EOF;
    int n = static_cast<int>(std::min<int64_t>(left, size));
    std::memcpy(buf, self->bytes.data() + self->at, n);
    self->at += n;
    return n;
  }
  static int64_t seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<MemoryReader*>(opaque);
    auto size = static_cast<int64_t>(self->bytes.size());
    if (whence & AVSEEK_SIZE) return size;
    int64_t to = offset;
    switch (whence & ~AVSEEK_FORCE) {
      case SEEK_SET: break;
      case SEEK_CUR: to = self->at + offset; break;
      case SEEK_END: to = size + offset; break;
      default: return -1;
    }
    if (to < 0 || to > size) return -1;
    self->at = to;
    return to;
  }
};

class FfmpegDecoder final : public Decoder {
 public:
  ~FfmpegDecoder() override = default;

  // fast: trust the demuxer chosen from the extension or first bytes and skip
  // avformat_find_stream_info when the header alone gives rate, channels and
  // length. defer (with fast): leave the decoder closed until it is needed.
  bool open(const DecoderSource& source, bool fast, bool defer = false) {
    format_.reset(avformat_alloc_context());
    if (!format_) return false;
    format_->interrupt_callback.callback = &FfmpegDecoder::interrupted;
    format_->interrupt_callback.opaque = this;
    const size_t tagSize = fast ? leadingTagSize(source) : 0;
    const AVInputFormat* demuxer = fast ? guessDemuxer(source, tagSize) : nullptr;
    if (fast && !demuxer) return false;
    // Start past the ID3v2 tag: the engine needs none of it, and a large
    // cover would otherwise be read and copied on every open.
    format_->skip_initial_bytes = static_cast<int64_t>(tagSize);

    std::string target;
    AVDictionary* options = nullptr;
    if (!source.path.empty()) {
      target = source.path;
      // Reading only the headers and tags: small reads, so that a jump to the
      // tags at the end of a short file seeks instead of reading through it.
      if (defer) av_dict_set(&options, "blocksize", "4096", 0);
    } else if (!source.memory.empty()) {
      memory_ = std::make_unique<MemoryReader>();
      memory_->bytes.assign(source.memory.begin(), source.memory.end());
      constexpr int kIoBuffer = 32768;
      auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBuffer));
      if (!buffer) return false;
      io_.reset(avio_alloc_context(buffer, kIoBuffer, 0, memory_.get(), &MemoryReader::read, nullptr,
                                   &MemoryReader::seek));
      if (!io_) {
        av_free(buffer);
        return false;
      }
      format_->pb = io_.get();
      format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    } else {
      target = source.url;
      av_dict_set(&options, "rw_timeout", kNetworkTimeoutMicros, 0);
      av_dict_set(&options, "reconnect", "1", 0);
    }

    AVFormatContext* raw = format_.release();
    int rc = avformat_open_input(&raw, target.empty() ? nullptr : target.c_str(), demuxer, &options);
    av_dict_free(&options);
    if (rc < 0) {  // avformat_open_input frees the context on failure
      if (!fast) logWarning(kLog, "cannot open " + describe(source) + ": " + errorText(rc));
      return false;
    }
    format_.reset(raw);

    if (!fast) {
      rc = avformat_find_stream_info(format_.get(), nullptr);
      if (rc < 0) {
        logWarning(kLog, "no stream information in " + describe(source) + ": " + errorText(rc));
        return false;
      }
    }
    const AVCodec* codec = nullptr;
    if (fast) {
      // av_find_best_stream passes over audio whose rate and channels only
      // decoding will tell (MP3 before avformat_find_stream_info): take the
      // first audio stream with a decoder.
      for (unsigned i = 0; i < format_->nb_streams && !codec; ++i) {
        const AVCodecParameters* par = format_->streams[i]->codecpar;
        if (par->codec_type != AVMEDIA_TYPE_AUDIO || par->codec_id == AV_CODEC_ID_NONE) continue;
        codec = decoderFor(par->codec_id);
        if (codec) streamIndex_ = static_cast<int>(i);
      }
    } else {
      streamIndex_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    }
    if (streamIndex_ < 0 || !codec) {
      if (!fast) logWarning(kLog, "no decodable audio in " + describe(source));
      return false;
    }
    stream_ = format_->streams[streamIndex_];
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
      if (static_cast<int>(i) != streamIndex_) format_->streams[i]->discard = AVDISCARD_ALL;
    }
    codecType_ = codec;
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec->id);
    lossy_ = !descriptor || !(descriptor->props & AV_CODEC_PROP_LOSSLESS);
    packet_.reset(av_packet_alloc());
    if (!packet_) return false;

    if (defer) {
      // Rate, channels and length from the headers alone; the decoder is
      // opened by the first read or seek, which a length query never makes.
      if (!formatFromHeaders()) return false;
      info_.lengthFrames = lengthFromHeader();
      if (info_.lengthFrames < 0 && heldPacket_) info_.lengthFrames = lengthFromBitrate();
      endFrame_ = paddedContainer() ? info_.lengthFrames : -1;
      return info_.lengthFrames >= 0;
    }
    if (!startDecoding()) {
      if (!fast) logWarning(kLog, "no audio frame decodes in " + describe(source));
      return false;
    }
    info_.lengthFrames = lengthFromHeader();
    if (fast && info_.lengthFrames < 0) return false;
    endFrame_ = paddedContainer() ? info_.lengthFrames : -1;
    return true;
  }

  StreamFormat format() const override { return info_; }

  int read(float* out, int maxFrames) override {
    if (!decoding_ && !startDecoding()) return 0;
    if (endFrame_ >= 0) maxFrames = static_cast<int>(std::clamp<int64_t>(endFrame_ - position_, 0, maxFrames));
    int written = 0;
    while (written < maxFrames) {
      // A frame whose layout differs from the first one (it may have fewer
      // planes than the stream has channels) is dropped, never read.
      if (frameOffset_ >= frame_->nb_samples || frame_->ch_layout.nb_channels != info_.channels) {
        if (!receiveFrame()) break;
        continue;
      }
      int n = std::min(frame_->nb_samples - frameOffset_, maxFrames - written);
      copyFrame(out + int64_t(written) * info_.channels, n);
      frameOffset_ += n;
      written += n;
      position_ += n;
    }
    return written;
  }

  bool seek(int64_t frame) override {
    if (!decoding_ && !startDecoding()) return false;
    if (frame < 0) frame = 0;
    if (frame == position_ && !ended_) return true;
    int64_t from = std::max<int64_t>(0, frame - (lossy_ ? kLossyPrerollFrames : 0));
    int64_t ts = av_rescale_q(from + origin_, AVRational{1, info_.rate}, stream_->time_base);
    if (stream_->start_time != AV_NOPTS_VALUE) ts = std::max(ts, stream_->start_time);
    bool ok = from > 0 && av_seek_frame(format_.get(), streamIndex_, ts, AVSEEK_FLAG_BACKWARD) >= 0;
    if (!ok) return rewindAndSkip(frame);
    avcodec_flush_buffers(codec_.get());
    ended_ = false;
    drained_ = false;
    if (!receiveFrame()) return false;
    int64_t at = frameTimestamp();
    if (at == AV_NOPTS_VALUE || at > frame) return rewindAndSkip(frame);
    frameStart_ = at;
    return skipTo(frame);
  }

  void abort() override { aborted_.store(true, std::memory_order_relaxed); }

 private:
  static int interrupted(void* opaque) {
    return static_cast<FfmpegDecoder*>(opaque)->aborted_.load(std::memory_order_relaxed) ? 1 : 0;
  }

  static std::string describe(const DecoderSource& source) {
    if (!source.path.empty()) return source.path;
    if (!source.memory.empty()) return "a memory block";
    return source.url;
  }

  // Opens the codec and decodes the first frame, which gives the real rate
  // and channel count (headers may leave them out) and the timestamp that
  // counts as frame 0. When the format was already taken from the headers,
  // a first frame that disagrees with it ends the stream.
  bool startDecoding() {
    if (codecFailed_) return false;
    codecFailed_ = true;  // until the first frame is in
    codec_.reset(avcodec_alloc_context3(codecType_));
    if (!codec_ || avcodec_parameters_to_context(codec_.get(), stream_->codecpar) < 0) return false;
    codec_->pkt_timebase = stream_->time_base;
    codec_->thread_count = 1;
    if (avcodec_open2(codec_.get(), codecType_, nullptr) < 0) return false;
    frame_.reset(av_frame_alloc());
    if (!frame_ || !receiveFrame()) return false;
    const int rate = frame_->sample_rate > 0 ? frame_->sample_rate : codec_->sample_rate;
    const int channels = frame_->ch_layout.nb_channels;
    if (info_.rate > 0 && (rate != info_.rate || channels != info_.channels)) {
      ended_ = true;
      return false;
    }
    info_.rate = rate;
    info_.channels = channels;
    if (info_.rate <= 0 || info_.rate > kMaxRate || info_.channels <= 0 || info_.channels > kMaxChannels)
      return false;
    int64_t ts = frame_->best_effort_timestamp;
    origin_ = ts == AV_NOPTS_VALUE ? 0 : av_rescale_q(ts, stream_->time_base, AVRational{1, info_.rate});
    frameStart_ = 0;
    frameOffset_ = 0;
    codecFailed_ = false;
    decoding_ = true;
    return true;
  }

  // Rate and channels without decoding: lossless codecs, Vorbis, Opus and
  // WMA decode at the rate and channel count their headers state; an MP3
  // frame header states them for every frame, so the first packet is read
  // and kept for the decoder. AAC may decode at twice the rate its header
  // says (SBR), so it is decoded to find out.
  bool formatFromHeaders() {
    const AVCodecParameters* par = stream_->codecpar;
    const AVCodecID id = par->codec_id;
    const bool trusted = !lossy_ || id == AV_CODEC_ID_VORBIS || id == AV_CODEC_ID_OPUS ||
                         id == AV_CODEC_ID_WMAV1 || id == AV_CODEC_ID_WMAV2;
    if (trusted && par->sample_rate > 0 && par->sample_rate <= kMaxRate &&
        par->ch_layout.nb_channels > 0 && par->ch_layout.nb_channels <= kMaxChannels) {
      info_.rate = par->sample_rate;
      info_.channels = par->ch_layout.nb_channels;
      return true;
    }
    if (id != AV_CODEC_ID_MP3) return false;
    for (int tries = 0; tries < 8; ++tries) {
      if (av_read_frame(format_.get(), packet_.get()) < 0) return false;
      if (packet_->stream_index == streamIndex_ && packet_->size >= 4) break;
      av_packet_unref(packet_.get());
    }
    if (packet_->size < 4) return false;
    auto header = ParseMpegFrameHeader(
        std::string_view(reinterpret_cast<const char*>(packet_->data), 4));
    if (!header || header->layer != 1) {
      av_packet_unref(packet_.get());
      return false;
    }
    info_.rate = static_cast<int>(header->sampleRate);
    info_.channels = header->channelMode == 3 ? 1 : 2;
    firstFrameBitRate_ = int64_t{header->bitrateKbps} * 1000;
    heldPacket_ = true;
    return true;
  }

  // An MP3 without a Xing, Info or VBRI header states no length; a full
  // open (avformat_find_stream_info) then estimates it from the bytes after
  // the first frame and the bit rate. Same estimate, same arithmetic, from
  // the first frame's header instead of the decoded frames.
  int64_t lengthFromBitrate() const {
    const int64_t size = avio_size(format_->pb);
    const int64_t bytes = size - packet_->pos;
    if (packet_->pos < 0 || bytes <= 0 || firstFrameBitRate_ <= 0) return -1;
    const AVRational tb = stream_->time_base;
    if (tb.num <= 0 || tb.num > INT64_MAX / firstFrameBitRate_) return -1;
    const int64_t duration = av_rescale(bytes, 8LL * tb.den, firstFrameBitRate_ * tb.num);
    return av_rescale_q(duration, tb, AVRational{1, info_.rate});
  }

  int64_t lengthFromHeader() const {
    if (stream_->duration != AV_NOPTS_VALUE && stream_->duration > 0) {
      int64_t frames = av_rescale_q(stream_->duration, stream_->time_base, AVRational{1, info_.rate});
      // The MP3 demuxer counts the encoder delay of a LAME/Info header in the
      // duration and reports it as the start time, while the decoder skips it.
      if (stream_->codecpar->codec_id == AV_CODEC_ID_MP3 && stream_->start_time != AV_NOPTS_VALUE &&
          stream_->start_time > 0) {
        frames -= av_rescale_q(stream_->start_time, stream_->time_base, AVRational{1, info_.rate});
      }
      return std::max<int64_t>(frames, 0);
    }
    if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0) {
      return av_rescale(format_->duration, info_.rate, AV_TIME_BASE);
    }
    return -1;
  }

  // An MP4 edit list gives the exact number of samples, which libavformat
  // keeps as the stream's duration and libavcodec does not apply at the
  // end: the encoder's padding after the last real sample (AAC pads its
  // last frame out to 1024) would be heard as a short silence between two
  // tracks played without a gap. The start (the encoder's delay) is
  // already skipped by the decoder. Other containers either say where the
  // audio ends in each packet (MP3's LAME header, Ogg granules) or carry
  // no padding.
  bool paddedContainer() const {
    return lossy_ && info_.lengthFrames > 0 && format_->iformat &&
           std::string_view(format_->iformat->name).starts_with("mov,");
  }

  int64_t frameTimestamp() const {
    int64_t ts = frame_->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) return AV_NOPTS_VALUE;
    return av_rescale_q(ts, stream_->time_base, AVRational{1, info_.rate}) - origin_;
  }

  // Decodes from the start, counting frames; for streams whose timestamps do
  // not say where a seek landed.
  bool rewindAndSkip(int64_t frame) {
    int64_t ts = stream_->start_time != AV_NOPTS_VALUE ? stream_->start_time : 0;
    if (av_seek_frame(format_.get(), streamIndex_, ts, AVSEEK_FLAG_BACKWARD) < 0 &&
        avformat_seek_file(format_.get(), -1, INT64_MIN, 0, 0, 0) < 0) {
      return false;
    }
    avcodec_flush_buffers(codec_.get());
    ended_ = false;
    drained_ = false;
    if (!receiveFrame()) return false;
    frameStart_ = 0;
    return skipTo(frame);
  }

  // The current frame starts at frameStart_; drop whole frames and then
  // samples until `frame`.
  bool skipTo(int64_t frame) {
    frameOffset_ = 0;
    while (frameStart_ + frame_->nb_samples <= frame) {
      frameStart_ += frame_->nb_samples;
      if (!receiveFrame()) {
        position_ = frameStart_;
        frameOffset_ = 0;
        return false;
      }
    }
    frameOffset_ = static_cast<int>(frame - frameStart_);
    position_ = frame;
    return true;
  }

  void copyFrame(float* out, int frames) {
    convertToFloat(static_cast<AVSampleFormat>(frame_->format), frame_->extended_data, info_.channels,
                   frameOffset_, frames, out);
  }

  // Next decoded frame into frame_; false at the end or on a fatal error.
  // Corrupt packets are skipped.
  bool receiveFrame() {
    if (ended_) return false;
    int badPackets = 0;
    for (;;) {
      int rc = avcodec_receive_frame(codec_.get(), frame_.get());
      if (rc >= 0) {
        if (frame_->nb_samples <= 0) continue;
        if (!isSupportedSampleFormat(static_cast<AVSampleFormat>(frame_->format))) {
          ended_ = true;
          return false;
        }
        frameOffset_ = 0;
        return true;
      }
      if (rc == AVERROR_EOF || (rc != AVERROR(EAGAIN))) {
        if (rc != AVERROR_EOF && ++badPackets < 64) continue;
        ended_ = true;
        return false;
      }
      if (drained_) {
        ended_ = true;
        return false;
      }
      // A packet read while the format was taken from the headers comes first.
      rc = heldPacket_ ? 0 : av_read_frame(format_.get(), packet_.get());
      heldPacket_ = false;
      if (rc < 0) {
        drained_ = true;
        avcodec_send_packet(codec_.get(), nullptr);
        continue;
      }
      if (packet_->stream_index == streamIndex_) {
        if (avcodec_send_packet(codec_.get(), packet_.get()) < 0 && ++badPackets > 1000) {
          av_packet_unref(packet_.get());
          ended_ = true;
          return false;
        }
      }
      av_packet_unref(packet_.get());
    }
  }

  std::unique_ptr<MemoryReader> memory_;
  std::unique_ptr<AVIOContext, IoFree> io_;
  std::unique_ptr<AVFormatContext, FormatCloser> format_;
  std::unique_ptr<AVCodecContext, CodecCloser> codec_;
  std::unique_ptr<AVFrame, FrameFree> frame_;
  std::unique_ptr<AVPacket, PacketFree> packet_;
  AVStream* stream_ = nullptr;
  const AVCodec* codecType_ = nullptr;
  int streamIndex_ = -1;
  StreamFormat info_;
  int64_t origin_ = 0;      // timestamp of frame 0, in samples
  int64_t frameStart_ = 0;  // stream frame of frame_'s first sample
  int frameOffset_ = 0;     // samples of frame_ already read
  int64_t position_ = 0;    // stream frame the next read returns
  int64_t endFrame_ = -1;   // reads stop here when the container says so
  bool lossy_ = true;
  bool ended_ = false;
  bool drained_ = false;
  bool heldPacket_ = false;   // packet_ holds the first packet, not yet sent
  int64_t firstFrameBitRate_ = 0;  // bit/s of the first MP3 frame, when measured
  bool decoding_ = false;     // codec open and the first frame decoded
  bool codecFailed_ = false;  // the decoder could not start; reads give 0
  std::atomic<bool> aborted_{false};
};

}  // namespace

std::unique_ptr<Decoder> openFfmpegDecoder(const DecoderSource& source, DecoderUse use) {
  // libavformat and libavcodec print every damaged frame; the engine logs
  // its own reasons instead.
  static std::once_flag quiet;
  std::call_once(quiet, [] {
    if (!std::getenv("YOURAN_FFMPEG_LOG")) av_log_set_level(AV_LOG_QUIET);
  });
  if (source.path.empty() && source.memory.empty() && source.url.empty()) return nullptr;
  const bool local = source.url.empty() || !source.path.empty() || !source.memory.empty();
  if (local && use == DecoderUse::Measure) {
    auto deferred = std::make_unique<FfmpegDecoder>();
    if (deferred->open(source, true, true)) return deferred;
  }
  if (local) {
    auto fast = std::make_unique<FfmpegDecoder>();
    if (fast->open(source, true)) return fast;
  }
  auto full = std::make_unique<FfmpegDecoder>();
  if (full->open(source, false)) return full;
  return nullptr;
}

}  // namespace youran
