#include "ProgramPlace.h"

#include <array>
#include <climits>
#include <unistd.h>

std::string RunningProgramFolder() {
    std::array<char, PATH_MAX> exe{};
    const ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size() - 1);
    if (n <= 0) return {};
    const std::string path(exe.data(), static_cast<std::size_t>(n));
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string BuildTreeTop(const std::string& folder) {
    std::string candidate = folder;
    for (int above = 0; above <= 3; ++above) {
        if (candidate.empty()) break;
        if (::access((candidate + "/CMakeCache.txt").c_str(), F_OK) == 0) return candidate;
        const std::size_t slash = candidate.find_last_of('/');
        // The file system's root is never a build tree's top.
        candidate.erase(slash == std::string::npos ? 0 : slash);
    }
    return {};
}
