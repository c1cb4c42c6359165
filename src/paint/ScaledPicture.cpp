#include "ScaledPicture.h"

#include <cstring>

void BeginShapes(QImage& picture, QSize size) {
    if (picture.devicePixelRatio() != 1.0 || picture.size() != size) picture = QImage(size, picture.format());
}

QImage EnlargedPicture(const QImage& picture, int scale) {
    if (scale <= 1) return picture;
    QImage enlarged(picture.size() * scale, picture.format());
    enlarged.setDevicePixelRatio(scale);
    Q_ASSERT(picture.depth() % 8 == 0);
    const int bytes = picture.depth() / 8;
    for (int y = 0; y < picture.height(); ++y) {
        const uchar* in = picture.constScanLine(y);
        uchar* out = enlarged.scanLine(y * scale);
        for (int x = 0; x < picture.width(); ++x)
            for (int copy = 0; copy < scale; ++copy)
                std::memcpy(out + (x * scale + copy) * bytes, in + x * bytes, bytes);
        for (int copy = 1; copy < scale; ++copy)
            std::memcpy(enlarged.scanLine(y * scale + copy), out, enlarged.bytesPerLine());
    }
    return enlarged;
}

void BeginTexts(QPainter& painter, QImage& picture, int scale) {
    if (scale <= 1) return;
    const QFont font = painter.font();
    const QPen pen = painter.pen();
    const QBrush brush = painter.brush();
    const QPainter::RenderHints hints = painter.renderHints();
    painter.end();
    picture = EnlargedPicture(picture, scale);
    painter.begin(&picture);
    painter.setFont(font);
    painter.setPen(pen);
    painter.setBrush(brush);
    painter.setRenderHints(hints);
}
