#pragma once

// Gives the heap's unused pages back to the system, so memory freed after a burst of work
// (start-up, a dialog, a track change) is the system's again.
void TrimWorkingSet();
