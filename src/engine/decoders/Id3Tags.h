#pragma once
// The seven tags of an MP3 from the ID3 tags libmpg123 read: version 2 where it has them, the
// short version 1 tag at the end for the rest. Genre numbers become their names. Pictures (APIC)
// go to the cover choice.

#include "CoverChoice.h"
#include "StreamFacts.h"

#include <mpg123.h>

void readId3Tags(const mpg123_id3v1* v1, const mpg123_id3v2* v2,
                 std::array<std::optional<std::string>, kTagCount>& tags);
void readId3Pictures(const mpg123_id3v2* v2, CoverChoice& cover);
