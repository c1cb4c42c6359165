#pragma once
// FLAC files of one or two channels decoded with libFLAC, with their comments as tags and their
// picture blocks for the cover.

#include "NativeDecoder.h"

#include <FLAC/stream_decoder.h>

#include <cstdint>

class FlacDecoder : public NativeDecoder {
  public:
    // Reads the header only; nullptr when libFLAC finds no stream by the deadline, or one this
    // decoder leaves to FFmpeg (more than two channels).
    static std::unique_ptr<Decoder> open(std::unique_ptr<GuardedFile> file, Deadline deadline);
    ~FlacDecoder() override;

  protected:
    int decodePiece(std::vector<float>& piece) override;
    bool seekSource(std::int64_t sourceFrame) override;

  private:
    struct Callbacks;
    explicit FlacDecoder(std::unique_ptr<GuardedFile> file) : NativeDecoder(std::move(file)) {}
    bool readHeader();

    FLAC__StreamDecoder* decoder_ = nullptr;
    std::vector<float> pending_; // decoded, interleaved, not yet handed out
    int bitsPerSample_ = 0;
    bool damaged_ = false;
};
