#include "TimeDisplay.h"

#include "SkinColor.h"
#include "SkinFont.h"
#include "TimeText.h"

#include <QPainter>

TimeDisplay::TimeDisplay(AudioEngine& engine, const PlaybackState& state)
    : engine_(engine), state_(state), image_(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied) {
    image_.fill(Qt::transparent);
}

QString TimeDisplay::Text() const {
    QString time = QStringLiteral("00:00");
    if (state_.Channel != 0)
        time = FormatTime(timeMode_ != 0 ? engine_.CurTime(state_.Channel)
                                         : engine_.CurTimeRevers(state_.Channel));
    return timeMode_ != 0 ? time : QStringLiteral("-") + time;
}

const QImage& TimeDisplay::image() {
    const QString text = Text();
    const QRgb color = SkinColor().rgb();
    if (text == drawnText_ && color == drawnColor_) return image_;
    image_.fill(Qt::transparent);
    QPainter painter(&image_);
    painter.setFont(SkinFont(15, false, QStringLiteral("Chiller")));
    painter.setPen(SkinColor());
    const int left = timeMode_ != 0 ? 6 : 0;
    painter.drawText(QRect(left, 0, kWidth * 2, kHeight * 2), Qt::AlignLeft | Qt::AlignTop, text);
    drawnText_ = text;
    drawnColor_ = color;
    return image_;
}

void TimeDisplay::press(QPoint, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    timeMode_ = timeMode_ == 0 ? 1 : 0;
    notifyChanged();
}

void TimeDisplay::Refresh() {
    if (Text() != drawnText_) notifyChanged();
}

void TimeDisplay::SetTimeMode(int timeMode) {
    timeMode_ = timeMode;
    notifyChanged();
}
