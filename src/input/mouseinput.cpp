#include "input/mouseinput.h"

#include <algorithm>
#include <exception>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QTreeWidget>
#include <QWidget>

#include "platform/desktop/twips.h"

namespace lumbrast::input {

QString handleText(DeviceHandle handle) {
    return QString::number(static_cast<std::int32_t>(handle));
}

QString StripAtNull(const QString &text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString mouseCollectionLine(const platform::PointingDevice &mouse) {
    const QString desc = StripAtNull(QString::fromStdString(mouse.description));
    return handleText(mouse.handle) + u'\t' + desc + u'\t' + QString::fromStdString(mouse.type) +
           u'\t' + QString::fromStdString(mouse.identification) + u'\t' + desc;
}

void setUpMiceList(QTreeWidget *lvwMice) {
    const char *const context = "lumbrast::input::MouseInput";
    lvwMice->setHeaderLabels({QStringLiteral("hDevice"),
                              QCoreApplication::translate(context, "Description"),
                              QCoreApplication::translate(context, "Type"),
                              QCoreApplication::translate(context, "Identification string")});
    lvwMice->setRootIsDecorated(false);
    lvwMice->setUniformRowHeights(true);
    int section = 0;
    for (int twips : {1464, 4126, 1481, 4480})
        lvwMice->header()->resizeSection(section++, platform::twipsToPixels(twips));
}

MouseInput::MouseInput(InputState &state, platform::RawInput &raw, platform::MessageBoxes &boxes,
                       ErrorReport report)
    : state_(state), raw_(raw), boxes_(boxes), report_(std::move(report)), router_(state, raw) {
    raw_.watchDevices([this] { miceChanged(); });
}

MouseInput::~MouseInput() {
    raw_.watchDevices({});
    // The hook never outlives the input logic it calls into.
    if (state_.IsHooked == kTrue)
        raw_.remove();
}

void MouseInput::attach(const InputControls &controls) {
    c_ = controls;
    router_.setCursorHome(c_.cmdCursorPos);
    router_.setWindow(c_.window);
    reach_ = std::make_unique<ReachWatcher>(c_.window, [this](QRect reach) {
        if (trapped_ && reach != confinedTo_)
            confineTo(reach);
    });
}

template <class F> void MouseInput::guarded(std::string_view tag, F &&body) {
    try {
        body();
    } catch (const std::exception &e) {
        report_(e, tag);
    }
}

void MouseInput::DiscoverMice() {
    listed_ = raw_.devices();
    c_.lstMouseCollection->clear();
    c_.lvwMice->clear();
    std::int16_t kept = 0;
    for (const platform::PointingDevice &d : listed_) {
        if (d.systemMade)
            continue; // pointers the system makes itself are no player's mouse
        ++kept;
        c_.lstMouseCollection->addItem(mouseCollectionLine(d));
        auto *row = new QTreeWidgetItem(c_.lvwMice);
        row->setText(0, handleText(d.handle));
        row->setText(1, StripAtNull(QString::fromStdString(d.description)));
        row->setText(2, QString::fromStdString(d.type));
        row->setText(3, QString::fromStdString(d.identification));
    }
    state_.MiceCount = kept;
    raw_.registerWindow(c_.window);
}

void MouseInput::Hook() {
    if (state_.IsHooked == kTrue) {
        boxes_.show(c_.window,
                    QCoreApplication::translate("lumbrast::input::MouseInput", kHookTwiceText),
                    platform::BoxIcon::None, QStringLiteral("Lumbrast"));
        return;
    }
    raw_.install(&router_);
    state_.IsHooked = kTrue;
}

void MouseInput::UnHook() {
    if (state_.IsHooked != kTrue)
        return;
    raw_.remove();
    state_.IsHooked = kFalse;
}

void MouseInput::bindPlayer(int player, const std::function<void()> &enableGameControls) {
    const int i = player == 2 ? 1 : 0;
    guarded(player == 2 ? "sub: 06" : "sub: 05", [&] {
        DeviceHandle &bound = player == 2 ? state_.hDevicePlayer_02 : state_.hDevicePlayer_01;
        bound = state_.hDeviceLast;
        identity_[i].clear();
        for (const platform::PointingDevice &d : listed_)
            if (d.handle == bound)
                identity_[i] = d.identity;
        c_.lblDevhDevice[i]->setText(handleText(bound));
        // Each line starts with the handle as handleText writes it.
        const QString wanted = handleText(bound);
        for (int row = 0; row < c_.lstMouseCollection->count(); ++row) {
            const QStringList fields = c_.lstMouseCollection->item(row)->text().split(u'\t');
            if (fields.value(0) == wanted) {
                c_.lblDevDesc[i]->setText(fields.value(1));
                break;
            }
        }
        if (state_.hDevicePlayer_01 != 0 && state_.hDevicePlayer_02 != 0)
            enableGameControls();
    });
}

void MouseInput::miceChanged() {
    try {
        listed_ = raw_.devices();
    } catch (const std::exception &) {
        return; // the next change or refresh tries again
    }
    DeviceHandle *bound[2] = {&state_.hDevicePlayer_01, &state_.hDevicePlayer_02};
    auto present = [&](DeviceHandle h) {
        return std::any_of(listed_.begin(), listed_.end(),
                           [h](const platform::PointingDevice &d) { return d.handle == h; });
    };
    for (int i = 0; i < 2; ++i) {
        const DeviceHandle old = *bound[i];
        if (old == 0 || identity_[i].empty() || present(old))
            continue;
        for (const platform::PointingDevice &d : listed_) {
            if (d.systemMade || d.identity != identity_[i] || d.handle == *bound[1 - i])
                continue;
            *bound[i] = d.handle;
            if (state_.hDeviceActive == old)
                state_.hDeviceActive = d.handle;
            if (state_.hDeviceLast == old)
                state_.hDeviceLast = d.handle;
            if (c_.lblDevhDevice[i])
                c_.lblDevhDevice[i]->setText(handleText(d.handle));
            break;
        }
    }
}

void MouseInput::ConfineCursorForm() {
    trapped_ = true;
    confineTo(reachOf(c_.window));
}

void MouseInput::confineTo(QRect reach) {
    confinedTo_ = reach;
    guarded("sub: 08", [&] { raw_.confineCursor(reach); });
}

void MouseInput::ReleaseCursorForm() {
    trapped_ = false;
    guarded("sub: 09", [&] { raw_.releaseCursor(); });
}

} // namespace lumbrast::input
