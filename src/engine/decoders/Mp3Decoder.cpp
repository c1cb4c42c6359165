#include "Mp3Decoder.h"

#include "Id3Tags.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kPieceFrames = 4096;

mpg123_ssize_t readFile(void* file, void* buffer, size_t bytes) {
    return static_cast<mpg123_ssize_t>(static_cast<GuardedFile*>(file)->read(buffer, bytes));
}

off_t seekFile(void* file, off_t offset, int whence) {
    return static_cast<off_t>(static_cast<GuardedFile*>(file)->seek(offset, whence));
}

bool libraryReady() {
    static const bool ready = mpg123_init() == MPG123_OK;
    return ready;
}

} // namespace

std::unique_ptr<Decoder> Mp3Decoder::open(std::unique_ptr<GuardedFile> file, Deadline deadline,
                                          std::int64_t firstFrame) {
    if (!file || !libraryReady()) return nullptr;
    std::unique_ptr<Mp3Decoder> decoder(new Mp3Decoder(std::move(file)));
    decoder->file_->setDeadline(deadline);
    int error = MPG123_OK;
    decoder->handle_ = mpg123_new(nullptr, &error);
    if (!decoder->handle_ || !decoder->readHeader(firstFrame) || decoder->timedOut()) return nullptr;
    // Decoding has no deadline: the decoder thread reads ahead at its own pace.
    decoder->file_->setDeadline(Deadline::max());
    return decoder;
}

Mp3Decoder::~Mp3Decoder() {
    if (handle_) {
        mpg123_close(handle_);
        mpg123_delete(handle_);
    }
}

bool Mp3Decoder::readHeader(std::int64_t firstFrame) {
    mpg123_handle* h = handle_;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_PICTURE, 0);
    // A damaged stretch is skipped to the next frame, however long, as other players do; the
    // first frames were found before, so this search only runs on the decoder's own thread.
    mpg123_param(h, MPG123_RESYNC_LIMIT, -1, 0);
    mpg123_format_none(h);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_replace_reader_handle(h, &readFile, &seekFile, nullptr) != MPG123_OK ||
        mpg123_open_handle(h, file_.get()) != MPG123_OK)
        return false;
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(h, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 || channels <= 0)
        return false;
    // The stream keeps the first frame's rate and channels; libmpg123 converts frames that
    // differ, so the resampler set up for them stays right.
    mpg123_format_none(h);
    mpg123_format(h, rate, channels, MPG123_ENC_FLOAT_32);

    mpg123_frameinfo info{};
    if (mpg123_info(h, &info) != MPG123_OK) return false;
    facts_.sampleRate = static_cast<int>(rate);
    facts_.channels = channels;
    facts_.codec = info.layer == 1 ? "mp1" : info.layer == 2 ? "mp2" : "mp3";
    const off_t length = mpg123_length(h);
    facts_.lengthFrames = length > 0 ? length : 0;
    facts_.bitrateKbps = bitrateKbps(info.bitrate, firstFrame);
    mpg123_id3v1* v1 = nullptr;
    mpg123_id3v2* v2 = nullptr;
    if ((mpg123_meta_check(h) & MPG123_ID3) && mpg123_id3(h, &v1, &v2) == MPG123_OK) {
        readId3Tags(v1, v2, facts_.tags);
        readId3Pictures(v2, cover_);
    }
    return true;
}

std::uint32_t Mp3Decoder::bitrateKbps(int firstFrameKbps, std::int64_t firstFrame) {
    // Encoders mark a variable rate with a "Xing" or "VBRI" frame first (LAME marks a constant
    // one "Info"); its figure is the average over the file's audio.
    char start[48] = {};
    const bool marked =
        file_->readAt(firstFrame, start, sizeof start) &&
        (std::search(start, start + sizeof start, "Xing", "Xing" + 4) != start + sizeof start ||
         std::search(start, start + sizeof start, "VBRI", "VBRI" + 4) != start + sizeof start);
    if (!marked || facts_.lengthFrames <= 0)
        return firstFrameKbps > 0 ? static_cast<std::uint32_t>(firstFrameKbps) : 0;
    char tag[3] = {};
    const bool v1 =
        file_->size() >= 128 && file_->readAt(file_->size() - 128, tag, 3) && std::memcmp(tag, "TAG", 3) == 0;
    const std::int64_t audioBytes = file_->size() - firstFrame - (v1 ? 128 : 0);
    const double seconds = static_cast<double>(facts_.lengthFrames) / facts_.sampleRate;
    return static_cast<std::uint32_t>(static_cast<double>(audioBytes) * 8 / seconds / 1000 + 0.5);
}

int Mp3Decoder::decodePiece(std::vector<float>& piece) {
    piece.resize(static_cast<std::size_t>(kPieceFrames) * facts_.channels);
    const std::size_t frameBytes = sizeof(float) * static_cast<std::size_t>(facts_.channels);
    // Format notes carry no audio, and there is one at most per frame.
    for (int notes = 0; notes < 16; ++notes) {
        size_t bytes = 0;
        const int rc = mpg123_read(handle_, piece.data(), piece.size() * sizeof(float), &bytes);
        if (bytes > 0) return static_cast<int>(bytes / frameBytes);
        if (rc == MPG123_DONE) return 0;
        if (rc != MPG123_NEW_FORMAT) return -1; // an unreadable rest
    }
    return -1;
}

bool Mp3Decoder::seekSource(std::int64_t sourceFrame) {
    return mpg123_seek(handle_, static_cast<off_t>(sourceFrame), SEEK_SET) >= 0;
}
