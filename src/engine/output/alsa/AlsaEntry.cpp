// The module's entry point (see AlsaModule.h).
#include "AlsaModule.h"
#include "OutputAlsa.h"

#include <type_traits>

extern "C" __attribute__((visibility("default"))) AudioOutput* vexo_alsa_make() {
    return new OutputAlsa();
}
static_assert(std::is_same_v<decltype(&vexo_alsa_make), AlsaMakeFunction>);
