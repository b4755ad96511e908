#pragma once
// The two players' mouse pointers: 32 x 32 images, hot spots 7,7 and 24,7.

#include <QCursor>

#include "game/game.h"

namespace lumbrast::app {

// Player 1 or 2; anything else is the ordinary arrow.
QCursor playerCursor(int player);
QCursor cursorFor(game::PlayerCursor pointer);

} // namespace lumbrast::app
