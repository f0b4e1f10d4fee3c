#include "settings/uPasswordRules.h"

#include <gtest/gtest.h>

namespace vk {

TEST(PasswordRules, TrimRemovesSurroundingSpacesAndControlCharactersOnly) {
    const std::pair<std::string, std::string> cases[] = {
        {"  secret  ", "secret"},
        {"\t\r\n secret\x01\x1f", "secret"},
        {"in side", "in side"},
        {" \t ", ""},
        {"", ""},
        {"\xC2\xA0nbsp\xC2\xA0", "\xC2\xA0nbsp\xC2\xA0"}, // a no-break space is not below code 33
        {" Grüße ", "Grüße"},
    };
    for (const auto& [typed, stored] : cases)
        EXPECT_EQ(TrimPassword(typed), stored) << "typed [" << typed << "]";
}

// "hUNTER2" must not pass for "Hunter2": the lockers need the exact text anyway.
TEST(PasswordRules, ThePasswordCheckIsExact) {
    struct Case {
        const char* entered;
        const char* expected;
        bool matches;
    };
    const Case cases[] = {
        {"Secret-1", "Secret-1", true},
        {"sECRET-1", "Secret-1", false},
        {"hUNTER2", "Hunter2", false},
        {"grüne", "GRüNE", false},
        {"GRÜNE", "GRüNE", false},
        {"é", "É", false},
        {" Secret", "Secret", false},
        {"Secret ", "Secret", false},
        {"Secre", "Secret", false},
        {"Secret@", "Secret`", false}, // neighbours of the letter ranges are not folded
        {"[", "{", false},
        {"", "", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PasswordMatches(c.entered, c.expected), c.matches) << c.entered << " vs " << c.expected;
}

TEST(PasswordRules, PasswordTypedWithSpacesPassesTheCheckWithout) {
    EXPECT_TRUE(PasswordMatches("hunter2", TrimPassword("  hunter2 ")));
}

} // namespace vk
