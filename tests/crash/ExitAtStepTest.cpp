#include "platform/uPlatform.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace vk::platform {
namespace {

namespace fs = std::filesystem;

// The process ends before the chosen step touches the disk, and steps of every
// kind count; the steps before it are done.
TEST(ExitAtStepTest, EndsTheProcessBeforeTheNthStepOfAnyKind) {
    test::TempFolder temp;
    const fs::path first = temp / "first";
    const fs::path renamed = temp / "renamed";
    const fs::path second = temp / "second";
    EXPECT_EXIT(
        {
            faults::ExitAtStep(3);
            CreateDirectory(first);
            RenameFile(first, renamed);
            CreateDirectory(second);
            ::_exit(0);
        },
        ::testing::ExitedWithCode(faults::ExitAtStepStatus), "");
    EXPECT_TRUE(fs::is_directory(renamed));
    EXPECT_FALSE(fs::exists(second));
}

TEST(ExitAtStepTest, ARunOfWritesIsOneStep) {
    test::TempFolder temp;
    faults::Clear();
    {
        FileStream file(temp / "f", FileStream::Mode::Create);
        file.Write("a", 1);
        file.Write("b", 1);
        file.Sync();
        file.Write("c", 1);
    }
    EXPECT_EQ(faults::StepsTaken(), 3);
    faults::Clear();
}

TEST(ExitAtStepTest, CountsStepsFromNowAndClearEndsTheMode) {
    test::TempFolder temp;
    faults::Clear();
    CreateDirectory(temp / "a");
    faults::ExitAtStep(1);
    faults::Clear();
    CreateDirectory(temp / "b");
    CreateDirectory(temp / "c");
    EXPECT_EQ(faults::StepsTaken(), 2);
    faults::Clear();
}

} // namespace
} // namespace vk::platform
