#include "VorbisDecoder.h"

#include "VorbisComments.h"

#include <vorbis/vorbisfile.h>

#include <cerrno>
#include <cstdio>

namespace {

constexpr int kPieceFrames = 4096;

size_t readFile(void* buffer, size_t size, size_t count, void* file) {
    const std::int64_t got = static_cast<GuardedFile*>(file)->read(buffer, size * count);
    if (got < 0) {
        errno = EIO; // libvorbisfile tells an error from the end by errno
        return 0;
    }
    return static_cast<size_t>(got) / size;
}

int seekFile(void* file, ogg_int64_t offset, int whence) {
    return static_cast<GuardedFile*>(file)->seek(offset, whence) < 0 ? -1 : 0;
}

long tellFile(void* file) {
    return static_cast<long>(static_cast<GuardedFile*>(file)->tell());
}

} // namespace

VorbisDecoder::VorbisDecoder(std::unique_ptr<GuardedFile> file)
    : NativeDecoder(std::move(file)), vorbis_(std::make_unique<OggVorbis_File>()) {}

std::unique_ptr<Decoder> VorbisDecoder::open(std::unique_ptr<GuardedFile> file, Deadline deadline) {
    if (!file) return nullptr;
    std::unique_ptr<VorbisDecoder> decoder(new VorbisDecoder(std::move(file)));
    decoder->file_->setDeadline(deadline);
    if (!decoder->readHeader() || decoder->timedOut()) return nullptr;
    decoder->file_->setDeadline(Deadline::max());
    return decoder;
}

VorbisDecoder::~VorbisDecoder() {
    if (opened_) ov_clear(vorbis_.get());
}

bool VorbisDecoder::readHeader() {
    const ov_callbacks callbacks{&readFile, &seekFile, nullptr, &tellFile};
    file_->seek(0, SEEK_SET);
    if (ov_open_callbacks(file_.get(), vorbis_.get(), nullptr, 0, callbacks) != 0) return false;
    opened_ = true;
    const vorbis_info* info = ov_info(vorbis_.get(), -1);
    if (!info || info->rate <= 0 || info->rate > 768000 || info->channels < 1 || info->channels > 2)
        return false;
    facts_.sampleRate = static_cast<int>(info->rate);
    facts_.channels = info->channels;
    facts_.codec = "vorbis";
    // libvorbisfile maps a file's pages before it plays; in a damaged file (a cut last page, a
    // stretch of garbage) that map may hold no audio at all, where FFmpeg's reader finds it.
    const ogg_int64_t total = ov_pcm_total(vorbis_.get(), -1);
    float** planes = nullptr;
    int link = 0;
    if (total <= 0 || ov_read_float(vorbis_.get(), &planes, 1, &link) <= 0 ||
        ov_pcm_seek(vorbis_.get(), 0) != 0)
        return false;
    facts_.lengthFrames = total;
    const long bitrate = info->bitrate_nominal > 0 ? info->bitrate_nominal : ov_bitrate(vorbis_.get(), -1);
    facts_.bitrateKbps = bitrate > 0 ? static_cast<std::uint32_t>((bitrate + 500) / 1000) : 0;
    if (const vorbis_comment* vc = ov_comment(vorbis_.get(), -1)) {
        VorbisComments comments(cover_);
        for (int i = 0; i < vc->comments; ++i)
            comments.add({vc->user_comments[i], static_cast<std::size_t>(vc->comment_lengths[i])});
        comments.moveTo(facts_.tags);
    }
    return true;
}

int VorbisDecoder::decodePiece(std::vector<float>& piece) {
    const int channels = facts_.channels;
    // Holes in the stream are skipped; a few in a row end it as damaged.
    for (int holes = 0; holes < 64; ++holes) {
        float** planes = nullptr;
        int link = 0;
        const long n = ov_read_float(vorbis_.get(), &planes, kPieceFrames, &link);
        if (n == OV_HOLE) continue;
        if (n <= 0) return n == 0 ? 0 : -1;
        const vorbis_info* info = ov_info(vorbis_.get(), link);
        // A chained stream whose later part differs cannot go on through the same resampler.
        if (!info || info->channels != channels || info->rate != facts_.sampleRate) return -1;
        piece.resize(static_cast<std::size_t>(n) * channels);
        for (long i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                piece[static_cast<std::size_t>(i) * channels + c] = planes[c][i];
        return static_cast<int>(n);
    }
    return -1;
}

bool VorbisDecoder::seekSource(std::int64_t sourceFrame) {
    return ov_pcm_seek(vorbis_.get(), sourceFrame) == 0;
}
