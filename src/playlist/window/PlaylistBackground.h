#pragma once
#include <QImage>
#include <QSize>

class Skin;

// The playlist window's ground: ten grey and white bands top to bottom and the "PlayList" title in
// the skin colour. Kept as one picture per size and colour.
class PlaylistBackground {
  public:
    explicit PlaylistBackground(const Skin& skin) : skin_(skin) {}

    // scale: device pixels per window pixel; the title is drawn at that resolution.
    const QImage& image(QSize size, int scale = 1);

  private:
    const Skin& skin_;
    QImage image_;
    QRgb paintedColor_ = 0;
    QSize paintedSize_;
};
