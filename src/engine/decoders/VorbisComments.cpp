#include "VorbisComments.h"

#include <strings.h>

namespace {

struct Name {
    const char* name;
    TagKey key;
};

const Name kNames[] = {
    {"TITLE", TagKey::Title},       {"ARTIST", TagKey::Artist},   {"ALBUM", TagKey::Album},
    {"TRACKNUMBER", TagKey::Track}, {"TRACK", TagKey::Track},     {"GENRE", TagKey::Genre},
    {"DATE", TagKey::Year},         {"COMMENT", TagKey::Comment}, {"DESCRIPTION", TagKey::Comment},
};

bool named(std::string_view name, const char* wanted) {
    return name.size() == std::char_traits<char>::length(wanted) &&
           strncasecmp(name.data(), wanted, name.size()) == 0;
}

} // namespace

void VorbisComments::add(std::string_view comment) {
    const auto equals = comment.find('=');
    if (equals == std::string_view::npos || equals == 0) return;
    const std::string_view name = comment.substr(0, equals);
    if (named(name, "METADATA_BLOCK_PICTURE")) {
        cover_.offerBase64FlacPicture(comment.substr(equals + 1));
        return;
    }
    std::string value(comment.substr(equals + 1));
    if (named(name, "YEAR")) {
        if (!year_) year_ = std::move(value);
        return;
    }
    for (const Name& n : kNames) {
        if (!named(name, n.name)) continue;
        // A name given twice keeps its first value.
        auto& tag = tags_[static_cast<int>(n.key)];
        if (!tag) tag = std::move(value);
        return;
    }
}

void VorbisComments::moveTo(std::array<std::optional<std::string>, kTagCount>& tags) {
    auto& year = tags_[static_cast<int>(TagKey::Year)];
    if (!year) year = std::move(year_);
    tags = std::move(tags_);
}
