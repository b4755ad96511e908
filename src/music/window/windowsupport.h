#pragma once
// Small services of the style player that tests replace (message boxes, the
// random draws, the beep) and the helpers it shares with them.

#include "platform/desktop/messageboxes.h"

#include <QRegion>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <random>

namespace lumbrast::musicwindow {

// The program's one modal message box service.
using platform::BoxIcon;
using platform::MessageBoxes;
using platform::QtMessageBoxes;

// The pseudo-random generator of the first choice: Randomize seeds it from
// the clock, Rnd draws from [0, 1) in single precision.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void Randomize() = 0;
    virtual float Rnd() = 0;
};

class ClockRandom final : public RandomSource {
public:
    void Randomize() override;
    float Rnd() override;

private:
    std::mt19937 gen_{5489u};
};

// floor(r * (n - 1)) for n entries, so the last entry is never drawn; 0 for
// n of 1 or less.
int DrawBelowLast(float r, int n);

// The numeric value of a text as the length box reads it: blanks are
// skipped, then an optional sign, digits, a decimal part and an exponent;
// anything after that ends the number, and no number at all gives 0.
double TextValue(const QString &text);

// A value rounded half to even into 16 bits; nullopt when it does not fit.
std::optional<std::int16_t> RoundToInt16(double value);

// Round half to even.
double RoundHalfEven(double value);

// The music folder "MediaSL9" beside the program or, for an installed
// program, under its data directory; always ends with "/".
QString DefaultMediaFolder();

// Names (without folder) of the plain, visible files in folder whose names
// match pattern ("*.sty") in any letter case, sorted as a file manager shows
// them (natural order, letter case ignored). A missing folder lists nothing.
QStringList ListMediaFiles(const QString &folder, const QString &pattern);

// A rectangle from (0, 0) to (width, height) with corners rounded by an
// ellipse of ellipseW x ellipseH pixels.
QRegion RoundRectRegion(int width, int height, int ellipseW, int ellipseH);

// Full path as the file system spells it, for the music service.
std::string FilePath(const QString &path);

} // namespace lumbrast::musicwindow
