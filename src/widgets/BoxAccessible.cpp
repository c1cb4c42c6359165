#include "BoxAccessible.h"

#include "PaintBox.h"

#include <QPointer>

BoxAccessible::BoxAccessible(PaintBox* box) : QAccessibleWidget(box) {}

PaintBox* BoxAccessible::box() const {
    return static_cast<PaintBox*>(widget());
}

QAccessible::Role BoxAccessible::role() const {
    return box()->logic().accessibleRole();
}

QString BoxAccessible::text(QAccessible::Text t) const {
    const BoxLogic& logic = box()->logic();
    switch (t) {
    case QAccessible::Name:
        return logic.accessibleName();
    case QAccessible::Description:
        return logic.accessibleDescription();
    case QAccessible::Value:
        if (const std::optional<BoxValue> value = logic.value()) return QString::number(value->current);
        return {};
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State BoxAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    // The equalizer's boxes stay in place below a window that has shrunk over them.
    if (const QWidget* window = box()->parentWidget();
        window && !window->rect().intersects(box()->geometry()))
        state.invisible = true;
    if (const std::optional<bool> checked = box()->logic().checked()) {
        state.checkable = true;
        state.checked = *checked;
    }
    return state;
}

void* BoxAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface && box()->logic().value())
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QStringList BoxAccessible::actionNames() const {
    QStringList names = QAccessibleWidget::actionNames();
    if (box()->logic().activatable()) names.prepend(pressAction());
    return names;
}

void BoxAccessible::doAction(const QString& actionName) {
    BoxLogic& logic = box()->logic();
    // The bridge offers a step up and down on every box with a value.
    if (const std::optional<BoxValue> value = logic.value();
        value && (actionName == increaseAction() || actionName == decreaseAction())) {
        logic.setValue(value->current + (actionName == increaseAction() ? value->step : -value->step));
        return;
    }
    if (actionName != pressAction() || !logic.activatable()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    // From the event loop: a press may open a menu or a dialog, which must not wait inside the
    // screen reader's call.
    QMetaObject::invokeMethod(
        box(),
        [box = QPointer<PaintBox>(box())] {
            if (box) box->logic().activate();
        },
        Qt::QueuedConnection);
}

QVariant BoxAccessible::currentValue() const {
    const std::optional<BoxValue> value = box()->logic().value();
    return value ? QVariant(value->current) : QVariant();
}

void BoxAccessible::setCurrentValue(const QVariant& value) {
    box()->logic().setValue(value.toDouble());
}

QVariant BoxAccessible::maximumValue() const {
    const std::optional<BoxValue> value = box()->logic().value();
    return value ? QVariant(value->maximum) : QVariant();
}

QVariant BoxAccessible::minimumValue() const {
    const std::optional<BoxValue> value = box()->logic().value();
    return value ? QVariant(value->minimum) : QVariant();
}

QVariant BoxAccessible::minimumStepSize() const {
    const std::optional<BoxValue> value = box()->logic().value();
    return value ? QVariant(value->step) : QVariant();
}

namespace {
QAccessibleInterface* BoxFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("PaintBox") && object && object->isWidgetType())
        return new BoxAccessible(static_cast<PaintBox*>(object));
    return nullptr;
}
} // namespace

void InstallBoxAccessibility() {
    static const bool installed = (QAccessible::installFactory(&BoxFactory), true);
    (void)installed;
}

void BoxAnnouncer::announce(PaintBox& box) {
    if (!QAccessible::isActive()) return;
    const BoxLogic& logic = box.logic();
    if (const QString name = logic.accessibleName(); name != name_) {
        name_ = name;
        QAccessibleEvent event(&box, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
    if (const std::optional<BoxValue> value = logic.value(); value && value->current != value_) {
        value_ = value->current;
        QAccessibleValueChangeEvent event(&box, value_);
        QAccessible::updateAccessibility(&event);
    }
    if (const std::optional<bool> checked = logic.checked(); checked && *checked != checked_) {
        checked_ = *checked;
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(&box, changed);
        QAccessible::updateAccessibility(&event);
    }
}
