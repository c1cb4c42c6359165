#include "StreamOpening.h"
#include "Log.h"

#include "DecoderThread.h"
#include "FileDecoders.h"
#include "LocalPath.h"
#include "PluginRegistry.h"

#include <sys/stat.h>

#include <thread>

std::unique_ptr<Decoder> openDecoder(const PluginRegistry& plugins, const std::string& path,
                                     Decoder::Deadline deadline, bool* missing) {
    struct stat info {};
    const bool there = ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
    if (missing) *missing = !there;
    // Plug-ins open by name; the file decoders check again on their own open file.
    if (!there || !S_ISREG(info.st_mode)) return nullptr;
    std::unique_ptr<Decoder> decoder = plugins.open(path, deadline);
    if (!decoder) decoder = openFileDecoder(path, deadline);
    return decoder;
}

namespace {

bool publish(Stream& s, StreamPhase to) {
    StreamPhase expected = StreamPhase::Opening;
    // The decoder thread may have given up on the stream meanwhile: then it stays failed.
    return s.phase.compare_exchange_strong(expected, to, std::memory_order_acq_rel);
}

void open(StreamOpening& job) {
    Stream& s = *job.stream;
    const Decoder::Deadline deadline = s.openDeadline;
    if (!s.decoder) {
        bool missing = false;
        std::unique_ptr<Decoder> decoder = openDecoder(*job.plugins, s.path, deadline, &missing);
        if (!decoder) {
            LogWarning("cannot open \"" + s.path +
                       "\": " + (missing ? "it is not there" : "no decoder takes it"));
            s.openFailure = missing ? EndReason::Missing : EndReason::Failed;
            publish(s, StreamPhase::Failed);
            return;
        }
        s.adopt(std::move(decoder));
    }
    if (job.outputRate > 0) {
        const std::uint32_t request = s.seekRequest.load();
        s.decoderSerial = request;
        s.seekDone.store(request);
        // A file whose first audio takes longer than its deadline (a damaged one that sends the
        // demuxer searching) fails like one that cannot be decoded.
        s.decoder->limitReadsTo(deadline);
        const bool started = s.decoder->start(job.outputRate);
        if (started) {
            if (request != 0) s.decoder->seek(s.seekTargetFrames.load());
            DecoderThread::fill(s, job.prefillFrames);
        }
        s.decoder->limitReadsTo(Decoder::Deadline::max());
        if (!started || s.decoder->timedOut()) {
            LogWarning("the decoder gave up on \"" + s.path + "\": " +
                       (started ? "its first audio took too long" : "it has no audio it can decode"));
            // An undecodable stream ends at once, so the player moves on.
            s.decoderEnded = true;
            s.decoderFailed = true;
            s.eofSerial.store(request);
        }
    }
    if (!publish(s, job.outputRate > 0 ? StreamPhase::Ready : StreamPhase::Opened)) return;
    std::vector<std::function<void()>> due;
    {
        std::lock_guard lock(s.syncMutex);
        if (!s.freed) due.swap(s.openSyncs);
    }
    for (auto& callback : due)
        callback();
}

} // namespace

void startOpening(StreamOpening job) {
    std::thread([job = std::move(job)]() mutable {
        open(job);
        job.decoderWake->post();
    }).detach();
}
