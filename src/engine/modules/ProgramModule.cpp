#include "ProgramModule.h"

#include "ProgramPlace.h"

#include <dlfcn.h>

void* LoadProgramModuleSymbol(const std::string& fileName, const char* symbol) {
    const std::string program = RunningProgramFolder();
    if (program.empty()) return nullptr;
    // Beside the program in its build tree; in the prefix's lib/vexo-mp once installed (where the
    // install rules put it); at the build tree's top for the test programs, which sit below it.
    const std::string top = BuildTreeTop(program);
    for (const std::string& folder : {program, program + "/../lib/vexo-mp", top}) {
        if (folder.empty()) continue;
        if (void* module = ::dlopen((folder + "/" + fileName).c_str(), RTLD_NOW | RTLD_LOCAL))
            if (void* entry = ::dlsym(module, symbol)) return entry;
    }
    return nullptr;
}
