#pragma once
// Ogg Vorbis files of one or two channels decoded with libvorbisfile, with their comments as tags.

#include "NativeDecoder.h"

#include <memory>

struct OggVorbis_File;

class VorbisDecoder : public NativeDecoder {
  public:
    // Reads the header only; nullptr when libvorbisfile finds no stream by the deadline, or one
    // this decoder leaves to FFmpeg (more than two channels).
    static std::unique_ptr<Decoder> open(std::unique_ptr<GuardedFile> file, Deadline deadline);
    ~VorbisDecoder() override;

  protected:
    int decodePiece(std::vector<float>& piece) override;
    bool seekSource(std::int64_t sourceFrame) override;

  private:
    explicit VorbisDecoder(std::unique_ptr<GuardedFile> file);
    bool readHeader();

    std::unique_ptr<OggVorbis_File> vorbis_;
    bool opened_ = false;
};
