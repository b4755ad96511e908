#include "platform/desktop/sounds.h"

#include <alsa/asoundlib.h>
#include <canberra.h>

namespace lumbrast::platform {

const char *soundEventId(SoundKind kind) noexcept {
    switch (kind) {
    case SoundKind::Ok:
        return "message";
    case SoundKind::Asterisk:
        return "dialog-information";
    case SoundKind::Exclamation:
        return "dialog-warning";
    case SoundKind::Default:
        break;
    }
    return "bell";
}

namespace {
// alsa-lib writes its own complaints to stderr when there is no card; a game
// without sound is normal here, so they are dropped.
void quietAlsa(const char *, int, const char *, int, const char *, ...) {}
} // namespace

CanberraSounds::CanberraSounds() {
    snd_lib_error_set_handler(quietAlsa);
    ca_context *ctx = nullptr;
    if (ca_context_create(&ctx) != CA_SUCCESS)
        return;
    ca_context_change_props(ctx, CA_PROP_APPLICATION_NAME, "Lumbrast", CA_PROP_APPLICATION_ID,
                            "lumbrast", CA_PROP_CANBERRA_XDG_THEME_NAME, "freedesktop", nullptr);
    // Opening fails on machines without any audio output; stay silent there.
    if (ca_context_open(ctx) != CA_SUCCESS) {
        ca_context_destroy(ctx);
        return;
    }
    context_ = ctx;
}

CanberraSounds::~CanberraSounds() {
    if (context_)
        ca_context_destroy(context_);
}

void CanberraSounds::play(SoundKind kind) noexcept {
    if (!context_)
        return;
    // Asynchronous; a theme without the event or a busy device only means no sound.
    ca_context_play(context_, 0, CA_PROP_EVENT_ID, soundEventId(kind),
                    CA_PROP_CANBERRA_CACHE_CONTROL, "permanent", nullptr);
}

} // namespace lumbrast::platform
