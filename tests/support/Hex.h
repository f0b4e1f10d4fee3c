#pragma once

#include "security/uSecurityUtils.h"

#include <stdexcept>
#include <string>

namespace vk::test {

// Bytes from hexadecimal text (either case); spaces are skipped.
inline Bytes FromHex(const std::string& hex) {
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        throw std::invalid_argument("not a hexadecimal digit");
    };
    Bytes out;
    int high = -1;
    for (char c : hex) {
        if (c == ' ')
            continue;
        if (high < 0) {
            high = nibble(c);
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + nibble(c)));
            high = -1;
        }
    }
    if (high >= 0)
        throw std::invalid_argument("odd number of hexadecimal digits");
    return out;
}

inline Bytes AsBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

} // namespace vk::test
