#pragma once
// Short event sounds of the desktop (the beeps of the game).

#include <cstdint>

struct ca_context;

namespace lumbrast::platform {

// Default: the plain beep (a click by the wrong mouse). Ok, Asterisk and
// Exclamation: the three message beeps, each with a sound of its own.
enum class SoundKind : std::uint8_t { Default, Ok, Asterisk, Exclamation };

class Sounds {
public:
    virtual ~Sounds() = default;
    // Starts the sound and returns at once. Where no sound can be made this is
    // silent: a missing sound server or card is not an error.
    virtual void play(SoundKind kind) noexcept = 0;
};

// The freedesktop sound theme's event name for a kind.
const char *soundEventId(SoundKind kind) noexcept;

// Event sounds through libcanberra with the freedesktop theme.
class CanberraSounds final : public Sounds {
public:
    CanberraSounds();
    ~CanberraSounds() override;
    CanberraSounds(const CanberraSounds &) = delete;
    CanberraSounds &operator=(const CanberraSounds &) = delete;

    void play(SoundKind kind) noexcept override;
    // False when no sound context could be opened; play() is then silent.
    bool available() const noexcept { return context_ != nullptr; }

private:
    ::ca_context *context_ = nullptr;
};

} // namespace lumbrast::platform
