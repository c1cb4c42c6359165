#pragma once
// Opens a stream's file, starts its decoder and prefills its ring on a thread of its own, so that
// neither the window nor the decoder thread ever waits for a file. A read that blocks (a hung
// network mount) keeps only this thread: the decoder thread gives up on the stream at its
// deadline, and the thread ends whenever the read returns, dropping what it made.

#include "Decoder.h"
#include "Stream.h"
#include "WakeSignal.h"

#include <memory>

class PluginRegistry;

struct StreamOpening {
    std::shared_ptr<Stream> stream;
    std::shared_ptr<const PluginRegistry> plugins;
    std::shared_ptr<WakeSignal> decoderWake; // told when the stream is ready or failed
    int outputRate = 0;                      // 0: open only, there is no output to start for
    int prefillFrames = 0;
};

// Any thread: a decoder for the file with its header read by the deadline, or nullptr. `missing`
// says the path named nothing to play (nothing there, or a folder).
std::unique_ptr<Decoder> openDecoder(const PluginRegistry& plugins, const std::string& path,
                                     Decoder::Deadline deadline, bool* missing = nullptr);

// The stream's phase must be Opening and its openDeadline set; the work runs detached.
void startOpening(StreamOpening job);
