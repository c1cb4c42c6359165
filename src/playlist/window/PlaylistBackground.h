#pragma once
#include <QImage>
#include <QSize>

// The playlist window's ground: ten grey and white bands top to bottom and the "PlayList" title in
// the skin colour. Kept as one picture per size and colour.
class PlaylistBackground {
  public:
    const QImage& image(QSize size);

  private:
    QImage image_;
    QRgb paintedColor_ = 0;
};
