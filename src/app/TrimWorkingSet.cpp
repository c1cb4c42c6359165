#include "TrimWorkingSet.h"

#include <malloc.h>

void TrimWorkingSet() {
    malloc_trim(0);
}
