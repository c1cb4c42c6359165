#pragma once
#include <QPainter>
#include <QProxyStyle>
#include <QRect>
#include <QString>

// One item of the playlist window's popup menus, painted our way: the highlighted item as a silver
// box outlined in blue with a white caption, the others with a caption in the skin colour, and a
// separator ("-") as a grey line that leaves the icon column free.
void PaintMenuItem(QPainter& painter, const QRect& rect, const QString& caption, bool highlighted,
                   const QColor& menuBackground, const QColor& separatorColor, const QColor& skin);

class Skin;

// A style for the popup menus that paints every item with PaintMenuItem and leaves the rest of the
// menu (its frame, the sizes of the captioned items) to the application's style.
class MenuItemStyle : public QProxyStyle {
    Q_OBJECT
  public:
    explicit MenuItemStyle(const Skin& skin);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contentsSize,
                           const QWidget* widget = nullptr) const override;

  private:
    const Skin& skin_;
};

// The height of a separator item: its line, 3 px below the item's top, runs through the middle.
inline constexpr int kMenuSeparatorHeight = 7;
