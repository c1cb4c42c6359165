// Painting cost of the shared drawing helpers on the off-screen images the boxes use.
#include "PaintGradient.h"
#include "SkinPalette.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

// The main window's background with the equalizer panel open: the largest gradient painted.
static void gradient_320x178_us(benchmark::State& state) {
    QImage image(320, 178, QImage::Format_RGB32);
    const std::vector<QColor> colors{kWhite, kSilver, kGrey, kGrey};
    for (auto _ : state) {
        QPainter painter(&image);
        PaintGradient(painter, image.rect(), false, colors);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(gradient_320x178_us)->Unit(benchmark::kMicrosecond);
