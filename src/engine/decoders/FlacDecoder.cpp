#include "FlacDecoder.h"

#include "VorbisComments.h"

#include <FLAC/stream_decoder.h>

#include <cstdio>

// libFLAC's callbacks, reading through the guarded file.
struct FlacDecoder::Callbacks {
    static FlacDecoder& self(void* client) { return *static_cast<FlacDecoder*>(client); }

    static FLAC__StreamDecoderReadStatus read(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes,
                                              void* client) {
        const std::int64_t got = self(client).file_->read(buffer, *bytes);
        *bytes = got > 0 ? static_cast<size_t>(got) : 0;
        if (got < 0) return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
        return got == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM
                        : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
    }
    static FLAC__StreamDecoderSeekStatus seek(const FLAC__StreamDecoder*, FLAC__uint64 offset, void* client) {
        return self(client).file_->seek(static_cast<std::int64_t>(offset), SEEK_SET) < 0
                   ? FLAC__STREAM_DECODER_SEEK_STATUS_ERROR
                   : FLAC__STREAM_DECODER_SEEK_STATUS_OK;
    }
    static FLAC__StreamDecoderTellStatus tell(const FLAC__StreamDecoder*, FLAC__uint64* offset,
                                              void* client) {
        const std::int64_t at = self(client).file_->tell();
        if (at < 0) return FLAC__STREAM_DECODER_TELL_STATUS_ERROR;
        *offset = static_cast<FLAC__uint64>(at);
        return FLAC__STREAM_DECODER_TELL_STATUS_OK;
    }
    static FLAC__StreamDecoderLengthStatus length(const FLAC__StreamDecoder*, FLAC__uint64* bytes,
                                                  void* client) {
        *bytes = static_cast<FLAC__uint64>(self(client).file_->size());
        return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
    }
    static FLAC__bool eof(const FLAC__StreamDecoder*, void* client) {
        return self(client).file_->tell() >= self(client).file_->size();
    }
    static FLAC__StreamDecoderWriteStatus write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                const FLAC__int32* const channels[], void* client) {
        FlacDecoder& d = self(client);
        const int count = d.facts_.channels;
        // A frame that disagrees with the stream's header is damage.
        if (static_cast<int>(frame->header.channels) != count ||
            static_cast<int>(frame->header.bits_per_sample) != d.bitsPerSample_) {
            d.damaged_ = true;
            return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
        }
        const float scale = 1.0f / static_cast<float>(std::int64_t{1} << (d.bitsPerSample_ - 1));
        const std::size_t start = d.pending_.size();
        d.pending_.resize(start + static_cast<std::size_t>(frame->header.blocksize) * count);
        float* out = d.pending_.data() + start;
        for (unsigned i = 0; i < frame->header.blocksize; ++i)
            for (int c = 0; c < count; ++c)
                *out++ = static_cast<float>(channels[c][i]) * scale;
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }
    static void metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block, void* client) {
        FlacDecoder& d = self(client);
        if (block->type == FLAC__METADATA_TYPE_STREAMINFO) {
            const auto& info = block->data.stream_info;
            d.facts_.sampleRate = static_cast<int>(info.sample_rate);
            d.facts_.channels = static_cast<int>(info.channels);
            d.facts_.lengthFrames = static_cast<std::int64_t>(info.total_samples);
            d.bitsPerSample_ = static_cast<int>(info.bits_per_sample);
        } else if (block->type == FLAC__METADATA_TYPE_VORBIS_COMMENT) {
            VorbisComments comments(d.cover_);
            const auto& vc = block->data.vorbis_comment;
            for (FLAC__uint32 i = 0; i < vc.num_comments; ++i)
                comments.add({reinterpret_cast<const char*>(vc.comments[i].entry), vc.comments[i].length});
            comments.moveTo(d.facts_.tags);
        } else if (block->type == FLAC__METADATA_TYPE_PICTURE) {
            const auto& picture = block->data.picture;
            d.cover_.offer(picture.type, picture.mime_type ? picture.mime_type : "", picture.data,
                           picture.data_length);
        }
    }
    // libFLAC finds the next frame after a damaged one by itself.
    static void error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {}
};

std::unique_ptr<Decoder> FlacDecoder::open(std::unique_ptr<GuardedFile> file, Deadline deadline) {
    if (!file) return nullptr;
    std::unique_ptr<FlacDecoder> decoder(new FlacDecoder(std::move(file)));
    decoder->file_->setDeadline(deadline);
    decoder->decoder_ = FLAC__stream_decoder_new();
    if (!decoder->decoder_ || !decoder->readHeader() || decoder->timedOut()) return nullptr;
    decoder->file_->setDeadline(Deadline::max());
    return decoder;
}

FlacDecoder::~FlacDecoder() {
    if (decoder_) FLAC__stream_decoder_delete(decoder_);
}

bool FlacDecoder::readHeader() {
    FLAC__stream_decoder_set_metadata_respond(decoder_, FLAC__METADATA_TYPE_VORBIS_COMMENT);
    FLAC__stream_decoder_set_metadata_respond(decoder_, FLAC__METADATA_TYPE_PICTURE);
    if (FLAC__stream_decoder_init_stream(decoder_, &Callbacks::read, &Callbacks::seek, &Callbacks::tell,
                                         &Callbacks::length, &Callbacks::eof, &Callbacks::write,
                                         &Callbacks::metadata, &Callbacks::error,
                                         this) != FLAC__STREAM_DECODER_INIT_STATUS_OK ||
        !FLAC__stream_decoder_process_until_end_of_metadata(decoder_))
        return false;
    const int rate = facts_.sampleRate;
    if (rate <= 0 || rate > 768000 || facts_.channels < 1 || facts_.channels > 2 || bitsPerSample_ < 4 ||
        bitsPerSample_ > 32)
        return false;
    facts_.codec = "flac";
    if (facts_.lengthFrames > 0) {
        // As FFmpeg tells it: the whole file over the whole time.
        const double seconds = static_cast<double>(facts_.lengthFrames) / rate;
        facts_.bitrateKbps =
            static_cast<std::uint32_t>(static_cast<double>(file_->size()) * 8 / seconds / 1000 + 0.5);
    }
    return true;
}

int FlacDecoder::decodePiece(std::vector<float>& piece) {
    while (pending_.empty()) {
        // After a failed read libFLAC stays aborted, and processing in that state succeeds at
        // doing nothing: only the states before the end still decode.
        const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(decoder_);
        if (state == FLAC__STREAM_DECODER_END_OF_STREAM) return 0;
        if (state > FLAC__STREAM_DECODER_END_OF_STREAM || damaged_) return -1;
        if (!FLAC__stream_decoder_process_single(decoder_)) return -1;
    }
    piece.swap(pending_);
    pending_.clear();
    return static_cast<int>(piece.size()) / facts_.channels;
}

bool FlacDecoder::seekSource(std::int64_t sourceFrame) {
    pending_.clear();
    damaged_ = false;
    // The decoder hands the frame holding the target to the write callback, already cut to start
    // at the target.
    if (FLAC__stream_decoder_seek_absolute(decoder_, static_cast<FLAC__uint64>(sourceFrame))) return true;
    pending_.clear();
    FLAC__stream_decoder_flush(decoder_);
    return false;
}
