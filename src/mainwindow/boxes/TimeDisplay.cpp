#include "TimeDisplay.h"

#include "Skin.h"
#include "SkinFont.h"
#include "TimeText.h"

#include <QPainter>

TimeDisplay::TimeDisplay(AudioEngine& engine, const PlaybackState& state, const Skin& skin)
    : skin_(skin), engine_(engine), state_(state),
      image_(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied) {
    image_.fill(Qt::transparent);
}

TimeDisplay::Reading TimeDisplay::reading() const {
    Reading r{.stream = state_.Channel != 0, .elapsed = timeMode_ != 0};
    if (r.stream)
        r.seconds = r.elapsed ? engine_.CurTime(state_.Channel) : engine_.CurTimeRevers(state_.Channel);
    return r;
}

QString TimeDisplay::text() const {
    const Reading r = reading();
    const QString time = r.stream ? FormatTime(r.seconds) : QStringLiteral("00:00");
    return r.elapsed ? time : QStringLiteral("-") + time;
}

const QImage& TimeDisplay::image() {
    const QString shown = text();
    const QRgb color = skin_.rgb();
    if (shown == drawnText_ && color == drawnColor_) return image_;
    if (image_.devicePixelRatio() != paintScale()) {
        image_ = QImage(size() * paintScale(), image_.format());
        image_.setDevicePixelRatio(paintScale());
    }
    image_.fill(Qt::transparent);
    QPainter painter(&image_);
    painter.setFont(SkinFont(15, false, QStringLiteral("Chiller")));
    painter.setPen(skin_.color());
    const int left = timeMode_ != 0 ? 6 : 0;
    painter.drawText(QRect(left, 0, kWidth * 2, kHeight * 2), Qt::AlignLeft | Qt::AlignTop, shown);
    drawnText_ = shown;
    drawnColor_ = color;
    return image_;
}

std::optional<BoxValue> TimeDisplay::value() const {
    if (state_.Channel == 0) return BoxValue{};
    return BoxValue{.current = double(engine_.CurTime(state_.Channel)),
                    .maximum = double(engine_.GetAllTime(state_.Channel))};
}

void TimeDisplay::press(QPoint, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    timeMode_ = timeMode_ == 0 ? 1 : 0;
    notifyChanged();
}

void TimeDisplay::refresh() {
    const Reading now = reading();
    if (now == announced_) return;
    announced_ = now;
    notifyChanged();
}

void TimeDisplay::setTimeMode(int timeMode) {
    timeMode_ = timeMode;
    notifyChanged();
}
