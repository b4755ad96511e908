#pragma once
// What a screen reader hears of the game window: names and descriptions set
// beside the captions the players see, never instead of them.

#include <QString>

namespace lumbrast::app {

class frmLumbrast;

// The symbol a face character stands for, in words ("7" is a keyboard).
QString faceInWords(QChar face);

// Names of the controls whose meaning never changes.
void nameFixedControls(frmLumbrast &w);

// Names and descriptions that follow the game: pieces, score cells, the move
// timer and who is to move. Announces each one that changed.
void describeGameState(frmLumbrast &w);

} // namespace lumbrast::app
