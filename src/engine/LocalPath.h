#pragma once
// Playlist rows are supposed to be local files; a row holding "http://..." or
// another scheme must not make the engine open a network connection.

#include <string>

// True for a name that starts like a URL ("scheme:"), unless a local file of
// exactly that name exists (':' is an ordinary file-name character here).
bool looksLikeUrl(const std::string& path);
// The file's extension in lower case with its dot (".mp3"), or empty.
std::string lowerExtension(const std::string& path);
// True when the name is a regular file (links followed): not a folder, a
// named pipe, a device or a socket, which block or never end when read.
bool isRegularFile(const std::string& path);
