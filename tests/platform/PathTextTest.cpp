#include "platform/uPlatform.h"

#include <gtest/gtest.h>

namespace vk::platform {
namespace {

// A POSIX name is bytes: UTF-8 or not, it passes unchanged both ways.
TEST(PathText, NamesAreTheBytesBothWays) {
    for (const std::string bytes : {"", "plain.txt", "\xc3\xa9t\xc3\xa9/\xe6\x97\xa5", "latin1 caf\xe9", "\xff"}) {
        EXPECT_EQ(PathFromUtf8(bytes).native(), bytes);
        EXPECT_EQ(Utf8FromPath(fs::path(bytes)), bytes);
    }
}

} // namespace
} // namespace vk::platform
