#include "platform/uPlatform.h"
#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace vk::platform {
namespace {

namespace fs = std::filesystem;

// Where the death test's child finds its parent's folder. On Windows that
// child is a new process that runs the test again from its start; it must work
// in the folder the parent checks, not in one of its own.
constexpr const char* ParentFolderVariable = "VK_EXIT_AT_STEP_TEST_FOLDER";

// The process ends before the chosen step touches the disk, and steps of every
// kind count; the steps before it are done.
TEST(ExitAtStepTest, EndsTheProcessBeforeTheNthStepOfAnyKind) {
    std::optional<test::TempFolder> own;
    const char* parentFolder = std::getenv(ParentFolderVariable);
    const fs::path folder = parentFolder ? fs::path(parentFolder) : own.emplace().path();
    const test::ScopedVariable shared(ParentFolderVariable, folder.string().c_str());
    const fs::path first = folder / "first";
    const fs::path renamed = folder / "renamed";
    const fs::path second = folder / "second";
    EXPECT_EXIT(
        {
            faults::ExitAtStep(3);
            CreateDirectory(first);
            RenameFile(first, renamed);
            CreateDirectory(second);
            std::_Exit(0);
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
