// The application's message texts are put together from fixed parts and numbers.
#pragma once

#include <string>

// A number in decimal, as wide text.
inline std::u16string Decimal(int number) {
    const std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}
