#pragma once
// The player's one log: a line on standard error for each event a user without sound, or with a
// file not saved, would ask about, every line beginning with "vexo-mp: ". Quiet by default: only
// warnings are written; VEXO_LOG=debug adds the detail. Never from the audio thread, which must not
// wait on a file.
#include <string_view>

// Something failed, or the player fell back on something else: always written.
void LogWarning(std::string_view line);
// Detail for whoever chases a problem: written only when VEXO_LOG=debug.
void LogDebug(std::string_view line);
bool LogDebugEnabled();
