#pragma once
// The decoder for a local file: the common formats by their own small libraries, everything else
// (and anything those refuse) by FFmpeg, loaded on first need.
//
// Threads: any. Only regular files open, and only by name, never as a URL.

#include "Decoder.h"

#include <memory>
#include <string>

// nullptr when the file is missing, not a regular file or undecodable, or when its header is not
// read by the deadline.
std::unique_ptr<Decoder> openFileDecoder(const std::string& path,
                                         Decoder::Deadline deadline = Decoder::Deadline::max());
