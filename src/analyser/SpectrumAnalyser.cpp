#include "SpectrumAnalyser.h"

#include "AnalyserBackground.h"
#include "Skin.h"

#include <algorithm>
#include <cstring>

namespace {

const QRgb kStemColor = qRgb(217, 217, 217);
const QRgb kFillColor = qRgb(128, 128, 128);
const QRgb kBorderColor = qRgb(255, 0, 0);
constexpr int kCapWidthPx = 4;
constexpr int kBarPitchPx = kCapWidthPx + 1;
// The bars stand two pixels above the bottom edge, so that a bar of height 0 still shows its cap
// and a one-pixel stem.
constexpr int kOffsetXPx = 0;
constexpr int kOffsetYPx = -2;

void setPixelClipped(QImage& image, int x, int y, QRgb color) {
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return;
    reinterpret_cast<QRgb*>(image.scanLine(y))[x] = color;
}

// A one-pixel line whose end point is not drawn, whichever way it runs (as the platform's line
// primitive behaves); a line of zero length draws nothing.
void verticalLine(QImage& image, int x, int fromY, int toY, QRgb color) {
    const int dir = toY > fromY ? 1 : -1;
    for (int y = fromY; y != toY; y += dir)
        setPixelClipped(image, x, y, color);
}

} // namespace

SpectrumAnalyser::SpectrumAnalyser(const Skin& skin)
    : skin_(skin), frame_(kWidth, kHeight, QImage::Format_RGB32) {
    setBackground(true);
}

void SpectrumAnalyser::setBackground(bool on) {
    pictureOn_ = on;
    background_ = AnalyserBackground(windowHeight_, kPlace.y());
    dirty_ = true;
}

void SpectrumAnalyser::setWindowHeight(int height) {
    if (height == windowHeight_) return;
    windowHeight_ = height;
    setBackground(pictureOn_);
    // The timer may stand still with nothing playing: the new ground must reach the screen anyway.
    notifyChanged();
}

bool SpectrumAnalyser::tick(AudioEngine& engine, StreamHandle channel) {
    const bool playing = engine.IsActiveChannel(channel);
    // A failed fetch writes nothing, so the bars keep following the last good data.
    if (playing) engine.readSpectrum(channel, magnitudes_.data());
    advance();
    return playing || isMoving();
}

void SpectrumAnalyser::feed(std::span<const float> magnitudes) {
    const std::size_t count = std::min(magnitudes.size(), magnitudes_.size());
    std::copy_n(magnitudes.begin(), count, magnitudes_.begin());
    std::fill(magnitudes_.begin() + std::ptrdiff_t(count), magnitudes_.end(), 0.0f);
    advance();
}

bool SpectrumAnalyser::isMoving() const {
    return levels_.wouldChange(magnitudes_);
}

void SpectrumAnalyser::advance() {
    if (levels_.step(magnitudes_)) dirty_ = true;
    // The cap colour may have changed since the last frame even when no bar moved.
    if (dirty_ || skin_.color() != drawnCapColor_) notifyChanged();
}

const QImage& SpectrumAnalyser::image() {
    if (dirty_ || skin_.color() != drawnCapColor_) draw();
    return frame_;
}

void SpectrumAnalyser::draw() {
    if (pictureOn_) {
        // Into the same picture: a fresh copy would allocate at every frame.
        for (int y = 0; y < kHeight; ++y)
            std::memcpy(frame_.scanLine(y), background_.constScanLine(y), std::size_t(kWidth) * sizeof(QRgb));
    } else {
        frame_.fill(kBorderColor);
        for (int y = 1; y < kHeight - 1; ++y) {
            auto* row = reinterpret_cast<QRgb*>(frame_.scanLine(y));
            std::fill(row + 1, row + kWidth - 1, kFillColor);
        }
    }
    drawnCapColor_ = skin_.color();
    const QRgb capColor = drawnCapColor_.rgb();
    // Bars right of the box are not drawn: they would all be clipped away.
    const int visibleBars = std::min(SpectrumLevels::kBarCount, (kWidth - kOffsetXPx) / kBarPitchPx + 1);
    for (int bar = 0; bar < visibleBars; ++bar)
        drawBar(bar, capColor);
    dirty_ = false;
}

void SpectrumAnalyser::drawBar(int bar, QRgb capColor) {
    const int heightPx = levels_.heightPx(bar);
    const int x0 = kOffsetXPx + kBarPitchPx * bar;
    const int baseY = kHeight + kOffsetYPx;
    const int capY = baseY - heightPx;
    for (int x = x0 + 1; x < x0 + 1 + kCapWidthPx; ++x)
        setPixelClipped(frame_, x, capY, capColor);
    // The stem starts two rows under the cap, leaving a one-pixel gap.
    verticalLine(frame_, x0, capY + 2, baseY, kStemColor);
}

void SpectrumAnalyser::press(QPoint, Qt::MouseButton) {}

QString SpectrumAnalyser::hint() const {
    return QStringLiteral("Анализатор");
}
