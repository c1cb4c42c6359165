#include "X11Copy.h"

#include "RepaintWithChildren.h"

#include <QAbstractEventDispatcher>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
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

// Memory shared with the X server, so a picture does not travel through the socket. Pictures go
// to the slots in turn and no completion event is asked for (it would wake the GUI thread a second
// time per picture); a slot is used again only after the others, long after the server read it.
class SharedSlots {
  public:
    static constexpr std::size_t kSlotBytes = 32 * 1024;
    static constexpr int kSlots = 4;

    explicit SharedSlots(xcb_connection_t* c) : connection_(c) {
        const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
        if (!shm || !shm->present) return;
        const int id = shmget(IPC_PRIVATE, kSlotBytes * kSlots, IPC_CREAT | 0600);
        if (id < 0) return;
        void* memory = shmat(id, nullptr, 0);
        const xcb_shm_seg_t segment = xcb_generate_id(c);
        // A server on another machine cannot attach; that is seen here, once per window.
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
    ~SharedSlots() {
        if (!memory_) return;
        if (qGuiApp) xcb_shm_detach(connection_, segment_);
        shmdt(memory_);
    }
    SharedSlots(const SharedSlots&) = delete;
    SharedSlots& operator=(const SharedSlots&) = delete;

    bool takes(std::size_t bytes) const { return memory_ && bytes <= kSlotBytes; }
    xcb_shm_seg_t segment() const { return segment_; }
    // Copies `bytes` into the next slot and returns its offset in the segment.
    std::uint32_t put(const uchar* bytes, std::size_t size) {
        next_ = (next_ + 1) % kSlots;
        const std::size_t offset = kSlotBytes * static_cast<std::size_t>(next_);
        std::memcpy(memory_ + offset, bytes, size);
        return static_cast<std::uint32_t>(offset);
    }

  private:
    xcb_connection_t* connection_;
    uchar* memory_ = nullptr;
    xcb_shm_seg_t segment_ = 0;
    int next_ = 0;
};

// What copying onto one native window needs, kept as a child of its QWindow so it goes with it.
// It repaints the window's widgets at every expose, and sends what was copied while the event
// loop handled one wake-up in a single write, before the loop sleeps again.
class Target : public QObject {
  public:
    static constexpr const char* kName = "vexo-x11-copy";

    Target(QWindow& window, QWidget& topLevel, xcb_connection_t* c)
        : QObject(&window), window_(window), topLevel_(&topLevel), connection_(c),
          maxRequestBytes_(std::uint64_t{xcb_get_maximum_request_length(c)} * 4), shared_(c) {
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
        const auto window = static_cast<xcb_window_t>(window_.winId());
        const auto w = static_cast<std::uint16_t>(width), h = static_cast<std::uint16_t>(rows);
        const auto x = static_cast<std::int16_t>(at.x()), y = static_cast<std::int16_t>(at.y());
        if (shared_.takes(bytes)) {
            const std::uint32_t offset = shared_.put(lines, bytes);
            xcb_shm_put_image(connection_, window, gc_, w, h, 0, 0, w, h, x, y, 24, XCB_IMAGE_FORMAT_Z_PIXMAP, 0,
                              shared_.segment(), offset);
        } else {
            if (bytes + 64 > maxRequestBytes_) return false;
            xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc_, w, h, x, y, 0, 24,
                          static_cast<std::uint32_t>(bytes), lines);
        }
        unsent_ = true;
        return true;
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        // The toolkit's copy of the window still holds each box as it last painted it, not what
        // went straight to the screen since, and an expose shows that copy: every widget is
        // painted anew first.
        if (event->type() == QEvent::Expose && topLevel_) RepaintWithChildren(*topLevel_);
        return false;
    }

  private:
    void send() {
        if (!unsent_) return;
        unsent_ = false;
        xcb_flush(connection_);
    }

    QWindow& window_;
    QPointer<QWidget> topLevel_;
    xcb_connection_t* connection_;
    std::uint64_t maxRequestBytes_;
    SharedSlots shared_;
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
