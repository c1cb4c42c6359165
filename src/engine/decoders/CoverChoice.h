#pragma once
// Picks a file's cover among the pictures its tags carry: the one marked as the front cover, else
// the first. Pictures that are empty or larger than kMaxCoverArtBytes are passed over.

#include "CoverArt.h"

#include <cstddef>
#include <optional>
#include <string_view>

class CoverChoice {
  public:
    // `type` numbers the picture's role as ID3 and FLAC number it.
    void offer(unsigned type, std::string_view mimeType, const unsigned char* bytes, std::size_t size);
    // A FLAC picture block: FLAC's own, or one an Ogg comment carries in base64.
    void offerFlacPicture(std::string_view block);
    void offerBase64FlacPicture(std::string_view text);
    std::optional<CoverArt> take() { return std::move(chosen_); }

  private:
    std::optional<CoverArt> chosen_;
    bool front_ = false;
};
