#pragma once
// The seven tags from the "NAME=value" comments of FLAC and Ogg files, named as other players
// name them ("TRACKNUMBER" is the track, "DESCRIPTION" the comment, "YEAR" stands in for a
// missing "DATE"). Pictures, base64 "METADATA_BLOCK_PICTURE" comments, go to the cover choice.

#include "CoverChoice.h"
#include "StreamFacts.h"

#include <string_view>

class VorbisComments {
  public:
    explicit VorbisComments(CoverChoice& cover) : cover_(cover) {}
    void add(std::string_view comment);
    void moveTo(std::array<std::optional<std::string>, kTagCount>& tags);

  private:
    std::array<std::optional<std::string>, kTagCount> tags_;
    std::optional<std::string> year_;
    CoverChoice& cover_;
};
