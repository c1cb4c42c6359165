#pragma once
// What the decoders built on a format's own library share: the guarded file, the facts, and
// the fold to stereo at the output rate. A subclass hands out pieces of interleaved float audio
// at the file's own rate and channel count.

#include "CoverChoice.h"
#include "Decoder.h"
#include "GuardedFile.h"
#include "Resampler.h"

#include <memory>
#include <vector>

class NativeDecoder : public Decoder {
  public:
    const StreamFacts& facts() const override { return facts_; }
    std::optional<CoverArt> takeCoverArt() override { return cover_.take(); }
    void limitReadsTo(Deadline deadline) override { file_->setDeadline(deadline); }
    bool timedOut() const override { return file_->timedOut(); }
    bool failed() const override { return failed_ || timedOut(); }
    bool start(int outputRate) override;
    int read(float* stereo, int frames) override;
    bool seek(std::int64_t sourceFrame) override;

  protected:
    explicit NativeDecoder(std::unique_ptr<GuardedFile> file) : file_(std::move(file)) {}
    // Decodes the next piece into `piece` (resized to hold it); its frame count, 0 at the end,
    // -1 when the rest cannot be decoded.
    virtual int decodePiece(std::vector<float>& piece) = 0;
    virtual bool seekSource(std::int64_t sourceFrame) = 0;

    std::unique_ptr<GuardedFile> file_;
    StreamFacts facts_;
    CoverChoice cover_;

  private:
    Resampler resampler_;
    std::vector<float> piece_;
    bool started_ = false;
    bool ended_ = false;
    bool failed_ = false;
};
