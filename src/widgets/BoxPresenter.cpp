#include "BoxPresenter.h"

#include "X11Copy.h"

#include <QWidget>

BoxPresenter::BoxPresenter(QWidget& box) : box_(box), x11_(X11Copy::forBox(box)) {}

BoxPresenter::~BoxPresenter() = default;

bool BoxPresenter::covers(const QImage& picture, QPoint offset) const {
    return offset.isNull() && !picture.hasAlphaChannel() &&
           picture.deviceIndependentSize() == QSizeF(box_.size());
}

void BoxPresenter::show(const QImage& picture, QPoint offset, RowSpan rows) {
    if (!covers(picture, offset)) {
        box_.update();
        return;
    }
    if (x11_ && x11_->copy(picture, rows)) return;
    box_.update(0, rows.first, box_.width(), rows.count);
}
