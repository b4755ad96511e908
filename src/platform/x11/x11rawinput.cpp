#include "platform/x11/x11rawinput.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>
#include <xcb/xinput.h>

#include "platform/x11/udevdescription.h"

namespace lumbrast::platform::x11 {

namespace {

template <typename T> struct FreeDeleter {
    void operator()(T *p) const noexcept { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter<T>>;

constexpr std::uint32_t kRawBits = XCB_INPUT_XI_EVENT_MASK_RAW_MOTION |
                                   XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS |
                                   XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE;
constexpr std::uint32_t kHierarchyBit = XCB_INPUT_XI_EVENT_MASK_HIERARCHY;

// Buttons 4 to 7 are the wheel's notches (vertical, then horizontal).
constexpr bool isWheelButton(std::uint32_t button) {
    return button >= 4 && button <= 7;
}

std::uint32_t internAtom(xcb_connection_t *conn, const char *name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        conn, xcb_intern_atom(conn, 1, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : std::uint32_t{XCB_ATOM_NONE};
}

// The screen number of a display name such as ":0.1" or "host:10.0".
int screenOfDisplayName(const char *name) {
    if (!name)
        return 0;
    const char *colon = std::strrchr(name, ':');
    const char *dot = colon ? std::strchr(colon, '.') : nullptr;
    return dot ? std::atoi(dot + 1) : 0;
}

xcb_screen_t *screenOfConnection(xcb_connection_t *conn, int number) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn));
    xcb_screen_t *first = it.rem ? it.data : nullptr;
    for (int i = 0; it.rem; xcb_screen_next(&it), ++i)
        if (i == number)
            return it.data;
    return first;
}

const QScreen *screenOf(QPoint global) noexcept {
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *s : screens)
        if (s->geometry().contains(global))
            return s;
    return QGuiApplication::primaryScreen();
}

} // namespace

class X11RawInput::Filter final : public QAbstractNativeEventFilter {
public:
    explicit Filter(X11RawInput &owner) : owner_(owner) {}

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override {
        // The xcb platform names every event it hands to filters this way.
        if (eventType != "xcb_generic_event_t")
            return false;
        return owner_.handleEvent(message);
    }

private:
    X11RawInput &owner_;
};

X11RawInput::X11RawInput(bool virtualMice) : virtualMice_(virtualMice) {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        throw X11Unavailable("The program does not run on an X11 display.");
    conn_ = x11->connection();

    const xcb_screen_t *screen =
        screenOfConnection(conn_, screenOfDisplayName(std::getenv("DISPLAY")));
    if (!screen)
        throw X11Unavailable("The X server reports no screen.");
    root_ = screen->root;

    const xcb_query_extension_reply_t *xi = xcb_get_extension_data(conn_, &xcb_input_id);
    if (!xi || !xi->present)
        throw X11Unavailable(
            "The X server has no XInput extension, so the mice cannot be told apart.");
    xiOpcode_ = xi->major_opcode;
    // Asking for at least the version the toolkit announced never lowers it;
    // raw events independent of grabs need 2.1.
    Reply<xcb_input_xi_query_version_reply_t> version(xcb_input_xi_query_version_reply(
        conn_, xcb_input_xi_query_version(conn_, XCB_INPUT_MAJOR_VERSION, XCB_INPUT_MINOR_VERSION),
        nullptr));
    if (!version || version->major_version < 2 ||
        (version->major_version == 2 && version->minor_version < 1))
        throw X11Unavailable("The X server lacks XInput 2.1, so the mice cannot be told apart.");

    const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(conn_, &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        // The same version the toolkit asks for, so its own XFixes use is unchanged.
        Reply<xcb_xfixes_query_version_reply_t> v(xcb_xfixes_query_version_reply(
            conn_,
            xcb_xfixes_query_version(conn_, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
            nullptr));
        barriersAvailable_ = v && v->major_version >= 5;
    }

    atomDeviceNode_ = internAtom(conn_, "Device Node");
    atomXTest_ = internAtom(conn_, "XTEST Device");

    // Always on, so that hot-plugging is seen even while unhooked; raw events
    // reach it only while installed. The hierarchy events are selected here
    // too: the toolkit selects them only when it uses XInput itself.
    filter_ = std::make_unique<Filter>(*this);
    qGuiApp->installNativeEventFilter(filter_.get());
    changes_ = std::make_unique<QObject>();
    priorAllMask_ = changeSelection(XCB_INPUT_DEVICE_ALL, kHierarchyBit, 0) & kHierarchyBit;
}

X11RawInput::~X11RawInput() {
    if (!qGuiApp)
        return; // the connection is gone, and the server dropped our barriers with it
    try {
        remove();
    } catch (...) {
    }
    releaseCursor();
    try {
        changeSelection(XCB_INPUT_DEVICE_ALL, 0, kHierarchyBit & ~priorAllMask_);
    } catch (...) {
    }
    qGuiApp->removeNativeEventFilter(filter_.get());
}

std::vector<PointingDevice> X11RawInput::devices() {
    Reply<xcb_input_xi_query_device_reply_t> reply(xcb_input_xi_query_device_reply(
        conn_, xcb_input_xi_query_device(conn_, XCB_INPUT_DEVICE_ALL), nullptr));
    if (!reply)
        throw std::runtime_error("The X server did not list its input devices.");

    struct Candidate {
        std::uint16_t id;
        std::string name;
        xcb_input_xi_get_property_cookie_t xtest;
        xcb_input_xi_get_property_cookie_t node;
    };
    std::vector<Candidate> candidates;
    // Ask for all properties at once and collect the replies after.
    for (auto it = xcb_input_xi_query_device_infos_iterator(reply.get()); it.rem;
         xcb_input_xi_device_info_next(&it)) {
        const xcb_input_xi_device_info_t *info = it.data;
        if (info->type != XCB_INPUT_DEVICE_TYPE_SLAVE_POINTER || !info->enabled)
            continue;
        Candidate c{info->deviceid,
                    std::string(xcb_input_xi_device_info_name(info), info->name_len),
                    {},
                    {}};
        c.xtest.sequence = c.node.sequence = 0;
        if (atomXTest_ != XCB_ATOM_NONE)
            c.xtest = xcb_input_xi_get_property(conn_, c.id, 0, atomXTest_, XCB_ATOM_ANY, 0, 1);
        if (atomDeviceNode_ != XCB_ATOM_NONE)
            c.node = xcb_input_xi_get_property(conn_, c.id, 0, atomDeviceNode_, XCB_ATOM_STRING, 0,
                                               1024);
        candidates.push_back(std::move(c));
    }

    std::vector<PointingDevice> result;
    for (Candidate &c : candidates) {
        bool xtest = false;
        std::string node;
        if (atomXTest_ != XCB_ATOM_NONE) {
            Reply<xcb_input_xi_get_property_reply_t> p(
                xcb_input_xi_get_property_reply(conn_, c.xtest, nullptr));
            xtest = p && p->type != XCB_ATOM_NONE;
        }
        if (atomDeviceNode_ != XCB_ATOM_NONE) {
            Reply<xcb_input_xi_get_property_reply_t> p(
                xcb_input_xi_get_property_reply(conn_, c.node, nullptr));
            if (p && p->type == XCB_ATOM_STRING && p->format == 8) {
                const auto *text =
                    static_cast<const char *>(xcb_input_xi_get_property_items(p.get()));
                node.assign(text, strnlen(text, p->num_items));
            }
        }
        if (c.id >= kMaxXDevices)
            continue;

        // A device under a known id but with another identity came in under a
        // reused id while we did not watch: it gets a handle of its own.
        std::string identity = c.name + '\n' + node;
        DeviceHandle &handle = handleOfId_[c.id];
        std::string &known = identityOfId_[c.id];
        if (handle != 0 && !known.empty() && known != identity)
            handle = 0;
        if (handle == 0)
            handle = nextHandle_++;
        known = std::move(identity);

        PointingDevice d;
        d.handle = handle;
        d.systemMade = xtest && !virtualMice_;
        std::optional<NodeDescription> described;
        if (!node.empty())
            described = describeDeviceNode(node);
        if (described) {
            d.type = std::move(described->type);
            d.identification = std::move(described->identification);
            d.description =
                described->description.empty() ? c.name : std::move(described->description);
            d.identity = std::move(described->identity);
        } else {
            d.type = xtest ? "XTEST" : "X11";
            d.identification = c.name;
            d.description = c.name;
        }
        result.push_back(std::move(d));
    }
    return result;
}

void X11RawInput::startDelivery() {
    selectRaw(true);
}

void X11RawInput::stopDelivery() {
    selectRaw(false);
}

void X11RawInput::selectRaw(bool on) {
    if (on) {
        priorMasterMask_ = changeSelection(XCB_INPUT_DEVICE_ALL_MASTER, kRawBits, 0) & kRawBits;
    } else {
        changeSelection(XCB_INPUT_DEVICE_ALL_MASTER, 0, kRawBits & ~priorMasterMask_);
    }
}

// An XI selection replaces this client's earlier mask for the same window and
// device id, so read it and change only our own bits. The toolkit selects its
// hierarchy and property events for all devices, a separate entry; our raw
// events are the entry for all master devices, whose raw events still name
// the physical mouse.
std::uint32_t X11RawInput::changeSelection(std::uint16_t deviceId, std::uint32_t add,
                                           std::uint32_t drop) {
    Reply<xcb_input_xi_get_selected_events_reply_t> reply(xcb_input_xi_get_selected_events_reply(
        conn_, xcb_input_xi_get_selected_events(conn_, root_), nullptr));
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t words[8];
    } mask{};
    mask.head.deviceid = deviceId;
    mask.head.mask_len = 1;
    if (reply) {
        for (auto it = xcb_input_xi_get_selected_events_masks_iterator(reply.get()); it.rem;
             xcb_input_event_mask_next(&it)) {
            if (it.data->deviceid != deviceId)
                continue;
            const int len = std::min<int>(it.data->mask_len, 8);
            std::memcpy(mask.words, xcb_input_event_mask_mask(it.data),
                        len * sizeof(std::uint32_t));
            mask.head.mask_len = static_cast<std::uint16_t>(std::max(len, 1));
        }
    }
    const std::uint32_t prior = mask.words[0];
    mask.words[0] = (prior | add) & ~drop;
    xcb_void_cookie_t cookie = xcb_input_xi_select_events_checked(conn_, root_, 1, &mask.head);
    Reply<xcb_generic_error_t> error(xcb_request_check(conn_, cookie));
    if (error && add)
        throw std::runtime_error("The X server refused the mouse events (error " +
                                 std::to_string(error->error_code) + ").");
    return prior;
}

DeviceHandle X11RawInput::handleOfXDevice(int xDeviceId) const noexcept {
    if (xDeviceId < 0 || xDeviceId >= static_cast<int>(kMaxXDevices))
        return 0;
    return handleOfId_[static_cast<std::size_t>(xDeviceId)];
}

DeviceHandle X11RawInput::handleFor(std::uint16_t xDeviceId) noexcept {
    if (xDeviceId >= kMaxXDevices)
        return 0;
    DeviceHandle &handle = handleOfId_[xDeviceId];
    if (handle == 0) // a device that came after the last listing
        handle = nextHandle_++;
    return handle;
}

void X11RawInput::forget(std::uint16_t xDeviceId) noexcept {
    if (xDeviceId >= kMaxXDevices)
        return;
    handleOfId_[xDeviceId] = 0;
    identityOfId_[xDeviceId].clear();
}

void X11RawInput::onHierarchy(const void *event) noexcept {
    const auto *ev = static_cast<const xcb_input_hierarchy_event_t *>(event);
    // A new device can only take an id that a removal freed before, so
    // forgetting at the removal is enough.
    constexpr std::uint32_t kGone =
        XCB_INPUT_HIERARCHY_MASK_SLAVE_REMOVED | XCB_INPUT_HIERARCHY_MASK_MASTER_REMOVED;
    if (watched() && (ev->flags & (kGone | XCB_INPUT_HIERARCHY_MASK_SLAVE_ADDED))) {
        try { // after the toolkit's event handling, where listing may talk to the server
            QMetaObject::invokeMethod(
                changes_.get(), [this] { devicesChanged(); }, Qt::QueuedConnection);
        } catch (...) {
        }
    }
    if (!(ev->flags & kGone))
        return;
    for (auto it = xcb_input_hierarchy_infos_iterator(ev); it.rem;
         xcb_input_hierarchy_info_next(&it))
        if (it.data->flags & kGone)
            forget(it.data->deviceid);
}

bool X11RawInput::handleEvent(const void *xcbEvent) noexcept {
    const auto *ev = static_cast<const xcb_generic_event_t *>(xcbEvent);
    if ((ev->response_type & 0x7f) != XCB_GE_GENERIC)
        return false;
    const auto *ge = static_cast<const xcb_ge_generic_event_t *>(xcbEvent);
    if (ge->extension != xiOpcode_)
        return false;

    RawEventKind kind;
    switch (ge->event_type) {
    case XCB_INPUT_RAW_MOTION: {
        // A wheel with smooth scrolling turns its notches into motion of the
        // scroll valuators alone; x and y are valuators 0 and 1.
        const auto *raw = static_cast<const xcb_input_raw_motion_event_t *>(xcbEvent);
        const std::uint32_t axes =
            raw->valuators_len ? xcb_input_raw_button_press_valuator_mask(raw)[0] : 0;
        kind = (axes & ~3u) && !(axes & 3u) ? RawEventKind::Wheel : RawEventKind::Motion;
        break;
    }
    case XCB_INPUT_RAW_BUTTON_PRESS:
        kind =
            isWheelButton(static_cast<const xcb_input_raw_button_press_event_t *>(xcbEvent)->detail)
                ? RawEventKind::Wheel
                : RawEventKind::ButtonPress;
        break;
    case XCB_INPUT_RAW_BUTTON_RELEASE:
        // A wheel notch is one event, as its press.
        if (isWheelButton(
                static_cast<const xcb_input_raw_button_release_event_t *>(xcbEvent)->detail))
            return false;
        kind = RawEventKind::ButtonRelease;
        break;
    case XCB_INPUT_HIERARCHY:
        onHierarchy(xcbEvent);
        return false;
    default:
        return false;
    }
    if (!installed())
        return false;
    const auto *raw = static_cast<const xcb_input_raw_button_press_event_t *>(xcbEvent);
    if (const DeviceHandle handle = handleFor(raw->sourceid)) {
        inEvent_ = true;
        sink()->rawInput(handle, kind);
        inEvent_ = false;
    }
    return false; // the toolkit sees every event, as before
}

QPoint X11RawInput::toNative(QPoint global) {
    const QScreen *screen = screenOf(global);
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    if (ratio == 1.0)
        return global;
    // Screens keep their native origin; only the distance from it is scaled.
    const QPoint origin = screen->geometry().topLeft();
    const QPointF scaled = QPointF(global - origin) * ratio;
    return origin + QPoint(static_cast<int>(std::lround(scaled.x())),
                           static_cast<int>(std::lround(scaled.y())));
}

QRect X11RawInput::toNative(QRect global) {
    const QScreen *screen = screenOf(global.center());
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    if (ratio == 1.0)
        return global;
    const QPoint origin = screen->geometry().topLeft();
    const QPointF from = QPointF(global.topLeft() - origin) * ratio;
    const QPointF to =
        QPointF(global.topLeft() + QPoint(global.width(), global.height()) - origin) * ratio;
    const QPoint a = origin + QPoint(static_cast<int>(std::lround(from.x())),
                                     static_cast<int>(std::lround(from.y())));
    const QPoint b = origin + QPoint(static_cast<int>(std::lround(to.x())),
                                     static_cast<int>(std::lround(to.y())));
    return QRect(a, QSize(b.x() - a.x(), b.y() - a.y()));
}

void X11RawInput::warpCursor(QPoint global) {
    const QPoint p = toNative(global);
    xcb_warp_pointer(conn_, XCB_NONE, root_, 0, 0, 0, 0, static_cast<std::int16_t>(p.x()),
                     static_cast<std::int16_t>(p.y()));
    // Inside an event the toolkit flushes after its batch: one write for a
    // burst of events instead of one each.
    if (!inEvent_)
        xcb_flush(conn_);
}

void X11RawInput::confineCursor(QRect global) {
    if (!barriersAvailable_)
        throw std::runtime_error("The X server cannot confine the pointer (it lacks XFixes 5).");
    releaseCursor();
    const QRect r = toNative(global);
    if (r.isEmpty())
        return;

    Reply<xcb_get_geometry_reply_t> rootGeometry(
        xcb_get_geometry_reply(conn_, xcb_get_geometry(conn_, root_), nullptr));
    Reply<xcb_query_pointer_reply_t> pointer(
        xcb_query_pointer_reply(conn_, xcb_query_pointer(conn_, root_), nullptr));
    if (!rootGeometry || !pointer)
        throw std::runtime_error("The X server did not answer about the screen and the pointer.");

    // Barriers only stop motion across them; a pointer outside is brought in
    // first, as clipping does.
    const int w = rootGeometry->width, h = rootGeometry->height;
    // Barriers live in the screen's unsigned coordinates.
    const int x0 = std::clamp(r.left(), 0, w), y0 = std::clamp(r.top(), 0, h);
    const int x1 = std::clamp(r.left() + r.width(), x0 + 1, std::max(w, x0 + 1));
    const int y1 = std::clamp(r.top() + r.height(), y0 + 1, std::max(h, y0 + 1));
    const int px = pointer->root_x, py = pointer->root_y;
    const int inX = std::clamp(px, x0, x1 - 1), inY = std::clamp(py, y0, y1 - 1);
    if (inX != px || inY != py)
        xcb_warp_pointer(conn_, XCB_NONE, root_, 0, 0, 0, 0, static_cast<std::int16_t>(inX),
                         static_cast<std::int16_t>(inY));

    // Each line spans the whole screen, so no corner lets the pointer slip out;
    // each lets it pass inwards only.
    struct Line {
        int ax, ay, bx, by;
        std::uint32_t inward;
    };
    const Line lines[4] = {
        {x0, 0, x0, h, XCB_XFIXES_BARRIER_DIRECTIONS_POSITIVE_X},
        {x1, 0, x1, h, XCB_XFIXES_BARRIER_DIRECTIONS_NEGATIVE_X},
        {0, y0, w, y0, XCB_XFIXES_BARRIER_DIRECTIONS_POSITIVE_Y},
        {0, y1, w, y1, XCB_XFIXES_BARRIER_DIRECTIONS_NEGATIVE_Y},
    };
    xcb_void_cookie_t cookies[4];
    for (int i = 0; i < 4; ++i) {
        barriers_[i] = xcb_generate_id(conn_);
        cookies[i] = xcb_xfixes_create_pointer_barrier_checked(
            conn_, barriers_[i], root_, static_cast<std::uint16_t>(lines[i].ax),
            static_cast<std::uint16_t>(lines[i].ay), static_cast<std::uint16_t>(lines[i].bx),
            static_cast<std::uint16_t>(lines[i].by), lines[i].inward, 0, nullptr);
    }
    int failed = 0;
    for (int i = 0; i < 4; ++i) {
        Reply<xcb_generic_error_t> error(xcb_request_check(conn_, cookies[i]));
        if (error) {
            failed = error->error_code;
            barriers_[i] = 0;
        }
    }
    if (failed) {
        releaseCursor();
        throw std::runtime_error("The X server refused a pointer barrier (error " +
                                 std::to_string(failed) + ").");
    }
}

void X11RawInput::releaseCursor() {
    bool any = false;
    for (std::uint32_t &barrier : barriers_) {
        if (barrier) {
            xcb_xfixes_delete_pointer_barrier(conn_, barrier);
            barrier = 0;
            any = true;
        }
    }
    if (any)
        xcb_flush(conn_);
}

} // namespace lumbrast::platform::x11
