#include "ScreenCopy.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

xcb_connection_t* x11Connection() {
    // Looked up once: the application and its connection live as long as the windows.
    static xcb_connection_t* const connection = [] {
        auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        return x11 ? x11->connection() : nullptr;
    }();
    return connection;
}

// Memory shared with the X server, so a picture does not travel through the
// socket. Pictures go to the slots in turn and no completion event is asked
// for (it would wake the GUI thread a second time per picture); a slot is
// used again only after the others, long after the server has read it.
class SharedSlots {
  public:
    static constexpr std::size_t kSlotBytes = 32 * 1024;
    static constexpr int kSlots = 4;

    explicit SharedSlots(xcb_connection_t* c) {
        const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
        if (!shm || !shm->present) return;
        const int id = shmget(IPC_PRIVATE, kSlotBytes * kSlots, IPC_CREAT | 0600);
        if (id < 0) return;
        void* memory = shmat(id, nullptr, 0);
        const xcb_shm_seg_t segment = xcb_generate_id(c);
        // A server on another machine cannot attach; that is seen here, once.
        xcb_generic_error_t* error =
            memory == reinterpret_cast<void*>(-1)
                ? nullptr
                : xcb_request_check(c, xcb_shm_attach_checked(c, segment, static_cast<std::uint32_t>(id), 1));
        // Marked for removal now: it goes when both sides have let go, even after a crash.
        shmctl(id, IPC_RMID, nullptr);
        if (memory == reinterpret_cast<void*>(-1)) return;
        if (error) {
            free(error);
            shmdt(memory);
            return;
        }
        memory_ = static_cast<uchar*>(memory);
        segment_ = segment;
    }

    bool usable() const { return memory_ != nullptr; }
    xcb_shm_seg_t segment() const { return segment_; }
    // Copies `bytes` into the next slot and returns its offset in the segment.
    std::uint32_t put(const uchar* bytes, std::size_t size) {
        next_ = (next_ + 1) % kSlots;
        const std::size_t offset = kSlotBytes * static_cast<std::size_t>(next_);
        std::memcpy(memory_ + offset, bytes, size);
        return static_cast<std::uint32_t>(offset);
    }

  private:
    uchar* memory_ = nullptr;
    xcb_shm_seg_t segment_ = 0;
    int next_ = 0;
};

int openBatches = 0;
bool unsent = false;

SharedSlots& sharedSlots(xcb_connection_t* c) {
    static SharedSlots shared(c);
    return shared;
}

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

std::uint64_t routeGeneration = 1;

// What copying onto one native window needs, kept as a child of its QWindow
// so it goes with it; it also repaints the window's widgets at every expose.
class Target : public QObject {
  public:
    Target(QWindow& window, QWidget& topLevel, xcb_connection_t* c)
        : QObject(&window), window_(window), topLevel_(&topLevel), connection_(c) {
        setObjectName(kName);
        window.installEventFilter(this);
        topLevel.installEventFilter(this);
        unscaled_ = window.devicePixelRatio() == 1.0;
        const auto id = static_cast<xcb_window_t>(window.winId());
        std::unique_ptr<xcb_get_geometry_reply_t, decltype(&free)> geometry(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr), &free);
        if (!geometry || geometry->depth != 24 || !screenTakesRgb32(c)) return;
        gc_ = xcb_generate_id(c);
        const std::uint32_t noExposures = 0;
        xcb_create_gc(c, gc_, id, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    }
    ~Target() override {
        if (gc_ && connection_ == x11Connection()) xcb_free_gc(connection_, gc_);
        ScreenCopy::layoutChanged();
    }

    static constexpr const char* kName = "vexo-screen-copy";
    xcb_gcontext_t gc() const { return gc_; }
    // Pictures are copied pixel for pixel: a scaled window takes the usual way.
    bool usable() const { return gc_ != 0 && unscaled_; }
    xcb_window_t id() const { return static_cast<xcb_window_t>(window_.winId()); }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Expose:
            // A change of screen or scale comes with an expose, which repaints all anyway.
            unscaled_ = window_.devicePixelRatio() == 1.0;
            if (topLevel_) repaintAll(*topLevel_);
            ScreenCopy::layoutChanged();
            break;
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::Resize:
        case QEvent::PlatformSurface:
        case QEvent::ChildAdded:
        case QEvent::ChildRemoved:
        case QEvent::LayoutRequest:
            ScreenCopy::layoutChanged();
            break;
        default:
            break;
        }
        return false;
    }

  private:
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
    xcb_gcontext_t gc_ = 0;
    bool unscaled_ = false;
};

std::uint64_t maxRequestBytes(xcb_connection_t* c) {
    static const std::uint64_t bytes = std::uint64_t{xcb_get_maximum_request_length(c)} * 4;
    return bytes;
}

// A picture kept by the display server, for as long as its window lives.
class ServerPicture : public QObject {
  public:
    ServerPicture(QWindow& window, xcb_connection_t* c) : QObject(&window), connection_(c) {}
    ~ServerPicture() override { release(); }

    bool holds(const QImage& picture) const { return pixmap_ != 0 && key_ == picture.cacheKey(); }

    // Sends `picture` (Format_RGB32) in pieces the server takes.
    void upload(const QImage& picture, xcb_window_t window, xcb_gcontext_t gc) {
        release();
        pixmap_ = xcb_generate_id(connection_);
        const auto width = static_cast<std::uint16_t>(picture.width());
        xcb_create_pixmap(connection_, 24, pixmap_, window, width,
                          static_cast<std::uint16_t>(picture.height()));
        const auto line = static_cast<std::uint64_t>(picture.bytesPerLine());
        const int rowsPerRequest =
            int(std::max<std::uint64_t>(1, (maxRequestBytes(connection_) - 64) / line));
        for (int y = 0; y < picture.height(); y += rowsPerRequest) {
            const int rows = std::min(rowsPerRequest, picture.height() - y);
            xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap_, gc, width,
                          static_cast<std::uint16_t>(rows), 0, static_cast<std::int16_t>(y), 0, 24,
                          static_cast<std::uint32_t>(line * std::uint64_t(rows)), picture.constScanLine(y));
        }
        key_ = picture.cacheKey();
    }
    xcb_pixmap_t pixmap() const { return pixmap_; }

  private:
    void release() {
        if (pixmap_ && connection_ == x11Connection()) xcb_free_pixmap(connection_, pixmap_);
        pixmap_ = 0;
    }

    xcb_connection_t* connection_;
    xcb_pixmap_t pixmap_ = 0;
    qint64 key_ = 0;
};

void sendOrHold(xcb_connection_t* c) {
    if (openBatches > 0)
        unsent = true;
    else
        xcb_flush(c);
}

} // namespace

ScreenCopy::~ScreenCopy() {
    delete strip_.data();
}

void ScreenCopy::layoutChanged() {
    ++routeGeneration;
}

const ScreenCopy::Route& ScreenCopy::route() {
    if (route_.generation == routeGeneration) return route_;
    route_ = Route{.generation = routeGeneration};
    // A sibling lying over the widget would be painted over.
    if (!widget_.isVisible() || !unobscured(widget_)) return route_;
    QWidget* top = widget_.window();
    QWindow* window = top->windowHandle();
    if (!window || !window->isExposed()) return route_;
    xcb_connection_t* c = x11Connection();
    if (!c) return route_;
    auto* target = static_cast<Target*>(target_.data());
    if (!target || target->parent() != window) {
        // Shared by every box of the window.
        target = window->findChild<Target*>(Target::kName, Qt::FindDirectChildrenOnly);
        if (!target) target = new Target(*window, *top, c);
        target_ = target;
    }
    if (!target->usable()) return route_;
    const QPoint onWindow = widget_.mapTo(top, QPoint());
    route_.usable = true;
    route_.window = target->id();
    route_.gc = target->gc();
    route_.x = static_cast<std::int16_t>(onWindow.x());
    route_.y = static_cast<std::int16_t>(onWindow.y());
    return route_;
}

bool ScreenCopy::copy(const QImage& picture, int firstRow, int rows) {
    if (rows < 0) rows = picture.height() - firstRow;
    if (picture.format() != QImage::Format_RGB32 || picture.size() != widget_.size() || firstRow < 0 ||
        rows <= 0 || firstRow + rows > picture.height())
        return false;
    const Route& to = route();
    if (!to.usable) return false;
    xcb_connection_t* c = x11Connection();
    const auto bytes = static_cast<std::uint64_t>(picture.bytesPerLine()) * static_cast<std::uint64_t>(rows);
    if (bytes + 64 > maxRequestBytes(c)) return false;
    const auto width = static_cast<std::uint16_t>(picture.width());
    const auto height = static_cast<std::uint16_t>(rows);
    const auto y = static_cast<std::int16_t>(to.y + firstRow);
    const uchar* from = picture.constScanLine(firstRow);
    SharedSlots& shared = sharedSlots(c);
    if (shared.usable() && bytes <= SharedSlots::kSlotBytes) {
        const std::uint32_t offset = shared.put(from, bytes);
        xcb_shm_put_image(c, to.window, to.gc, width, height, 0, 0, width, height, to.x, y, 24,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, 0, shared.segment(), offset);
    } else {
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, to.window, to.gc, width, height, to.x, y, 0, 24,
                      static_cast<std::uint32_t>(bytes), from);
    }
    sendOrHold(c);
    return true;
}

bool ScreenCopy::slide(const QImage& strip, int fromX) {
    // The display server addresses a picture's columns with 16-bit numbers; a title that would need
    // more takes the usual way.
    constexpr int kWidest = 32767;
    if (strip.format() != QImage::Format_RGB32 || strip.height() != widget_.height() ||
        strip.width() > kWidest || fromX < 0 || fromX > strip.width() - widget_.width())
        return false;
    const Route& to = route();
    if (!to.usable) return false;
    xcb_connection_t* c = x11Connection();
    auto* held = static_cast<ServerPicture*>(strip_.data());
    QWindow* window = widget_.window()->windowHandle();
    if (!held || held->parent() != window) {
        delete held;
        held = new ServerPicture(*window, c);
        strip_ = held;
    }
    if (!held->holds(strip)) held->upload(strip, to.window, to.gc);
    xcb_copy_area(c, held->pixmap(), to.window, to.gc, static_cast<std::int16_t>(fromX), 0, to.x, to.y,
                  static_cast<std::uint16_t>(widget_.width()), static_cast<std::uint16_t>(widget_.height()));
    sendOrHold(c);
    return true;
}

ScreenCopy::Batch::Batch() {
    ++openBatches;
}

ScreenCopy::Batch::~Batch() {
    if (--openBatches > 0 || !unsent) return;
    unsent = false;
    if (xcb_connection_t* c = x11Connection()) xcb_flush(c);
}
