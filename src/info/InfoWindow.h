#pragma once
#include "InfoPanel.h"

#include "AudioEngine.h"
#include "WindowDrag.h"
#include <QImage>
#include <QString>
#include <QWidget>

class PlaybackController;
class Skin;

// The small always-on-top window with the playing track's tags, codec, bit rate and sample rate.
// Made once and shown and hidden from then on; it stays where the user last dragged it. While it
// is shown it follows the player: a new track or a stop repaints it at once, and the tags are read
// from the engine for each picture, never polled.
class InfoWindow : public QWidget {
    Q_OBJECT
  public:
    // All three outlive the window.
    InfoWindow(AudioEngine& engine, const PlaybackController& controller, const Skin& skin);

    // Shows the window for the playing stream; nothing while it is shown or no stream is open.
    void open();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    // Codec and bit rate of the track now playing; both empty when none is.
    void refreshTexts();
    void redraw();
    void paintPicture();

    AudioEngine& engine_;
    const PlaybackController& controller_;
    const Skin& skin_;
    InfoPanel panel_;
    WindowDrag drag_{*this};
    QString codecText_;
    QString bitrateText_;
    QImage picture_;
};
