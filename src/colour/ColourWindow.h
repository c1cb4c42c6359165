#pragma once
#include "WindowDrag.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <array>

class QSlider;
class Skin;

// The small window whose three sliders (red, green, blue) set the skin colour: every step of a
// slider, by mouse or keyboard, makes the sliders' colour the skin's at once, and every window
// painted in it repaints. Each opening shows the skin's colour on the sliders and the swatch, so
// the first step of one slider changes only that component. Made once; Esc hides it, a press on a
// free spot drags it.
class ColourWindow : public QWidget {
    Q_OBJECT
  public:
    enum Component { Red, Green, Blue };

    // The skin outlives the window.
    explicit ColourWindow(Skin& skin);

    // Shows the window with the skin's colour and gives it the keyboard; the first time, centred
    // over `over`.
    void open(const QRect& over);
    QSlider& slider(Component component) const { return *sliders_[component]; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void takeSliderColour();
    void showSkinColour();

    Skin& skin_;
    std::array<QSlider*, 3> sliders_{};
    QImage picture_;
    WindowDrag drag_{*this};
    bool placed_ = false;
};
