#pragma once
// Layouts are written in twips, 15 to the pixel at 96 dpi; Qt scales the
// pixels on high-density screens.

#include <QRect>

namespace lumbrast::platform {

inline constexpr int kTwipsPerPixel = 15;

// Nearest pixel; a half pixel cannot occur because 15 is odd.
constexpr int twipsToPixels(int twips) {
    const int half = kTwipsPerPixel / 2;
    return twips >= 0 ? (twips + half) / kTwipsPerPixel : -((half - twips) / kTwipsPerPixel);
}

inline QRect twipsRect(int left, int top, int width, int height) {
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

} // namespace lumbrast::platform
