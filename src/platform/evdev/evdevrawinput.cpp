#include "platform/evdev/evdevrawinput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QCoreApplication>
#include <QDebug>
#include <QEvent>
#include <QSocketNotifier>
#include <QStringList>

#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <libudev.h>
#include <unistd.h>

#include "platform/x11/udevdescription.h"

namespace lumbrast::platform::evdev {

namespace {

// Reads per wakeup: a flooding device yields to the rest of the UI thread and
// the notifier calls again for what is left.
constexpr int kReadsPerWakeup = 4096;

std::string text(const char *s) {
    return s ? std::string(s) : std::string();
}

bool propertyIs(udev_device *dev, const char *name, const char *value) {
    const char *v = udev_device_get_property_value(dev, name);
    return v && std::strcmp(v, value) == 0;
}

// Decided from udev alone, before anything is opened: an event node of a
// mouse that is not also a keyboard.
bool looksLikeMouse(udev_device *dev) {
    const char *sysname = udev_device_get_sysname(dev);
    return sysname && std::strncmp(sysname, "event", 5) == 0 && udev_device_get_devnode(dev) &&
           propertyIs(dev, "ID_INPUT_MOUSE", "1") && !propertyIs(dev, "ID_INPUT_KEYBOARD", "1");
}

// After opening: it moves a pointer and has a mouse button.
bool reportsMouse(const libevdev *dev) {
    const bool moves =
        libevdev_has_event_code(dev, EV_REL, REL_X) && libevdev_has_event_code(dev, EV_REL, REL_Y);
    bool button = false;
    for (unsigned code = BTN_MOUSE; code < BTN_JOYSTICK && !button; ++code)
        button = libevdev_has_event_code(dev, EV_KEY, code);
    return moves && button;
}

} // namespace

struct EvdevRawInput::Mouse {
    std::string syspath;
    PointingDevice info;
    int fd = -1;
    libevdev *dev = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;
    bool moved = false; // relative motion in the frame not yet reported

    Mouse() = default;
    Mouse(const Mouse &) = delete;
    Mouse &operator=(const Mouse &) = delete;
    ~Mouse() {
        notifier.reset();
        if (dev)
            libevdev_free(dev);
        if (fd >= 0)
            ::close(fd);
    }
};

struct EvdevRawInput::Udev {
    udev *context = nullptr;
    udev_monitor *monitor = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;

    ~Udev() {
        notifier.reset();
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
    }
};

class EvdevRawInput::ButtonFilter final : public QObject {
public:
    explicit ButtonFilter(EvdevRawInput &owner) : owner_(owner) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
            type == QEvent::MouseButtonRelease)
            owner_.judgeButton(type != QEvent::MouseButtonRelease);
        return QObject::eventFilter(watched, event);
    }

private:
    EvdevRawInput &owner_;
};

EvdevRawInput::EvdevRawInput(std::unique_ptr<CursorControl> cursor, OpenNode open)
    : cursor_(std::move(cursor)), open_(std::move(open)), udev_(std::make_unique<Udev>()) {
    if (!open_)
        open_ = [](const char *path, int flags) { return ::open(path, flags); };
    udev_->context = udev_new();
    if (!udev_->context)
        throw std::runtime_error("udev is not available, so the mice cannot be found.");
    udev_->monitor = udev_monitor_new_from_netlink(udev_->context, "udev");
    if (udev_->monitor &&
        udev_monitor_filter_add_match_subsystem_devtype(udev_->monitor, "input", nullptr) >= 0 &&
        udev_monitor_enable_receiving(udev_->monitor) >= 0) {
        udev_->notifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(udev_->monitor),
                                                            QSocketNotifier::Read);
        connect(udev_->notifier.get(), &QSocketNotifier::activated, this, [this] { onMonitor(); });
    }
    rescan();
}

EvdevRawInput::~EvdevRawInput() {
    if (filter_ && QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(filter_.get());
}

std::vector<PointingDevice> EvdevRawInput::devices() {
    rescan();
    std::vector<PointingDevice> result;
    result.reserve(mice_.size());
    for (const auto &m : mice_)
        result.push_back(m->info);
    return result;
}

std::size_t EvdevRawInput::openCount() const {
    return mice_.size();
}

void EvdevRawInput::rescan() {
    std::unique_ptr<udev_enumerate, decltype(&udev_enumerate_unref)> e(
        udev_enumerate_new(udev_->context), &udev_enumerate_unref);
    if (!e || udev_enumerate_add_match_subsystem(e.get(), "input") < 0 ||
        udev_enumerate_add_match_property(e.get(), "ID_INPUT_MOUSE", "1") < 0 ||
        udev_enumerate_scan_devices(e.get()) < 0)
        return;
    std::vector<std::string> present;
    udev_list_entry *entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
        const char *syspath = udev_list_entry_get_name(entry);
        present.emplace_back(text(syspath));
        addNode(syspath);
    }
    // Gone while nobody listened to udev.
    std::erase_if(mice_, [&](const std::unique_ptr<Mouse> &m) {
        return std::find(present.begin(), present.end(), m->syspath) == present.end();
    });
    tellUnreadable();
}

void EvdevRawInput::tellUnreadable() {
    if (told_ >= unreadable_.size() || !notice_)
        return;
    const std::vector<std::string> fresh(unreadable_.begin() + static_cast<std::ptrdiff_t>(told_),
                                         unreadable_.end());
    told_ = unreadable_.size();
    notice_(permissionMessage(fresh));
}

QString EvdevRawInput::permissionMessage(const std::vector<std::string> &nodes) {
    QStringList list;
    for (const std::string &node : nodes)
        list << QString::fromStdString(node);
    return QCoreApplication::translate(
               "EvdevRawInput",
               "Lumbrast may not read these mice, so it cannot tell which of them clicked: %1.\n\n"
               "Either install the rule that comes with Lumbrast, 70-lumbrast-mice.rules, into "
               "/etc/udev/rules.d and plug the mice in again; or join the \"input\" group and log "
               "in again.")
        .arg(list.join(QStringLiteral(", ")));
}

bool EvdevRawInput::addNode(const char *syspath) {
    for (const auto &m : mice_)
        if (m->syspath == syspath)
            return false;
    if (std::find(refused_.begin(), refused_.end(), syspath) != refused_.end())
        return false;
    std::unique_ptr<udev_device, decltype(&udev_device_unref)> dev(
        udev_device_new_from_syspath(udev_->context, syspath), &udev_device_unref);
    if (!dev || !looksLikeMouse(dev.get()))
        return false; // never opened: keyboards and anything else that is not a mouse
    const std::string node = text(udev_device_get_devnode(dev.get()));

    auto mouse = std::make_unique<Mouse>();
    mouse->syspath = syspath;
    mouse->fd = open_(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (mouse->fd < 0) {
        const bool denied = errno == EACCES || errno == EPERM;
        if (denied && std::find(unreadable_.begin(), unreadable_.end(), node) == unreadable_.end())
            unreadable_.push_back(node);
        return false; // gone since the listing, or not ours to read
    }
    if (libevdev_new_from_fd(mouse->fd, &mouse->dev) < 0 || !reportsMouse(mouse->dev)) {
        // Says it is a mouse but reports only keys: closed again at once.
        qWarning("%s is listed as a mouse but does not move a pointer or has no mouse button; "
                 "Lumbrast leaves it closed.",
                 node.c_str());
        refused_.emplace_back(syspath);
        return false;
    }

    if (auto described = x11::describeDeviceNode(node)) {
        mouse->info.type = std::move(described->type);
        mouse->info.identification = std::move(described->identification);
        mouse->info.description = std::move(described->description);
        mouse->info.identity = std::move(described->identity);
    }
    if (mouse->info.description.empty())
        mouse->info.description = text(libevdev_get_name(mouse->dev));
    mouse->info.handle = nextHandle_++;

    Mouse *raw = mouse.get();
    mouse->notifier = std::make_unique<QSocketNotifier>(mouse->fd, QSocketNotifier::Read);
    connect(mouse->notifier.get(), &QSocketNotifier::activated, this,
            [this, raw] { readMouse(*raw); });
    mice_.push_back(std::move(mouse));
    return true;
}

bool EvdevRawInput::removeNode(const std::string &syspath) {
    std::erase(refused_, syspath);
    return std::erase_if(
               mice_, [&](const std::unique_ptr<Mouse> &m) { return m->syspath == syspath; }) > 0;
}

void EvdevRawInput::onMonitor() {
    std::unique_ptr<udev_device, decltype(&udev_device_unref)> dev(
        udev_monitor_receive_device(udev_->monitor), &udev_device_unref);
    if (!dev)
        return;
    const std::string action = text(udev_device_get_action(dev.get()));
    const char *syspath = udev_device_get_syspath(dev.get());
    if (!syspath)
        return;
    const bool changed = action == "remove"                      ? removeNode(syspath)
                         : action == "add" || action == "change" ? addNode(syspath)
                                                                 : false;
    tellUnreadable();
    if (changed)
        devicesChanged();
}

void EvdevRawInput::readMouse(Mouse &mouse) noexcept {
    input_event ev{};
    unsigned flags = LIBEVDEV_READ_FLAG_NORMAL;
    for (int reads = 0; reads < kReadsPerWakeup; ++reads) {
        const int rc = libevdev_next_event(mouse.dev, flags, &ev);
        if (rc == LIBEVDEV_READ_STATUS_SYNC) {
            flags = LIBEVDEV_READ_FLAG_SYNC; // catch up after the kernel dropped events
            continue;
        }
        if (rc == -EAGAIN && flags == LIBEVDEV_READ_FLAG_SYNC) {
            flags = LIBEVDEV_READ_FLAG_NORMAL;
            continue;
        }
        if (rc < 0) {
            if (rc != -EAGAIN && mouse.notifier)
                mouse.notifier->setEnabled(false); // unplugged: udev removes it
            return;
        }
        if (!installed())
            continue;
        switch (ev.type) {
        case EV_REL:
            if (ev.code == REL_X || ev.code == REL_Y)
                mouse.moved = mouse.moved || ev.value != 0;
            else if (ev.code == REL_WHEEL || ev.code == REL_HWHEEL)
                deliver(mouse.info.handle, RawEventKind::Wheel);
            break;
        case EV_KEY:
            if (ev.code >= BTN_MOUSE && ev.code < BTN_JOYSTICK && ev.value != 2) {
                deliver(mouse.info.handle,
                        ev.value ? RawEventKind::ButtonPress : RawEventKind::ButtonRelease);
                unjudged_[ev.value ? 0 : 1] = mouse.info.handle;
            }
            break;
        case EV_SYN:
            if (ev.code == SYN_REPORT && mouse.moved) {
                mouse.moved = false;
                deliver(mouse.info.handle, RawEventKind::Motion);
            }
            break;
        default:
            break;
        }
    }
}

void EvdevRawInput::deliver(DeviceHandle device, RawEventKind kind) noexcept {
    sink()->rawInput(device, kind);
    lastDelivered_ = device;
}

void EvdevRawInput::drainAll() noexcept {
    for (const auto &m : mice_)
        readMouse(*m);
}

void EvdevRawInput::judgeButton(bool press) noexcept {
    drainAll();
    DeviceHandle &mouse = unjudged_[press ? 0 : 1];
    if (installed() && mouse != 0 && mouse != lastDelivered_)
        deliver(mouse, press ? RawEventKind::ButtonPress : RawEventKind::ButtonRelease);
    mouse = 0;
}

void EvdevRawInput::registerWindow(QWidget *window) {
    cursor_->attach(window);
}

void EvdevRawInput::startDelivery() {
    if (!filter_) {
        filter_ = std::make_unique<ButtonFilter>(*this);
        QCoreApplication::instance()->installEventFilter(filter_.get());
    }
    // What queued up while unhooked belongs to nobody.
    drainAll();
    unjudged_[0] = unjudged_[1] = 0;
}

void EvdevRawInput::warpCursor(QPoint global) {
    cursor_->warpCursor(global);
}

void EvdevRawInput::confineCursor(QRect global) {
    cursor_->confineCursor(global);
}

void EvdevRawInput::releaseCursor() {
    cursor_->releaseCursor();
}

} // namespace lumbrast::platform::evdev
