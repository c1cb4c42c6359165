#pragma once
// Where the running program sits. Its own files are found relative to it, never by a path built
// in, so one binary works in its build tree and in any install prefix.

#include <string>

// The running program's folder, without a trailing slash; empty when the system cannot tell.
std::string RunningProgramFolder();

// The top of the build tree that `folder` lies in: the folder itself or the nearest of the three
// above it (where the test programs and benchmarks sit) that holds CMakeCache.txt. Empty outside
// a build tree, as for an installed program.
std::string BuildTreeTop(const std::string& folder);
