#include "LocalPath.h"

#include <sys/stat.h>

#include <cctype>

bool looksLikeUrl(const std::string& path) {
    // RFC 3986 scheme: a letter, then letters, digits, '+', '-' or '.'.
    // A single letter is not treated as a scheme (it is no network scheme).
    std::size_t i = 0;
    if (path.empty() || !std::isalpha(static_cast<unsigned char>(path[0]))) return false;
    while (i < path.size() && (std::isalnum(static_cast<unsigned char>(path[i])) || path[i] == '+' ||
                               path[i] == '-' || path[i] == '.'))
        ++i;
    if (i < 2 || i >= path.size() || path[i] != ':') return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0;
}

std::string lowerExtension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
