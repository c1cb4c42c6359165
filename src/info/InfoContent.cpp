#include "InfoContent.h"

#include "InfoTexts.h"

namespace {
QString Tag(const std::optional<std::string>& tag) {
    return tag ? QString::fromStdString(*tag) : QString();
}
} // namespace

InfoContent ReadInfoContent(AudioEngine& engine, StreamHandle channel, const QString& codecText,
                            const QString& bitrateText, const QColor& skin) {
    InfoContent content;
    content.artist = Tag(engine.TagArtist(channel));
    content.title = Tag(engine.TagTitle(channel));
    content.album = Tag(engine.TagAlbum(channel));
    content.genre = Tag(engine.TagGenre(channel));
    content.track = Tag(engine.TagTrack(channel));
    content.year = Tag(engine.TagYear(channel));
    content.comment = Tag(engine.TagComment(channel));
    content.codecText = codecText;
    content.bitrateText = bitrateText;
    const std::optional<ChannelInfo> info = engine.streamInfo(channel);
    content.frequencyText = FrequencyText(info ? std::optional<int>(info->sampleRate) : std::nullopt);
    content.skin = skin;
    return content;
}
