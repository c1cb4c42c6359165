#include "FfmpegDecoder.h"

#include "LocalPath.h"
#include "TrimmedLength.h"

#include "decoders/GuardedFile.h"
#include "decoders/RiffWave.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
}

namespace {

// A file that keeps failing to decode is damaged beyond use; treat it as ended
// rather than reading the rest of it packet by packet.
constexpr int kMaxBadPacketsInARow = 500;

const char* const kTagNames[kTagCount][2] = {
    {"title", nullptr}, {"artist", nullptr}, {"album", nullptr},   {"track", nullptr},
    {"genre", nullptr}, {"date", "year"},    {"comment", nullptr},
};

std::optional<std::string> findTag(const AVDictionary* formatTags, const AVDictionary* streamTags,
                                   const char* const names[2]) {
    for (int i = 0; i < 2 && names[i]; ++i) {
        for (const AVDictionary* d : {formatTags, streamTags}) {
            if (const AVDictionaryEntry* e = av_dict_get(d, names[i], nullptr, 0))
                return std::string(e->value);
        }
    }
    return std::nullopt;
}

constexpr int kIoBufferBytes = 64 * 1024;

} // namespace

// The file as FFmpeg reads it: opened once by us, rather than by name through FFmpeg, so that
// only a regular file is read and the name cannot be swapped for a pipe in between (see
// GuardedFile). The size is taken once: demuxers ask for it often (the WAV reader once per chunk),
// and each answer would otherwise be a system call.
//
// Until the header is read, every read, seek and FFmpeg's own checks between them give up once the
// deadline has passed: some damaged files keep a demuxer searching for minutes, and the caller may
// be the window's thread.
class FfmpegDecoder::FileSource {
  public:
    static std::unique_ptr<FileSource> open(const std::string& path) {
        std::unique_ptr<GuardedFile> file = GuardedFile::open(path);
        if (!file) return nullptr;
        // The audio a WAV's header describes plays; a tail after its chunks is not searched.
        file->endAt(riffWaveEnd(*file));
        return std::unique_ptr<FileSource>(new FileSource(std::move(file)));
    }
    GuardedFile& file() { return *file_; }
    void setDeadline(Deadline deadline) { file_->setDeadline(deadline); }
    bool timedOut() const { return file_->timedOut(); }
    // FFmpeg's interrupt callback: nonzero stops what it is doing.
    static int expired(void* opaque) { return static_cast<FileSource*>(opaque)->file_->pastDeadline(); }
    ~FileSource() {
        if (io_) av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    AVIOContext* io() {
        if (!io_) {
            auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
            if (!buffer) return nullptr;
            io_ = avio_alloc_context(buffer, kIoBufferBytes, 0, this, &FileSource::read, nullptr,
                                     &FileSource::seek);
            if (!io_) av_free(buffer);
        }
        return io_;
    }

  private:
    explicit FileSource(std::unique_ptr<GuardedFile> file) : file_(std::move(file)) {}

    // Why a call failed, as FFmpeg wants to hear it.
    int failure() const { return file_->timedOut() ? AVERROR_EXIT : AVERROR(EIO); }

    static int read(void* opaque, std::uint8_t* buffer, int size) {
        auto* self = static_cast<FileSource*>(opaque);
        const std::int64_t got = self->file_->read(buffer, static_cast<std::size_t>(size));
        if (got > 0) return static_cast<int>(got);
        return got == 0 ? AVERROR_EOF : self->failure();
    }

    static std::int64_t seek(void* opaque, std::int64_t offset, int whence) {
        auto* self = static_cast<FileSource*>(opaque);
        if (whence & AVSEEK_SIZE) return self->file_->size();
        const std::int64_t at = self->file_->seek(offset, whence & ~AVSEEK_FORCE);
        return at < 0 ? self->failure() : at;
    }

    std::unique_ptr<GuardedFile> file_;
    AVIOContext* io_ = nullptr;
};

std::unique_ptr<FfmpegDecoder> FfmpegDecoder::open(const std::string& path, Deadline deadline) {
    if (path.empty() || looksLikeUrl(path)) return nullptr;
    std::unique_ptr<FfmpegDecoder> decoder(new FfmpegDecoder);
    decoder->source_ = FileSource::open(path);
    if (!decoder->source_) return nullptr;
    decoder->source_->setDeadline(deadline);
    decoder->format_ = avformat_alloc_context();
    if (!decoder->format_) return nullptr;
    decoder->format_->interrupt_callback = {&FileSource::expired, decoder->source_.get()};
    decoder->format_->pb = decoder->source_->io();
    if (!decoder->format_->pb) return nullptr;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    // The name only guides the guess of the format by extension; the
    // whitelist keeps references inside the file (playlists of segments) local.
    const std::string url = "file:" + path;
    const int rc = avformat_open_input(&decoder->format_, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    // A header walk cut short may still look complete; the file is not played
    // from a reader that gave up half-way.
    if (rc < 0 || !decoder->readHeader() || decoder->timedOut()) return nullptr;
    // Decoding has no deadline: the decoder thread reads ahead at its own pace.
    decoder->source_->setDeadline(Deadline::max());
    return decoder;
}

void FfmpegDecoder::limitReadsTo(Deadline deadline) {
    source_->setDeadline(deadline);
}

bool FfmpegDecoder::timedOut() const {
    return source_->timedOut();
}

FfmpegDecoder::~FfmpegDecoder() {
    av_channel_layout_uninit(&inLayout_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
    source_.reset(); // after the format context, which reads through it
}

bool FfmpegDecoder::headerIsComplete() const {
    if (format_->nb_streams != 1) return false;
    const AVStream* stream = format_->streams[0];
    const AVCodecParameters* par = stream->codecpar;
    return par->codec_type == AVMEDIA_TYPE_AUDIO && par->codec_id != AV_CODEC_ID_NONE &&
           par->sample_rate > 0 && par->ch_layout.nb_channels > 0 && par->bit_rate > 0 &&
           stream->duration != AV_NOPTS_VALUE && stream->duration > 0;
}

bool FfmpegDecoder::playableRate(int rate) {
    // Beyond the highest rate any recording uses, a rate is damage; a resampler built for it
    // takes seconds and memory for nothing.
    constexpr int kMaxSampleRate = 768000;
    return rate > 0 && rate <= kMaxSampleRate;
}

bool FfmpegDecoder::readHeader() {
    // Probing decodes the start of the file; for PCM it reads seconds of it.
    // When the header already says everything, the playlist's scan of a
    // folder should not pay for that.
    if (!headerIsComplete() && avformat_find_stream_info(format_, nullptr) < 0) return false;
    streamIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (streamIndex_ < 0) return false;
    const AVStream* stream = format_->streams[streamIndex_];
    const AVCodecParameters* par = stream->codecpar;
    if (!avcodec_find_decoder(par->codec_id) || !playableRate(par->sample_rate) ||
        par->ch_layout.nb_channels <= 0)
        return false;

    facts_.sampleRate = par->sample_rate;
    facts_.channels = par->ch_layout.nb_channels;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        facts_.lengthFrames =
            av_rescale_q(stream->duration, stream->time_base, AVRational{1, par->sample_rate});
    else if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0)
        facts_.lengthFrames = av_rescale(format_->duration, par->sample_rate, AV_TIME_BASE);
    endFrame_ = trimmedLength(*format_, *stream, source_->file());
    if (endFrame_ > 0) facts_.lengthFrames = endFrame_;
    const std::int64_t bitsPerSecond = par->bit_rate > 0 ? par->bit_rate : format_->bit_rate;
    facts_.bitrateKbps = bitsPerSecond > 0 ? static_cast<std::uint32_t>((bitsPerSecond + 500) / 1000) : 0;
    facts_.codec = avcodec_get_name(par->codec_id);
    for (int i = 0; i < kTagCount; ++i)
        facts_.tags[i] = findTag(format_->metadata, stream->metadata, kTagNames[i]);
    readCover();
    return true;
}

void FfmpegDecoder::readCover() {
    // The demuxers turn a file's pictures (MP4 "covr", ID3 APIC, FLAC and Ogg picture blocks) into
    // streams of one packet, read with the header; each keeps the picture's role as its comment.
    const AVStream* chosen = nullptr;
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        const AVStream* s = format_->streams[i];
        const int size = s->attached_pic.size;
        if (!(s->disposition & AV_DISPOSITION_ATTACHED_PIC) || size <= 0 ||
            static_cast<std::size_t>(size) > kMaxCoverArtBytes || !s->attached_pic.data)
            continue;
        const AVDictionaryEntry* role = av_dict_get(s->metadata, "comment", nullptr, 0);
        const bool front = role && std::string_view(role->value) == "Cover (front)";
        if (!chosen || front) chosen = s;
        if (front) break;
    }
    if (!chosen) return;
    CoverArt cover;
    const AVCodecDescriptor* codec = avcodec_descriptor_get(chosen->codecpar->codec_id);
    if (codec && codec->mime_types && codec->mime_types[0]) cover.mimeType = codec->mime_types[0];
    cover.bytes.assign(chosen->attached_pic.data, chosen->attached_pic.data + chosen->attached_pic.size);
    cover_ = std::move(cover);
}

bool FfmpegDecoder::start(int outputRate) {
    if (codec_) return true;
    const AVStream* stream = format_->streams[streamIndex_];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    codec_ = avcodec_alloc_context3(codec);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (!codec_ || !packet_ || !frame_ || avcodec_parameters_to_context(codec_, stream->codecpar) < 0) {
        avcodec_free_context(&codec_);
        return false;
    }
    codec_->pkt_timebase = stream->time_base;
    // The engine decodes far ahead of playback on one thread; codec threads
    // would only add wake-ups.
    codec_->thread_count = 1;
    if (avcodec_open2(codec_, codec, nullptr) < 0) {
        avcodec_free_context(&codec_);
        return false;
    }
    outputRate_ = outputRate;
    return true;
}

int FfmpegDecoder::read(float* stereo, int frames) {
    if (!codec_) return 0;
    int done = 0;
    while (done < frames) {
        done += resampler_.pull(stereo + static_cast<std::ptrdiff_t>(done) * 2, frames - done);
        if (done < frames && !decodeMore()) break;
    }
    return done;
}

bool FfmpegDecoder::decodeMore() {
    if (ended_) return false;
    for (;;) {
        int rc = avcodec_receive_frame(codec_, frame_);
        if (rc == 0) {
            badPackets_ = 0;
            queueFrame();
            av_frame_unref(frame_);
            return true;
        }
        if (rc == AVERROR_EOF || (rc == AVERROR(EAGAIN) && demuxEnded_)) {
            resampler_.drain();
            ended_ = true;
            return true;
        }
        if (rc != AVERROR(EAGAIN) && ++badPackets_ > kMaxBadPacketsInARow) {
            ended_ = failed_ = true;
            return false;
        }
        if (demuxEnded_) continue;
        rc = av_read_frame(format_, packet_);
        if (rc < 0) {
            // End of file or an unreadable rest: let the codec hand out what it holds.
            demuxEnded_ = true;
            failed_ = rc != AVERROR_EOF;
            avcodec_send_packet(codec_, nullptr);
            continue;
        }
        if (packet_->stream_index == streamIndex_) {
            rc = avcodec_send_packet(codec_, packet_);
            if (rc < 0 && rc != AVERROR(EAGAIN) && ++badPackets_ > kMaxBadPacketsInARow)
                ended_ = failed_ = true;
        }
        av_packet_unref(packet_);
        if (ended_) return false;
    }
}

void FfmpegDecoder::queueFrame() {
    const int rate = frame_->sample_rate > 0 ? frame_->sample_rate : facts_.sampleRate;
    const int channels = frame_->ch_layout.nb_channels;
    const auto format = static_cast<AVSampleFormat>(frame_->format);
    if (channels <= 0 || rate <= 0) return;

    int offset = 0;
    if (skipBeforeFrame_ >= 0) {
        position_ = skipBeforeFrame_;
        if (frame_->best_effort_timestamp != AV_NOPTS_VALUE) {
            const AVStream* stream = format_->streams[streamIndex_];
            const std::int64_t origin = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
            const std::int64_t first =
                av_rescale_q(frame_->best_effort_timestamp - origin, stream->time_base, AVRational{1, rate});
            if (first + frame_->nb_samples <= skipBeforeFrame_) return;
            if (first < skipBeforeFrame_) offset = static_cast<int>(skipBeforeFrame_ - first);
            position_ = std::max(first, skipBeforeFrame_);
        }
    }
    skipBeforeFrame_ = -1;
    // The encoder's padding fills the last frame past the end the file gives.
    int count = frame_->nb_samples - offset;
    if (endFrame_ > 0 && rate == facts_.sampleRate)
        count = static_cast<int>(std::clamp<std::int64_t>(endFrame_ - position_, 0, count));
    position_ += count;
    if (count <= 0) return;

    const bool changed = rate != inRate_ || format != inFormat_ ||
                         av_channel_layout_compare(&frame_->ch_layout, &inLayout_) != 0;
    if (changed) {
        av_channel_layout_uninit(&inLayout_);
        av_channel_layout_copy(&inLayout_, &frame_->ch_layout);
        inRate_ = rate;
        inFormat_ = format;
        // A format the resampler refuses is skipped until it changes, not tried again at every
        // frame: for an absurd rate each try costs seconds.
        resamplerReady_ =
            playableRate(rate) && resampler_.configure(frame_->ch_layout, format, rate, outputRate_);
    }
    if (!resamplerReady_) return;

    const std::uint8_t* planes[64];
    const bool planar = av_sample_fmt_is_planar(format);
    const int planeCount = planar ? std::min(channels, 64) : 1;
    const int step = av_get_bytes_per_sample(format) * (planar ? 1 : channels) * offset;
    for (int i = 0; i < planeCount; ++i)
        planes[i] = frame_->extended_data[i] + step;
    resampler_.push(planes, count);
}

bool FfmpegDecoder::seek(std::int64_t sourceFrame) {
    if (!codec_) return false;
    const AVStream* stream = format_->streams[streamIndex_];
    const std::int64_t origin = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    const std::int64_t target =
        origin + av_rescale_q(sourceFrame, AVRational{1, facts_.sampleRate}, stream->time_base);
    if (av_seek_frame(format_, streamIndex_, target, AVSEEK_FLAG_BACKWARD) < 0 &&
        avformat_seek_file(format_, streamIndex_, INT64_MIN, target, target, 0) < 0)
        return false;
    avcodec_flush_buffers(codec_);
    resampler_.clear();
    demuxEnded_ = false;
    ended_ = false;
    failed_ = false;
    badPackets_ = 0;
    skipBeforeFrame_ = sourceFrame;
    return true;
}
