#pragma once
// Decoder plug-ins loaded with loadPlugin, looked up by file extension.
//
// A plug-in is our users' code, so a bad one must cost only itself: its file is checked before it
// is mapped, it is first loaded and tried in a child process (PluginTrial.h), what its decoders
// report is checked, and an open that hangs is given up at the caller's deadline.
//
// Threads: load on the GUI thread; open on any thread, also while a plug-in
// loads. Loaded objects stay loaded for the life of the process, since
// streams made by their decoders may outlive the registry's owner on the
// decoder thread.

#include "Decoder.h"
#include "PluginLibrary.h"

#include <atomic>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>
#include <vector>

class PluginRegistry {
  public:
    // Why the plug-in was refused, in words for the user; nullopt when it loaded or is not a
    // plug-in of ours (a library without our entry point, which is ignored).
    std::optional<std::string> load(const std::string& path);
    // A plug-in decoder for the file, or nullptr when none claims and opens it by the deadline.
    std::unique_ptr<Decoder> open(const std::string& path, Decoder::Deadline deadline) const;

  private:
    struct Entry {
        PluginDecoderEntry decoder;
        // Opens given up at their deadline and still running inside the plug-in.
        std::shared_ptr<std::atomic<int>> hanging = std::make_shared<std::atomic<int>>(0);
    };

    mutable std::shared_mutex lock_; // guards entries_
    std::vector<Entry> entries_;
};
