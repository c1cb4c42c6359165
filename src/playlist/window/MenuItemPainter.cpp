#include "MenuItemPainter.h"

#include "CellText.h"
#include "Skin.h"
#include "SkinPalette.h"

#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace {
constexpr QColor kHighlightOutline{49, 105, 198};
} // namespace

void PaintMenuItem(QPainter& painter, const QRect& rect, const QString& caption, bool highlighted,
                   const QColor& menuBackground, const QColor& separatorColor, const QColor& skin) {
    painter.save();
    QFont font = painter.font();
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.fillRect(rect, menuBackground);
    if (caption == QLatin1String("-")) {
        painter.setPen(separatorColor);
        painter.drawLine(rect.left() + 31, rect.top() + 3, rect.right(), rect.top() + 3);
    } else {
        if (highlighted) {
            painter.setPen(kHighlightOutline);
            painter.setBrush(kSilver);
            painter.drawRect(rect.adjusted(0, 0, -1, -1));
        }
        painter.setPen(highlighted ? kWhite : skin);
        DrawCellText(painter, rect.topLeft() + QPoint(2, 2), caption);
    }
    painter.restore();
}

// Based on Fusion so the menus look the same on every desktop, whatever style it runs.
MenuItemStyle::MenuItemStyle(const Skin& skin)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))), skin_(skin) {}

void MenuItemStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const bool separator = item->menuItemType == QStyleOptionMenuItem::Separator;
    const bool highlighted = !separator && (item->state & State_Selected);
    painter->setFont(item->font);
    PaintMenuItem(*painter, item->rect, separator ? QStringLiteral("-") : item->text, highlighted,
                  item->palette.color(QPalette::Window),
                  item->palette.color(QPalette::Disabled, QPalette::WindowText), skin_.color());
}

QSize MenuItemStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                      const QSize& contentsSize, const QWidget* widget) const {
    QSize size = QProxyStyle::sizeFromContents(type, option, contentsSize, widget);
    // Styles make separators a sliver (2 px in Fusion); the menu clips each item to its own
    // rectangle, so our line would fall outside it and never show.
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type == CT_MenuItem && item && item->menuItemType == QStyleOptionMenuItem::Separator)
        size.setHeight(kMenuSeparatorHeight);
    return size;
}
