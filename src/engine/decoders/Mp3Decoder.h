#pragma once
// MPEG audio layers I to III decoded with libmpg123, with the ID3 tags it reads.

#include "NativeDecoder.h"

struct mpg123_handle_struct;

class Mp3Decoder : public NativeDecoder {
  public:
    // Reads the header only; nullptr when libmpg123 does not find a stream by the deadline.
    // `firstFrame`: where the first frame starts, after any ID3v2 tags.
    static std::unique_ptr<Decoder> open(std::unique_ptr<GuardedFile> file, Deadline deadline,
                                         std::int64_t firstFrame);
    ~Mp3Decoder() override;

  protected:
    int decodePiece(std::vector<float>& piece) override;
    bool seekSource(std::int64_t sourceFrame) override;

  private:
    explicit Mp3Decoder(std::unique_ptr<GuardedFile> file) : NativeDecoder(std::move(file)) {}
    bool readHeader(std::int64_t firstFrame);
    std::uint32_t bitrateKbps(int firstFrameKbps, std::int64_t firstFrame);

    mpg123_handle_struct* handle_ = nullptr;
};
