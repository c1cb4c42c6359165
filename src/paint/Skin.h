#pragma once
#include <QColor>
#include <QObject>

// The player's skin: the one user colour its marks, titles and texts are painted in. Every painter
// reads it from here at each paint; a window repaints what it shows on `changed`, and a picture
// cached in the old colour is drawn again at its next use. Pure green until the settings are read.
// GUI thread only.
class Skin : public QObject {
    Q_OBJECT
  public:
    explicit Skin(const QColor& color = QColor(0, 255, 0), QObject* parent = nullptr);

    QColor color() const { return color_; }
    QRgb rgb() const { return color_.rgb(); }
    // Marks and texts are painted opaque, so the alpha is dropped; an invalid colour would paint
    // black, so it is refused.
    void setColor(const QColor& color);

  signals:
    void changed();

  private:
    QColor color_;
};
