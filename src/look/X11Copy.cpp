#include "X11Copy.h"

#include <QAbstractEventDispatcher>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// Depth 24 stored as 32 bits a pixel, low byte first: the bytes of a Format_RGB32 image.
bool screenTakesRgb32(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == 24) return it.data->bits_per_pixel == 32 && it.data->scanline_pad == 32;
    return false;
}

// True when `widget` lies wholly inside its parents and no sibling lies over it
// (later siblings are stacked above earlier ones). Plain rectangles: a region
// computation here would cost more than the copy itself.
bool unobscured(const QWidget& widget) {
    const QWidget* w = &widget;
    for (const QWidget* parent = w->parentWidget(); parent && !w->isWindow();
         w = parent, parent = parent->parentWidget()) {
        const QRect area = w->geometry();
        if (!parent->rect().contains(area)) return false;
        const QObjectList& siblings = parent->children();
        for (qsizetype i = siblings.indexOf(const_cast<QWidget*>(w)) + 1; i < siblings.size(); ++i) {
            if (!siblings[i]->isWidgetType()) continue;
            const auto* sibling = static_cast<const QWidget*>(siblings[i]);
            if (!sibling->isWindow() && sibling->isVisible() && sibling->geometry().intersects(area))
                return false;
        }
    }
    return true;
}

// What copying onto one native window needs, kept as a child of its QWindow so it goes with it.
// It repaints the window's widgets at every expose, and sends what was copied while the event
// loop handled one wake-up in a single write, before the loop sleeps again.
class Target : public QObject {
  public:
    static constexpr const char* kName = "vexo-x11-copy";

    Target(QWindow& window, QWidget& topLevel, xcb_connection_t* c)
        : QObject(&window), window_(window), topLevel_(&topLevel), connection_(c),
          maxRequestBytes_(std::uint64_t{xcb_get_maximum_request_length(c)} * 4) {
        setObjectName(kName);
        window.installEventFilter(this);
        if (QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance())
            connect(loop, &QAbstractEventDispatcher::aboutToBlock, this, &Target::send);
        const auto id = static_cast<xcb_window_t>(window.winId());
        std::unique_ptr<xcb_get_geometry_reply_t, decltype(&free)> geometry(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr), &free);
        if (!geometry || geometry->depth != 24 || !screenTakesRgb32(c)) return;
        gc_ = xcb_generate_id(c);
        const std::uint32_t noExposures = 0;
        xcb_create_gc(c, gc_, id, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    }
    ~Target() override {
        if (gc_ && qGuiApp) xcb_free_gc(connection_, gc_);
    }

    // Pictures are copied pixel for pixel: a scaled window takes the usual way.
    bool usable() const { return gc_ != 0 && window_.devicePixelRatio() == 1.0; }

    // Puts `rows` lines of `width` pixels (Format_RGB32) at `at` in the window.
    bool put(const uchar* lines, qsizetype bytesPerLine, int width, int rows, QPoint at) {
        const auto bytes = static_cast<std::uint64_t>(bytesPerLine) * static_cast<std::uint64_t>(rows);
        if (bytes + 64 > maxRequestBytes_) return false;
        xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, static_cast<xcb_window_t>(window_.winId()), gc_,
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(rows),
                      static_cast<std::int16_t>(at.x()), static_cast<std::int16_t>(at.y()), 0, 24,
                      static_cast<std::uint32_t>(bytes), lines);
        unsent_ = true;
        return true;
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Expose && topLevel_) repaintAll(*topLevel_);
        return false;
    }

  private:
    void send() {
        if (!unsent_) return;
        unsent_ = false;
        xcb_flush(connection_);
    }

    // The toolkit's copy of the window still holds each box as it last painted it, not what went
    // straight to the screen since, and an expose shows that copy: every widget is painted anew
    // first. Updating the window alone would not do: the toolkit leaves out the boxes that cover
    // their whole area, taking its copy of them for current.
    static void repaintAll(QWidget& topLevel) {
        topLevel.update();
        for (QWidget* child : topLevel.findChildren<QWidget*>())
            if (!child->isWindow()) child->update();
    }

    QWindow& window_;
    QPointer<QWidget> topLevel_;
    xcb_connection_t* connection_;
    std::uint64_t maxRequestBytes_;
    xcb_gcontext_t gc_ = 0;
    bool unsent_ = false;
};

} // namespace

std::unique_ptr<X11Copy> X11Copy::forBox(QWidget& box) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return nullptr;
    return std::unique_ptr<X11Copy>(new X11Copy(box, x11->connection()));
}

bool X11Copy::copy(const QImage& picture, RowSpan rows) {
    if (picture.format() != QImage::Format_RGB32 || picture.size() != box_.size() || rows.first < 0 ||
        rows.count <= 0 || rows.first + rows.count > picture.height())
        return false;
    // A sibling lying over the box would be painted over.
    if (!box_.isVisible() || !unobscured(box_)) return false;
    QWidget* top = box_.window();
    QWindow* window = top->windowHandle();
    if (!window || !window->isExposed()) return false;
    auto* target = static_cast<Target*>(target_.data());
    if (!target || target->parent() != window) {
        // Shared by every box of the window.
        target = window->findChild<Target*>(Target::kName, Qt::FindDirectChildrenOnly);
        if (!target) target = new Target(*window, *top, connection_);
        target_ = target;
    }
    if (!target->usable()) return false;
    return target->put(picture.constScanLine(rows.first), picture.bytesPerLine(), picture.width(), rows.count,
                       box_.mapTo(top, QPoint(0, rows.first)));
}
