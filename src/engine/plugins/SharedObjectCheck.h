#pragma once
// What can be known of a plug-in before it is mapped. dlopen trusts the file: a copy cut short
// maps pages past its end, and the first touch of one kills the process with SIGBUS.

#include <string>

// Why the file cannot be a shared object that this process maps in full, in words for the user
// ("it is cut short"), or empty when it can: a regular file holding an ELF shared object of the
// running program's own class, byte order and machine, whose program headers, loadable segments
// and section headers all lie inside it.
std::string sharedObjectFault(const std::string& path);
