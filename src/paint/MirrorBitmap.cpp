#include "MirrorBitmap.h"

void MirrorBitmap(QImage& image, bool horizontal) {
    image.mirror(horizontal, !horizontal);
}
