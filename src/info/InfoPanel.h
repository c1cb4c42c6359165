#pragma once
#include "InfoContent.h"
#include "TitleBarButton.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

// The information window without the widget: its picture and what its mouse does. The close box
// is the main window's close button, acting on a release inside it; a left press anywhere else
// drags the window.
class InfoPanel : public QObject {
    Q_OBJECT
  public:
    static constexpr QSize kSize{322, 129};
    static constexpr QRect kCloseBox{306, 4, 11, 12};

    InfoPanel();
    InfoPanel(const InfoPanel&) = delete;
    InfoPanel& operator=(const InfoPanel&) = delete;

    // Positions in the window's pixels. press() says whether the window is to be dragged from here.
    bool press(QPoint pos, Qt::MouseButton button);
    void release(QPoint pos, Qt::MouseButton button);
    bool closePressed() const { return close_.lit(); }

    // The whole window: the six-stop ground, the heading, the tag lines, the green line and the
    // close box in its present look.
    // scale: device pixels per window pixel; the texts are drawn at that resolution.
    QImage paint(const InfoContent& content, int scale = 1);

  signals:
    // The close box was clicked: the window goes.
    void closeClicked();
    // The close box's look changed.
    void changed();

  private:
    TitleBarButton close_{TitleBarKind::Exit};
    bool pressOnClose_ = false;
};
