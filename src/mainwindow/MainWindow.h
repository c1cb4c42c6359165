#pragma once
#include "FrameBackground.h"
#include "LabelButton.h"
#include "PressButton.h"
#include "TitleBarButton.h"
#include "TitleTicker.h"

#include "BeatTimer.h"
#include "WindowDrag.h"
#include <QByteArrayList>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class HintWindow;
class PaintBox;

// The player's face: a borderless, rounded, self-painted window holding the boxes. It owns the
// frame, the buttons of its own and the title ticker; boxes of other subsystems are placed on it by
// whoever assembles the player. The playlist, when shown, is part of the same window, right under the
// main part at its own height, so the two move as one and can never part. Playback keeps going while
// it is dragged.
class MainWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 135;
    static constexpr int kHeightWithEq = 178;
    static constexpr int kDefaultPlaylistHeight = 210;

    // The window paints in `skin`, shows its boxes' hints in `hint` and runs the title on `beat`;
    // all three outlive it.
    MainWindow(const Skin& skin, HintWindow& hint, Beat& beat, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Places another subsystem's box at its spot; the logic must outlive the window.
    PaintBox* addBox(BoxLogic& logic, QPoint topLeft);

    PressButton& pressButton(PressKind kind);
    TitleBarButton& titleBarButton(TitleBarKind kind);
    LabelButton& labelButton(LabelKind kind);
    TitleTicker& ticker() { return ticker_; }
    const TitleTicker& ticker() const { return ticker_; }
    PaintBox* boxOf(const BoxLogic& logic) const;
    // The box that takes every wheel notch over the window, wherever the pointer is (the volume).
    void setWheelBox(PaintBox* box) { wheelBox_ = box; }

    // Whether a track is playing; the playlist button parks the ticker when nothing is.
    std::function<bool()> trackPlaying;

    bool stayOnTop() const { return titleBar_[1].stayOnTop(); }
    void setStayOnTop(bool on);
    bool eqShown() const { return labels_[1].shown(); }
    void setEqShown(bool shown);
    bool playlistShown() const { return labels_[0].shown(); }
    void setPlaylistShown(bool shown);
    int playMode() const { return labels_[2].mode(); }
    void setPlayMode(int mode);

    // Takes the playlist in as the part under the main one; none until it exists. The window is as
    // tall as both while the playlist is shown, and follows its height.
    void setPlaylistPart(QWidget* part);
    int playlistHeight() const;
    void setPlaylistHeight(int height);
    // The main part's height: 135, or 178 with the equalizer panel.
    int mainPartHeight() const { return mainPartHeight_; }

    bool dragging() const { return drag_.active(); }

  signals:
    // The equalizer panel opened or closed.
    void mainPartHeightChanged(int height);
    void firstShown();
    void closing();
    // The minimise box: whoever assembles the player decides how it goes away.
    void minimiseRequested();
    void modeChanged(int mode);
    void colourWindowRequested();
    void infoWindowRequested();
    void pathsDropped(const QByteArrayList& paths);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void wireButtons();
    void updateTickerTimer();
    bool togglePlaylist();
    void setMainPartHeight(int height);
    // Sizes and shapes the window to the main part and, when shown, the playlist under it.
    void fitParts();
    bool playlistPartShown() const;
    void endDrag();

    const Skin& skin_;
    HintWindow& hint_;
    FrameBackground background_{skin_};
    std::array<PressButton, 6> press_{
        PressButton(PressKind::Back, skin_),  PressButton(PressKind::Play, skin_),
        PressButton(PressKind::Pause, skin_), PressButton(PressKind::Stop, skin_),
        PressButton(PressKind::Next, skin_),  PressButton(PressKind::Open, skin_)};
    std::array<TitleBarButton, 3> titleBar_{TitleBarButton(TitleBarKind::Min),
                                            TitleBarButton(TitleBarKind::TopMost),
                                            TitleBarButton(TitleBarKind::Exit)};
    std::array<LabelButton, 3> labels_{LabelButton(LabelKind::Playlist, skin_),
                                       LabelButton(LabelKind::Equalizer, skin_),
                                       LabelButton(LabelKind::Mode, skin_)};
    TitleTicker ticker_{skin_};
    std::vector<PaintBox*> boxes_;
    PaintBox* wheelBox_ = nullptr;
    Beat& beat_;
    BeatTimer runTimer_;

    QPointer<QWidget> playlist_;
    int playlistHeight_ = kDefaultPlaylistHeight;
    int mainPartHeight_ = kHeight;
    bool playlistWanted_ = false;
    bool firstShowing_ = true;
    WindowDrag drag_{*this};
};
