#include "security/uSecurityUtils.h"

#include <gtest/gtest.h>

namespace vk {

TEST(SecurityUtils, HexOfTwoBytesIsUpperCase) {
    EXPECT_EQ(BytesToHex({0x0A, 0xF0}), "0AF0");
}

} // namespace vk
