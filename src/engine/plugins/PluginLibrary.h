#pragma once
// Maps a plug-in and takes the decoders it registers, refusing what is plainly not code: an entry
// point or a decoder function that points into data or nowhere would crash the first call.
//
// The plug-in's constructors and entry point run on the calling thread; a hostile one may crash or
// hang it, which is why the player first does this in a child process (PluginTrial.h).

#include "VexoPlugin.h"

#include <string>
#include <vector>

struct PluginDecoderEntry {
    std::vector<std::string> extensions; // lower case, with the dot
    VexoDecoderFunctions functions;
};

struct PluginLibrary {
    enum class Outcome {
        Loaded,  // decoders holds what it offers; the library stays mapped for good
        NotOurs, // a library without our entry point, or one that offers nothing: ignored
        Refused, // broken or hostile: fault says why
    };
    Outcome outcome = Outcome::NotOurs;
    std::string fault;
    std::vector<PluginDecoderEntry> decoders;
};

PluginLibrary loadPluginLibrary(const std::string& path);

// True when `address` lies in an executable segment of an object mapped in this process.
bool pointsIntoCode(const void* address);

// Why what a decoder's open() reported is unusable, or empty when it is usable.
std::string decoderInfoFault(const VexoDecoderInfo& info);
