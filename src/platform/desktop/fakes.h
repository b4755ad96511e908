#pragma once
// Test doubles of the desktop services: record instead of showing or sounding.

#include <functional>
#include <utility>
#include <vector>

#include "platform/desktop/messageboxes.h"
#include "platform/desktop/sounds.h"

namespace lumbrast::platform {

class RecordingMessageBoxes final : public MessageBoxes {
public:
    struct Box {
        QString text;
        BoxIcon icon;
        QString title;
    };
    void show(QWidget *, const QString &text, BoxIcon icon, const QString &title) override {
        boxes.push_back({text, icon, title});
        if (onShow)
            onShow(boxes.back()); // the caller waits here, as in a modal box
    }
    std::vector<Box> boxes;
    std::function<void(const Box &)> onShow;
};

class RecordingSounds final : public Sounds {
public:
    void play(SoundKind kind) noexcept override { played.push_back(kind); }
    std::vector<SoundKind> played;
};

} // namespace lumbrast::platform
