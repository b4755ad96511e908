#include "game/errorreport.h"

#include <limits>

namespace lumbrast::game {

std::string formatErrorReport(long number, std::string_view description, std::string_view tag) {
    std::string text = std::to_string(number);
    text += "\r\n";
    text += description;
    text += "\r\n";
    text += tag;
    return text;
}

std::int16_t checkedAdd(std::int16_t a, int b) {
    const long sum = long{a} + b;
    if (sum > std::numeric_limits<std::int16_t>::max() ||
        sum < std::numeric_limits<std::int16_t>::min())
        throw RuntimeError(kErrOverflow, "Overflow");
    return static_cast<std::int16_t>(sum);
}

} // namespace lumbrast::game
