#pragma once
// The game window on the real X11 back end, with the test's own injector:
// every click and motion is injected per device into the test's X server.
#include <memory>

#include <QWindow>

#include "app/colourbutton.h"
#include "app/frmlumbrast.h"
#include "app/rawinputfactory.h"
#include "input/routing.h"
#include "music/window/musicwindowhost.h"
#include "platform/desktop/fakes.h"
#include "platform/x11/x11rawinput.h"
#include "xvfb.h"

#include <gtest/gtest.h>

namespace lumbrast::testing {

using platform::x11::X11RawInput;

struct XWindow {
    // The program's own choice of back end, which must be the X11 one; the
    // server's XTest pointer is the second mouse.
    std::unique_ptr<platform::RawInput> owned;
    X11RawInput &raw;
    platform::RecordingMessageBoxes boxes;
    platform::RecordingSounds sounds;
    std::unique_ptr<app::frmLumbrast> w;
    XInjector inject;
    int mouse = inject.deviceId(XInjector::kXvfbMouse);
    int xtest = inject.deviceId(XInjector::kXTestPointer);
    platform::DeviceHandle hMouse = 0, hXTest = 0;

    XWindow()
        : owned(app::makeRawInput({.virtualMice = true})),
          raw(dynamic_cast<X11RawInput &>(*owned)) {
        inject.warp(5, 5); // outside the window: the confinement has to bring it in
        w = std::make_unique<app::frmLumbrast>(raw, boxes, sounds);
        // The shipped music on a clock nobody advances: silent, and no sound device needed.
        w->music().environment().mediaFolder = LUMBRAST_MEDIA_DIR "/";
        w->music().environment().audio.output = music::AudioOutput::Offline;
        w->move(60, 40);
        w->Form_Load();
        w->show();
        // Raw input counts only while the game window is in front. A window
        // manager may refuse a program's first request; the user's focus is not.
        w->activateWindow();
        EXPECT_TRUE(waitUntil([&] { return w->windowHandle()->isExposed(); }));
        if (!w->isActiveWindow())
            inject.focus(w->winId());
        EXPECT_TRUE(waitUntil([&] { return w->isActiveWindow(); }));
        hMouse = raw.handleOfXDevice(mouse);
        hXTest = raw.handleOfXDevice(xtest);
    }
    input::InputState &in() { return w->inputState(); }
    static QPoint centre(const QWidget *widget) {
        return X11RawInput::toNative(input::RawMouseRouter::centreOf(widget));
    }
    void click(int device, const QWidget *widget) {
        EXPECT_TRUE(moveAndSettle(inject, device, centre(widget)));
        inject.click(device);
    }
    // Each player binds his mouse by clicking his button with it.
    void bind() {
        click(mouse, w->cmdVerify_M_P_01);
        ASSERT_TRUE(waitUntil([&] { return in().hDevicePlayer_01 == hMouse; }));
        click(xtest, w->cmdVerify_M_P_02);
        ASSERT_TRUE(waitUntil([&] { return in().hDevicePlayer_02 == hXTest; }));
    }
    void play() { // player 1 opens
        click(mouse, w->cmdGamePlay);
        ASSERT_TRUE(waitUntil([&] { return w->tmrGameMove->isActive(); }));
        ASSERT_EQ(in().hDeviceActive, hMouse);
    }
};

} // namespace lumbrast::testing
