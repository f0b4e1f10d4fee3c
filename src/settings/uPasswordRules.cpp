#include "settings/uPasswordRules.h"

namespace vk {

namespace {

// Spaces and control characters. In UTF-8 every byte of a multi-byte
// character is 0x80 or above, so a byte test is exact.
bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

std::string TrimPassword(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsTrimmed(text[first]))
        ++first;
    while (last > first && IsTrimmed(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

bool PasswordMatches(const std::string& entered, const std::string& expected) {
    if (entered.size() != expected.size())
        return false;
    // Every byte is looked at, so the time taken does not tell where the entry went wrong.
    unsigned difference = 0;
    for (std::size_t i = 0; i < entered.size(); ++i)
        difference |= static_cast<unsigned char>(entered[i] ^ expected[i]);
    return difference == 0;
}

} // namespace vk
