#pragma once
// Loads one of the program's own modules (vexo-*.so), so that a library only some users need is
// mapped only when it is first needed; finds its helper programs the same way.

#include <string>

// The module's `symbol`, or null when the module or the symbol is not there. The module is never
// unloaded: what it made may live as long as the program.
void* LoadProgramModuleSymbol(const std::string& fileName, const char* symbol);

// The path of the program's helper executable `fileName`, or empty when it is not there.
std::string FindProgramExecutable(const std::string& fileName);
