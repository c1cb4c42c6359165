#pragma once
// Decoder plug-ins loaded with loadPlugin, looked up by file extension.
//
// Threads: load on the GUI thread; open on any thread, also while a plug-in
// loads. Loaded objects stay loaded for the life of the process, since
// streams made by their decoders may outlive the registry's owner on the
// decoder thread.

#include "Decoder.h"
#include "VexoPlugin.h"

#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

class PluginRegistry {
  public:
    // False when the file is not a plug-in of ours (the caller ignores it).
    bool load(const std::string& path);
    // A plug-in decoder for the file, or nullptr when none claims and opens it.
    std::unique_ptr<Decoder> open(const std::string& path) const;

  private:
    struct Entry {
        std::vector<std::string> extensions; // lower case, with the dot
        VexoDecoderFunctions functions;
    };
    // context is the std::vector<Entry> the loading plug-in adds to.
    static int registerDecoder(void* context, const char* extensions, const VexoDecoderFunctions* functions);

    mutable std::shared_mutex lock_; // guards entries_
    std::vector<Entry> entries_;
};
