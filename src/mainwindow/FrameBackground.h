#pragma once
#include <QImage>
#include <QString>

class Skin;

// The main window's ground: the grey gradient with the tilted "Vexo MP" title in the skin colour.
// Kept as one picture per height and colour, so the frequent box repaints only copy it.
class FrameBackground {
  public:
    static constexpr int kWidth = 320;

    // The face the title is drawn in; when the font is missing the platform substitutes one.
    explicit FrameBackground(const Skin& skin, const QString& titleFace = QStringLiteral("Chiller"));

    // scale: device pixels per window pixel; the title is drawn at that resolution.
    const QImage& image(int height, int scale = 1);

  private:
    const Skin& skin_;
    QString titleFace_;
    QImage image_;
    QRgb paintedColor_ = 0;
    int paintedHeight_ = 0;
};
