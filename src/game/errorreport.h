#pragma once
// Run-time errors and the one way the program reports them.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lumbrast::game {

// A run-time error with the number and description a player sees.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(long number, std::string description)
        : std::runtime_error(description), number_(number), description_(std::move(description)) {}
    long number() const noexcept { return number_; }
    const std::string &description() const noexcept { return description_; }

private:
    long number_;
    std::string description_;
};

inline constexpr long kErrOverflow = 6;

// "<number>\r\n<description>\r\n<tag>", e.g. "6\r\nOverflow\r\nsub: 23".
std::string formatErrorReport(long number, std::string_view description, std::string_view tag);

// a + b as a 16-bit signed counter; past the range it throws error 6 "Overflow"
// and the caller's counter keeps its value.
std::int16_t checkedAdd(std::int16_t a, int b);

} // namespace lumbrast::game
