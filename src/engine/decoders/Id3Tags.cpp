#include "Id3Tags.h"

#include <mpg123.h>

#include <cstdio>
#include <cstring>
#include <string_view>
#include <strings.h>

namespace {

// The genre numbers of ID3 version 1, with the extensions every tagger knows.
const char* const kGenres[] = {
    "Blues",
    "Classic Rock",
    "Country",
    "Dance",
    "Disco",
    "Funk",
    "Grunge",
    "Hip-Hop",
    "Jazz",
    "Metal",
    "New Age",
    "Oldies",
    "Other",
    "Pop",
    "R&B",
    "Rap",
    "Reggae",
    "Rock",
    "Techno",
    "Industrial",
    "Alternative",
    "Ska",
    "Death Metal",
    "Pranks",
    "Soundtrack",
    "Euro-Techno",
    "Ambient",
    "Trip-Hop",
    "Vocal",
    "Jazz+Funk",
    "Fusion",
    "Trance",
    "Classical",
    "Instrumental",
    "Acid",
    "House",
    "Game",
    "Sound Clip",
    "Gospel",
    "Noise",
    "AlternRock",
    "Bass",
    "Soul",
    "Punk",
    "Space",
    "Meditative",
    "Instrumental Pop",
    "Instrumental Rock",
    "Ethnic",
    "Gothic",
    "Darkwave",
    "Techno-Industrial",
    "Electronic",
    "Pop-Folk",
    "Eurodance",
    "Dream",
    "Southern Rock",
    "Comedy",
    "Cult",
    "Gangsta",
    "Top 40",
    "Christian Rap",
    "Pop/Funk",
    "Jungle",
    "Native American",
    "Cabaret",
    "New Wave",
    "Psychedelic",
    "Rave",
    "Showtunes",
    "Trailer",
    "Lo-Fi",
    "Tribal",
    "Acid Punk",
    "Acid Jazz",
    "Polka",
    "Retro",
    "Musical",
    "Rock & Roll",
    "Hard Rock",
    "Folk",
    "Folk-Rock",
    "National Folk",
    "Swing",
    "Fast Fusion",
    "Bebop",
    "Latin",
    "Revival",
    "Celtic",
    "Bluegrass",
    "Avantgarde",
    "Gothic Rock",
    "Progressive Rock",
    "Psychedelic Rock",
    "Symphonic Rock",
    "Slow Rock",
    "Big Band",
    "Chorus",
    "Easy Listening",
    "Acoustic",
    "Humour",
    "Speech",
    "Chanson",
    "Opera",
    "Chamber Music",
    "Sonata",
    "Symphony",
    "Booty Bass",
    "Primus",
    "Porn Groove",
    "Satire",
    "Slow Jam",
    "Club",
    "Tango",
    "Samba",
    "Folklore",
    "Ballad",
    "Power Ballad",
    "Rhythmic Soul",
    "Freestyle",
    "Duet",
    "Punk Rock",
    "Drum Solo",
    "A Cappella",
    "Euro-House",
    "Dance Hall",
    "Goa",
    "Drum & Bass",
    "Club-House",
    "Hardcore Techno",
    "Terror",
    "Indie",
    "BritPop",
    "Negerpunk",
    "Polsk Punk",
    "Beat",
    "Christian Gangsta Rap",
    "Heavy Metal",
    "Black Metal",
    "Crossover",
    "Contemporary Christian",
    "Christian Rock",
    "Merengue",
    "Salsa",
    "Thrash Metal",
    "Anime",
    "Jpop",
    "Synthpop",
    "Abstract",
    "Art Rock",
    "Baroque",
    "Bhangra",
    "Big Beat",
    "Breakbeat",
    "Chillout",
    "Downtempo",
    "Dub",
    "EBM",
    "Eclectic",
    "Electro",
    "Electroclash",
    "Emo",
    "Experimental",
    "Garage",
    "Global",
    "IDM",
    "Illbient",
    "Industro-Goth",
    "Jam Band",
    "Krautrock",
    "Leftfield",
    "Lounge",
    "Math Rock",
    "New Romantic",
    "Nu-Breakz",
    "Post-Punk",
    "Post-Rock",
    "Psytrance",
    "Shoegaze",
    "Space Rock",
    "Trop Rock",
    "World Music",
    "Neoclassical",
    "Audiobook",
    "Audio Theatre",
    "Neue Deutsche Welle",
    "Podcast",
    "Indie Rock",
    "G-Funk",
    "Dubstep",
    "Garage Rock",
    "Psybient",
};
constexpr int kGenreCount = static_cast<int>(sizeof(kGenres) / sizeof(kGenres[0]));

const char* const kUserTextNames[kTagCount] = {"title", "artist", "album",  "track",
                                               "genre", "date",   "comment"};

// The first of the texts a field may hold (they are separated by zero bytes).
std::optional<std::string> firstText(const mpg123_string* s) {
    if (!s || !s->p || s->fill == 0) return std::nullopt;
    std::string text(s->p, strnlen(s->p, s->fill));
    if (text.empty()) return std::nullopt;
    return text;
}

const mpg123_string* field(const mpg123_id3v2* v2, const char id[4]) {
    const mpg123_string* found = nullptr;
    for (size_t i = 0; i < v2->texts; ++i)
        if (std::memcmp(v2->text[i].id, id, 4) == 0) found = &v2->text[i].text; // the last one counts
    return found;
}

// "(17)" or "17" is the genre of that number; any other text is the genre's name itself.
std::string genreName(const std::string& text) {
    int number = -1;
    char rest = 0;
    if ((std::sscanf(text.c_str(), "(%d)%c", &number, &rest) >= 1 ||
         std::sscanf(text.c_str(), "%d%c", &number, &rest) == 1) &&
        number >= 0 && number < kGenreCount)
        return kGenres[number];
    return text;
}

// A fixed-size field of the version 1 tag: up to its first zero byte, without the trailing
// spaces, from Latin-1 to UTF-8.
std::optional<std::string> latin1Field(const char* bytes, std::size_t size) {
    std::size_t n = strnlen(bytes, size);
    while (n > 0 && bytes[n - 1] == ' ')
        --n;
    if (n == 0) return std::nullopt;
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

void fromVersion2(const mpg123_id3v2& v2, std::array<std::optional<std::string>, kTagCount>& tags) {
    auto set = [&tags](TagKey key, std::optional<std::string> value) {
        if (value) tags[static_cast<int>(key)] = std::move(value);
    };
    set(TagKey::Title, firstText(field(&v2, "TIT2")));
    set(TagKey::Artist, firstText(field(&v2, "TPE1")));
    set(TagKey::Album, firstText(field(&v2, "TALB")));
    set(TagKey::Track, firstText(field(&v2, "TRCK")));
    if (auto genre = firstText(field(&v2, "TCON"))) set(TagKey::Genre, genreName(*genre));
    // Version 2.4 keeps the recording time whole; 2.3 splits it into the year and a day "DDMM".
    auto year = firstText(field(&v2, "TDRC"));
    if (!year) {
        year = firstText(field(&v2, "TYER"));
        const auto day = firstText(field(&v2, "TDAT"));
        if (year && day && day->size() == 4) *year += "-" + day->substr(2, 2) + "-" + day->substr(0, 2);
    }
    set(TagKey::Year, year);
    set(TagKey::Comment, firstText(v2.comment));
    // Other taggers (FFmpeg among them) write the fields version 2.3 has no frame for as
    // user-defined texts named after the tag.
    for (int key = 0; key < kTagCount; ++key) {
        for (size_t i = 0; i < v2.extras && !tags[key]; ++i) {
            const mpg123_text& extra = v2.extra[i];
            if (extra.description.p && strcasecmp(extra.description.p, kUserTextNames[key]) == 0)
                tags[key] = firstText(&extra.text);
        }
    }
}

void fromVersion1(const mpg123_id3v1& v1, std::array<std::optional<std::string>, kTagCount>& tags) {
    if (std::memcmp(v1.tag, "TAG", 3) != 0) return;
    auto fill = [&tags](TagKey key, std::optional<std::string> value) {
        auto& tag = tags[static_cast<int>(key)];
        if (!tag && value) tag = std::move(value);
    };
    fill(TagKey::Title, latin1Field(v1.title, sizeof v1.title));
    fill(TagKey::Artist, latin1Field(v1.artist, sizeof v1.artist));
    fill(TagKey::Album, latin1Field(v1.album, sizeof v1.album));
    fill(TagKey::Year, latin1Field(v1.year, sizeof v1.year));
    // Version 1.1 gives the comment's last byte to the track number, after a zero byte.
    const bool hasTrack = v1.comment[28] == 0 && v1.comment[29] != 0;
    fill(TagKey::Comment, latin1Field(v1.comment, hasTrack ? 28 : sizeof v1.comment));
    if (hasTrack) fill(TagKey::Track, std::to_string(static_cast<unsigned char>(v1.comment[29])));
    if (v1.genre < kGenreCount) fill(TagKey::Genre, std::string(kGenres[v1.genre]));
}

} // namespace

void readId3Tags(const mpg123_id3v1* v1, const mpg123_id3v2* v2,
                 std::array<std::optional<std::string>, kTagCount>& tags) {
    if (v2) fromVersion2(*v2, tags);
    if (v1) fromVersion1(*v1, tags);
}

void readId3Pictures(const mpg123_id3v2* v2, CoverChoice& cover) {
    if (!v2) return;
    for (size_t i = 0; i < v2->pictures; ++i) {
        const mpg123_picture& picture = v2->picture[i];
        const mpg123_string& mime = picture.mime_type;
        const std::string_view mimeType(mime.p ? mime.p : "", mime.p ? strnlen(mime.p, mime.fill) : 0);
        cover.offer(static_cast<unsigned char>(picture.type), mimeType, picture.data, picture.size);
    }
}
