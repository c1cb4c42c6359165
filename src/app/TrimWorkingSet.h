#pragma once

// Gives the heap's unused pages back to the system, so the player's resident size drops after a
// burst of work (start-up, a dialog, a track change).
void TrimWorkingSet();
