#include "ProgramModule.h"

#include "ProgramPlace.h"

#include <dlfcn.h>
#include <unistd.h>

#include <vector>

namespace {

// Beside the program in its build tree; in the prefix's lib/vexo-mp once installed (where the
// install rules put its files); at the build tree's top for the test programs, which sit below it.
std::vector<std::string> programFileFolders() {
    const std::string program = RunningProgramFolder();
    if (program.empty()) return {};
    std::vector<std::string> folders{program, program + "/../lib/vexo-mp"};
    if (std::string top = BuildTreeTop(program); !top.empty()) folders.push_back(std::move(top));
    return folders;
}

} // namespace

void* LoadProgramModuleSymbol(const std::string& fileName, const char* symbol) {
    for (const std::string& folder : programFileFolders()) {
        if (void* module = ::dlopen((folder + "/" + fileName).c_str(), RTLD_NOW | RTLD_LOCAL))
            if (void* entry = ::dlsym(module, symbol)) return entry;
    }
    return nullptr;
}

std::string FindProgramExecutable(const std::string& fileName) {
    for (const std::string& folder : programFileFolders()) {
        const std::string path = folder + "/" + fileName;
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return {};
}
