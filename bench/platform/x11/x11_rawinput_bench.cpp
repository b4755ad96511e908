// Cost of one raw event through the filter and the routing, and the time from
// a motion of the wrong mouse until the pointer stands on the cursor home.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QMetaObject>
#include <QWidget>

#include <poll.h>

#include <benchmark/benchmark.h>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include "countingnew.h"
#include "input/inputstate.h"
#include "input/routing.h"
#include "platform/x11/x11rawinput.h"
#include "xvfb.h"

using namespace lumbrast::platform;
using namespace lumbrast::platform::x11;
using lumbrast::testing::XInjector;

namespace {

X11RawInput *gInput = nullptr;
lumbrast::input::InputState *gState = nullptr;
QPoint gHome;

struct RawMotion {
    xcb_input_raw_motion_event_t head;
    std::uint32_t mask;
};

RawMotion motionFrom(std::uint16_t source) {
    RawMotion ev{};
    ev.head.response_type = XCB_GE_GENERIC;
    ev.head.extension =
        xcb_get_extension_data(
            qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection(),
            &xcb_input_id)
            ->major_opcode;
    ev.head.event_type = XCB_INPUT_RAW_MOTION;
    ev.head.sourceid = source;
    ev.head.valuators_len = 1;
    ev.mask = 0b11;
    return ev;
}

void runEvents(benchmark::State &state, bool fromActive) {
    const RawMotion ev = motionFrom(6);
    gState->hDeviceActive =
        fromActive ? gInput->handleOfXDevice(6) : gInput->handleOfXDevice(6) + 1000;
    const long before = gAllocations.load();
    for (auto _ : state) {
        gInput->handleEvent(&ev);
        benchmark::DoNotOptimize(gState->hDeviceLast);
    }
    state.counters["allocs/event"] =
        benchmark::Counter(static_cast<double>(gAllocations.load() - before) /
                           static_cast<double>(state.iterations()));
}

void BM_RawEvent_ActiveMouse(benchmark::State &state) {
    runEvents(state, true);
}
void BM_RawEvent_OtherMouseSentHome(benchmark::State &state) {
    runEvents(state, false);
}
BENCHMARK(BM_RawEvent_ActiveMouse);
BENCHMARK(BM_RawEvent_OtherMouseSentHome);

// A client of its own that sees where the pointer moves, without the toolkit's event loop.
class PointerWatch {
public:
    explicit PointerWatch(const std::string &display) : c_(xcb_connect(display.c_str(), nullptr)) {
        const std::uint32_t mask = XCB_EVENT_MASK_POINTER_MOTION;
        xcb_change_window_attributes(c_, xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root,
                                     XCB_CW_EVENT_MASK, &mask);
        discard();
    }
    ~PointerWatch() { xcb_disconnect(c_); }
    // Drops what the server has sent so far.
    void discard() {
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
        while (xcb_generic_event_t *ev = xcb_poll_for_queued_event(c_))
            std::free(ev);
    }
    bool waitForPointerAt(QPoint at, int timeoutMs) {
        pollfd pfd{xcb_get_file_descriptor(c_), POLLIN, 0};
        for (;;) {
            while (xcb_generic_event_t *ev = xcb_poll_for_event(c_)) {
                const auto *m = reinterpret_cast<xcb_motion_notify_event_t *>(ev);
                const bool there = (ev->response_type & 0x7f) == XCB_MOTION_NOTIFY &&
                                   QPoint(m->root_x, m->root_y) == at;
                std::free(ev);
                if (there)
                    return true;
            }
            if (::poll(&pfd, 1, timeoutMs) <= 0)
                return false;
        }
    }

private:
    xcb_connection_t *c_;
};

// From an injected motion of the wrong mouse until the pointer, read back by
// another client, stands on the home again.
std::vector<double> measureReturn(const std::string &display, int count) {
    XInjector inject(display);
    PointerWatch watch(display);
    const int mouse = inject.deviceId(XInjector::kXvfbMouse);
    const QPoint home = X11RawInput::toNative(gHome);
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count + 50; ++i) {
        inject.warp(home.x(), home.y()); // a warp makes no raw event
        watch.discard();
        const auto t0 = std::chrono::steady_clock::now();
        inject.moveBy(mouse, (i & 1) ? 7 : -7, 3);
        if (!watch.waitForPointerAt(home, 2000))
            std::fprintf(stderr, "the pointer did not come home\n");
        const auto t1 = std::chrono::steady_clock::now();
        if (i >= 50) // the first ones warm up
            micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    return micros;
}

} // namespace

int main(int argc, char **argv) {
    lumbrast::testing::XvfbServer server;
    ::setenv("DISPLAY", server.display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    X11RawInput input(true);
    input.devices();
    // The game window's own routing, sending the wrong mouse to a cursor home
    // of the table's size. The window stays hidden: the pointer is read over
    // the bare root window.
    lumbrast::input::InputState state;
    lumbrast::input::RawMouseRouter router(state, input);
    QWidget table;
    table.setGeometry(100, 100, 420, 270);
    QWidget cmdCursorPos(&table);
    cmdCursorPos.setGeometry(72, 77, 9, 13);
    router.setCursorHome(&cmdCursorPos);
    gHome = lumbrast::input::RawMouseRouter::centreOf(&cmdCursorPos);
    gInput = &input;
    gState = &state;
    input.install(&router);

    benchmark::RunSpecifiedBenchmarks();

    // End to end: the wrong mouse moves while another one is active.
    state.hDeviceActive = input.handleOfXDevice(4); // the XTest pointer plays
    constexpr int kEvents = 1000;
    std::vector<double> micros;
    std::thread injector([&] {
        micros = measureReturn(server.display(), kEvents);
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    injector.join();
    input.remove();

    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) {
        return micros[static_cast<std::size_t>(q * (micros.size() - 1))];
    };
    std::printf("cursor return under Xvfb over %zu motions of the wrong mouse: median %.1f us, p99 "
                "%.1f us, max %.1f us\n",
                micros.size(), at(0.5), at(0.99), micros.back());
    return 0;
}
