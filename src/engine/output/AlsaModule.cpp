#include "AlsaModule.h"

#include "ProgramModule.h"

std::unique_ptr<AudioOutput> makeAlsaOutput() {
    // A function-local static is made once, and callers on other threads wait for it.
    static const auto make =
        reinterpret_cast<AlsaMakeFunction>(LoadProgramModuleSymbol("vexo-alsa.so", kAlsaMakeSymbol));
    return std::unique_ptr<AudioOutput>(make ? make() : nullptr);
}
