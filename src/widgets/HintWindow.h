#pragma once
#include <QImage>
#include <QRect>
#include <QWidget>

class Skin;

// Every "@" of a hint stands for a line break.
QString HintText(const QString& hint);
// The window's rectangle for a hint measured at `measured`: room for the title line and the margin
// added, then moved fully onto the desktop (the bottom-right rule first, so a hint larger than the
// desktop keeps its top-left corner visible).
QRect PlaceHint(const QRect& measured, const QRect& desktop);
// The hint's picture: white to silver, the title "Vexo MP" in bold black, the text in the skin colour.
// scale: device pixels per window pixel; the texts are drawn at that resolution.
QImage PaintHint(QSize size, const QString& text, const QColor& skin, int scale = 1);

// Our tooltip: a borderless tool window that never takes the focus, shown in place of Qt's own.
class HintWindow : public QWidget {
    Q_OBJECT
  public:
    // One hint window serves all the windows of the player, which owns it.
    explicit HintWindow(const Skin& skin);

    // Shows text for the pointer at globalPos over the widget `over`; an empty text hides the hint.
    // A new skin colour repaints the hint on show.
    void showHint(const QString& text, QPoint globalPos, QWidget* over = nullptr);
    void hideHint();
    const QString& text() const { return text_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const Skin& skin_;
    QString text_;
    void paintPicture(QSize size);
    void placeOver(QWidget* over, QPoint topLeft);

    QImage image_;
};
