#pragma once
// Decodes a local file with FFmpeg: header facts, tags and the cover at open, then PCM.
//
// Only regular files are opened, and only the file protocol is allowed, so a name that looks like a URL never
// reaches the network (see LocalPath).

#include "Decoder.h"
#include "SwrResampler.h"

#include <memory>
#include <string>

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;

class FfmpegDecoder : public Decoder {
  public:
    // Reads the header only; nullptr when the file is missing or undecodable,
    // or when reading the header is not done by the deadline.
    static std::unique_ptr<FfmpegDecoder> open(const std::string& path, Deadline deadline = Deadline::max());
    ~FfmpegDecoder() override;

    const StreamFacts& facts() const override { return facts_; }
    std::optional<CoverArt> takeCoverArt() override { return std::move(cover_); }
    void limitReadsTo(Deadline deadline) override;
    bool timedOut() const override;
    bool failed() const override { return failed_ || timedOut(); }
    bool start(int outputRate) override;
    int read(float* stereo, int frames) override;
    bool seek(std::int64_t sourceFrame) override;

  private:
    class FileSource;
    FfmpegDecoder() = default;
    static bool playableRate(int rate);
    bool headerIsComplete() const;
    bool readHeader();
    void readCover();
    // Decodes until the resampler holds more audio; false at the end.
    bool decodeMore();
    bool receiveFrames();
    void queueFrame();

    std::unique_ptr<FileSource> source_;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int streamIndex_ = -1;
    StreamFacts facts_;
    std::optional<CoverArt> cover_;
    SwrResampler resampler_;
    int outputRate_ = 0;
    // What the resampler is set up for; a stream may change format midway.
    int inRate_ = 0;
    bool resamplerReady_ = false;
    AVSampleFormat inFormat_ = AV_SAMPLE_FMT_NONE;
    AVChannelLayout inLayout_{};
    bool demuxEnded_ = false;
    bool ended_ = false;
    bool failed_ = false; // ended by damage, not by the end of the file
    int badPackets_ = 0;
    // After a seek, decoded audio before this source frame is dropped so the
    // position lands on the sample asked for, not on the packet before it.
    std::int64_t skipBeforeFrame_ = -1;
    // Where the next decoded frame starts, and where the audio ends when the file says so more
    // exactly than FFmpeg cuts it (see TrimmedLength); at the file's rate.
    std::int64_t position_ = 0;
    std::int64_t endFrame_ = -1;
};
