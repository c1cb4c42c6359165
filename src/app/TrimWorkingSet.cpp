#include "TrimWorkingSet.h"

#include <malloc.h>

void TrimWorkingSet() {
    // Freed heap in the middle of the arena stays mapped until asked for;
    // malloc_trim returns it to the system. Code and library pages are left
    // alone: dropping them frees nothing (they stay in the page cache) and the
    // next paint would fault them straight back.
    malloc_trim(0);
}
