#include "Skin.h"

namespace {
QColor Opaque(const QColor& color) {
    QColor rgb = color.toRgb();
    rgb.setAlpha(255);
    return rgb;
}
} // namespace

Skin::Skin(const QColor& color, QObject* parent)
    : QObject(parent), color_(color.isValid() ? Opaque(color) : QColor(0, 255, 0)) {}

void Skin::setColor(const QColor& color) {
    if (!color.isValid()) return;
    const QColor opaque = Opaque(color);
    if (opaque == color_) return;
    color_ = opaque;
    emit changed();
}
