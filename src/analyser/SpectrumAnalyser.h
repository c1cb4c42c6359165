#pragma once
// The spectrum analyser box of the main window (104 x 40): bars from the FFT magnitudes of the
// playing stream over a grey background, each bar a stem in light grey under a cap in the skin colour.
//
// The owner calls tick() from a 60 ms timer. Levels advance once per tick, not per paint, so an
// extra repaint (an expose, a colour change) never makes the bars fall faster. When tick() returns
// false nothing can move until playback starts again: the owner may stop its timer then and must
// start it again when a stream starts or resumes. GUI thread only.
#include "AudioEngine.h"
#include "BoxLogic.h"
#include "Skin.h"
#include "SpectrumLevels.h"

#include <QColor>
#include <QImage>
#include <array>
#include <functional>
#include <span>

class SpectrumAnalyser : public BoxLogic {
  public:
    static constexpr int kWidth = 104;
    static constexpr int kHeight = 40;
    // Where the box stands on the main window.
    static constexpr QPoint kPlace{208, 28};

    explicit SpectrumAnalyser(const Skin& skin);

    // One timer tick: fetches fresh magnitudes while the stream plays (otherwise the last ones
    // are kept) and advances one frame. Returns whether the timer should keep running.
    bool tick(AudioEngine& engine, StreamHandle channel);
    // Advances one frame from the given magnitudes, which become the kept data.
    void feed(std::span<const float> magnitudes);
    // Whether another frame from the kept data would still change a bar.
    bool isMoving() const;
    int levelPx(int bar) const { return levels_.heightPx(bar); }

    // With the picture off a cleared frame shows the fill colour inside a red border.
    void setBackground(bool on);
    // The main window's height: the background picture continues its gradient at that height.
    void setWindowHeight(int height);

    QSize size() const override { return {kWidth, kHeight}; }
    const QImage& image() override;
    // Any button: the owner gives memory back to the system (TrimWorkingSet); nothing else happens.
    void press(QPoint pos, Qt::MouseButton button) override;
    QString hint() const override;

  private:
    void advance();
    void draw();
    void drawBar(int bar, QRgb capColor);

    const Skin& skin_;
    std::array<float, kFftBins> magnitudes_{};
    SpectrumLevels levels_;
    QImage background_;
    QImage frame_;
    // The main window as it is made, with the equalizer panel closed.
    int windowHeight_ = 135;
    bool pictureOn_ = true;
    bool dirty_ = true;
    QColor drawnCapColor_;
};
