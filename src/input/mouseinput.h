#pragma once
// The game window's multi-mouse input: discovery of the mice, the hook that
// routes raw input by device, the binding of a mouse to each player, and the
// confinement of the cursor. Works on the window's own controls, which the
// window hands over once they exist.

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QPointer>
#include <QString>

#include "input/inputstate.h"
#include "input/reach.h"
#include "input/routing.h"
#include "platform/desktop/messageboxes.h"
#include "platform/rawinput.h"

class QLabel;
class QListWidget;
class QTreeWidget;
class QWidget;

namespace lumbrast::input {

inline constexpr const char *kHookTwiceText =
    QT_TRANSLATE_NOOP("lumbrast::input::MouseInput",
                      "Don't hook it twice without unhooking, or you will be unable to unhook it.");

// The device handle as the lists show it: signed decimal.
QString handleText(DeviceHandle handle);
// One line of lstMouseCollection: handle, description, type, identification, description.
QString mouseCollectionLine(const platform::PointingDevice &mouse);
// The description up to its first NUL.
QString StripAtNull(const QString &text);
// Column headers and widths of lvwMice.
void setUpMiceList(QTreeWidget *lvwMice);

struct InputControls {
    QWidget *window = nullptr;
    QWidget *cmdCursorPos = nullptr;
    QTreeWidget *lvwMice = nullptr;
    QListWidget *lstMouseCollection = nullptr;
    QLabel *lblDevhDevice[2] = {nullptr, nullptr};
    QLabel *lblDevDesc[2] = {nullptr, nullptr};
};

class MouseInput {
public:
    // Reports a failure of a handler with the window's convention and its tag.
    using ErrorReport = std::function<void(const std::exception &, std::string_view tag)>;

    MouseInput(InputState &state, platform::RawInput &raw, platform::MessageBoxes &boxes,
               ErrorReport report);
    ~MouseInput();

    void attach(const InputControls &controls);

    InputState &state() { return state_; }
    platform::RawInput &raw() { return raw_; }
    RawMouseRouter &router() { return router_; }

    // cmdGetRawData: rebuilds both lists and MiceCount, then registers the window.
    void DiscoverMice();
    void Hook();
    void UnHook();

    // cmdVerify_M_P_0N_Click for player 1 or 2: binds the mouse that produced
    // the latest raw input; with both players bound, enableGameControls runs.
    void bindPlayer(int player, const std::function<void()> &enableGameControls);

    // Mice came or went: a player whose mouse is gone gets it back when a
    // mouse of the same identity is there again under a new handle.
    void miceChanged();

    // The trap holds the pointer to the game window and to whatever other
    // window of the program is open, following them until released.
    void ConfineCursorForm();
    void ReleaseCursorForm();

private:
    void confineTo(QRect reach);

    template <class F> void guarded(std::string_view tag, F &&body);

    InputState &state_;
    platform::RawInput &raw_;
    platform::MessageBoxes &boxes_;
    ErrorReport report_;
    RawMouseRouter router_;
    InputControls c_;
    std::unique_ptr<ReachWatcher> reach_;
    bool trapped_ = false;
    QRect confinedTo_;
    std::vector<platform::PointingDevice> listed_; // as the back end last listed them
    std::string identity_[2];                      // of each player's mouse
};

} // namespace lumbrast::input
