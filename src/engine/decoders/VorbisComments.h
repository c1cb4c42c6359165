#pragma once
// The seven tags from the "NAME=value" comments of FLAC and Ogg files, named as other players
// name them ("TRACKNUMBER" is the track, "DESCRIPTION" the comment, "YEAR" stands in for a
// missing "DATE").

#include "StreamFacts.h"

#include <string_view>

class VorbisComments {
  public:
    void add(std::string_view comment);
    void moveTo(std::array<std::optional<std::string>, kTagCount>& tags);

  private:
    std::array<std::optional<std::string>, kTagCount> tags_;
    std::optional<std::string> year_;
};
