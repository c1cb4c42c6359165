#pragma once
// A plug-in is first loaded in a short-lived child process, the helper program
// vexo-plugin-probe, which maps it, calls its entry point and has each decoder open, read and
// close a small file of its kind. A crash or a hang there costs the child, and the player then
// refuses the plug-in instead of meeting the same fault itself.

#include "PluginLibrary.h"

#include <chrono>
#include <string>

inline constexpr const char* kPluginProbeProgram = "vexo-plugin-probe";
// The probe's exit statuses; on a refusal it writes why to its standard output. Any other end
// (a signal, a sanitizer's report) is a crash.
inline constexpr int kProbeAccepted = 0;
inline constexpr int kProbeNotOurs = 10;
inline constexpr int kProbeRefused = 11;

struct PluginTrial {
    PluginLibrary::Outcome outcome = PluginLibrary::Outcome::Refused;
    std::string fault; // why it was refused
};

// Runs the probe on the plug-in and waits at most `limit` for it.
PluginTrial tryPluginApart(const std::string& path, std::chrono::milliseconds limit);
