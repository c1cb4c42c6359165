#include "RepaintWithChildren.h"

#include <QWidget>

void RepaintWithChildren(QWidget& window) {
    window.update();
    for (QWidget* child : window.findChildren<QWidget*>())
        if (!child->isWindow()) child->update();
}
