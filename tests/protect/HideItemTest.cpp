#include "platform/uPlatform.h"
#include "protect/ProtectFixture.h"
#include "protect/ProtectSteps.h"

#include <chrono>
#include <fstream>

namespace vk::test {
namespace {

using HideItemTest = ProtectTest;

TEST_F(HideItemTest, HidesAFolderIntoAnOpeningLockerAndLeavesNothingElse) {
    const fs::path item = MakeTree();
    const auto tree = Listing(item);
    const TProtectOutcome outcome = Hide(item);
    ASSERT_TRUE(outcome.Success) << outcome.MessageText;
    EXPECT_EQ(outcome.RecoveryCode.size(), 39u);
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"Private.vklocker"});
    EXPECT_TRUE(LockerHolds(LockerOf(item), tree));
    EXPECT_NE(platform::GetFileAttributes(LockerOf(item)) & platform::FILE_ATTRIBUTE_HIDDEN, 0u);
}

// A change made to the item while it is being locked: the hide fails naming
// the changed entry, the item keeps everything, and no locker is left.
struct MidRunChange {
    const char* Name;
    bool OneFile;      // the item is the file "plan.txt", else the tree of MakeTree
    const char* Named; // the entry the message names
    void (*Change)(const fs::path& item);
};

const MidRunChange MidRunChanges[] = {
    {"FileAdded", false, "new.txt", [](const fs::path& item) { WriteFile(item / "sub" / "new.txt", "late"); }},
    {"FileRemoved", false, "b.txt", [](const fs::path& item) { fs::remove(item / "sub" / "b.txt"); }},
    {"FileAppended", true, "plan.txt", [](const fs::path& item) { std::ofstream(item, std::ios::app) << " and more"; }},
    {"SameSizeRewriteWithTimeRestored", true, "plan.txt",
     [](const fs::path& item) {
         const auto written = fs::last_write_time(item);
         WriteFile(item, "THE PLAN");
         fs::last_write_time(item, written);
     }},
};

class HideMidRunChangeTest : public ProtectTest, public ::testing::WithParamInterface<MidRunChange> {};

TEST_P(HideMidRunChangeTest, FailsNamingTheEntryAndKeepsTheItem) {
    const MidRunChange& change = GetParam();
    fs::path item = Item("plan.txt");
    if (change.OneFile)
        WriteFile(item, "the plan");
    else
        item = MakeTree();
    // Every byte is copied once the count reaches the total; a file's last
    // such report comes after the file was read to its end and closed.
    int finalReports = 0;
    TProtectCallbacks callbacks;
    callbacks.Progress = [&](const std::string&, std::int64_t done, std::int64_t total) {
        if (done == total && ++finalReports == (change.OneFile ? 2 : 1))
            change.Change(item);
    };
    const TProtectOutcome outcome = Hide(item, callbacks);
    const auto afterChange = Listing(item);
    ASSERT_FALSE(outcome.Success);
    EXPECT_NE(outcome.MessageText.find("The item changed while it was being hidden: "), std::string::npos)
        << outcome.MessageText;
    EXPECT_NE(outcome.MessageText.find(change.Named), std::string::npos) << outcome.MessageText;
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{item.filename().string()});
    EXPECT_EQ(Listing(item), afterChange);
}

INSTANTIATE_TEST_SUITE_P(Changes, HideMidRunChangeTest, ::testing::ValuesIn(MidRunChanges),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(HideItemTest, AnEntryThatCannotBeDeletedFailsTheHideByPathAndTheNextRestoreFinishes) {
    const fs::path item = MakeTree();
    const auto tree = Listing(item);
    platform::faults::FailAt(platform::faults::Op::Delete, 1);
    const TProtectOutcome outcome = Hide(item);
    platform::faults::Clear();
    ASSERT_FALSE(outcome.Success);
    EXPECT_NE(outcome.MessageText.find("part of the item could not be deleted: "), std::string::npos);
    EXPECT_NE(outcome.MessageText.find(".Private.vkdelete-"), std::string::npos) << outcome.MessageText;
    EXPECT_FALSE(fs::exists(item));
    EXPECT_TRUE(LockerHolds(LockerOf(item), tree));

    ScriptedConflict conflict;
    const TProtectOutcome restored = Restore(item, conflict.Callbacks());
    ASSERT_TRUE(restored.Success) << restored.MessageText;
    EXPECT_EQ(conflict.Asked, 0);
    EXPECT_EQ(Listing(item), tree);
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"Private"});
}

TEST_F(HideItemTest, RefusesALinkAsTheItem) {
    WriteFile(Dir / "target.txt", "stays readable");
    fs::create_symlink(Dir / "target.txt", Dir / "link");
    const TProtectOutcome outcome = Hide(Dir / "link");
    EXPECT_FALSE(outcome.Success);
    EXPECT_EQ(outcome.MessageText, "Cannot hide a link; hide the item it leads to instead: " + (Dir / "link").string());
    EXPECT_EQ(NamesIn(Dir), (std::set<std::string>{"link", "target.txt"}));
}

TEST_F(HideItemTest, RefusesARootNameThatCouldNotBeRestored) {
    WriteFile(Dir / "a\\b" / "file.txt", "x");
    const TProtectOutcome outcome = Hide(Dir / "a\\b");
    EXPECT_FALSE(outcome.Success);
    EXPECT_NE(outcome.MessageText.find("it contains a backslash"), std::string::npos) << outcome.MessageText;
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"a\\b"});
}

TEST_F(HideItemTest, StopAfterTheEngineFinishedKeepsTheItem) {
    WriteFile(Item("plan.txt"), "the plan");
    bool finished = false;
    TProtectCallbacks callbacks;
    callbacks.Progress = [&](const std::string&, std::int64_t done, std::int64_t total) { finished = done == total; };
    callbacks.Cancel = [&] { return finished; };
    const TProtectOutcome outcome = Hide(Item("plan.txt"), callbacks);
    EXPECT_FALSE(outcome.Success);
    EXPECT_EQ(outcome.MessageText, "Operation cancelled by user.");
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"plan.txt"});
}

TEST_F(HideItemTest, ALeftoverOfAnInterruptedHideGoesBackUnderItsNameAndTheHideFinishes) {
    const fs::path item = MakeTree();
    const auto tree = Listing(item);
    LeaveHiddenButNotDeleted(item);
    fs::rename(item, Dir / ".Private.vkhide-0123456789AB");
    const TProtectOutcome outcome = Hide(item);
    ASSERT_TRUE(outcome.Success) << outcome.MessageText;
    EXPECT_EQ(outcome.End, TProtectEnd::Hidden);
    EXPECT_TRUE(LockerHolds(LockerOf(item), tree));
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"Private.vklocker"});
}

// The state a hide killed right after its locker took the final name leaves:
// the item, the locker and the hide's note. A repeat finishes the hide only
// for that very locker, the item as it was stored, and the same password.
struct InterruptedHide {
    const char* Name;
    void (*Meddle)(const fs::path& item, const fs::path& locker);
    const char* Password;
    const char* Message; // empty: the repeat finishes the hide
};

const InterruptedHide InterruptedHides[] = {
    {"Untouched", [](const fs::path&, const fs::path&) {}, "secret", ""},
    {"ItemChangedSince", [](const fs::path& item, const fs::path&) { WriteFile(item / "a.txt", "alpha, edited"); },
     "secret", "Locker already exists: "},
    {"AnotherLockerInItsPlace",
     [](const fs::path&, const fs::path& locker) {
         fs::copy_file(locker, locker.string() + ".copy");
         fs::remove(locker);
         fs::rename(locker.string() + ".copy", locker);
     },
     "secret", "Locker already exists: "},
    {"OtherPassword", [](const fs::path&, const fs::path&) {}, "not the secret", "Locker verification failed: "},
};

class InterruptedHideTest : public ProtectTest, public ::testing::WithParamInterface<InterruptedHide> {};

TEST_P(InterruptedHideTest, ARepeatFinishesOnlyWhatTheNoteVouchesFor) {
    const InterruptedHide& c = GetParam();
    const fs::path item = MakeTree();
    const fs::path locker = LockerOf(item);
    LeaveHiddenButNotDeleted(item);
    c.Meddle(item, locker);
    const auto tree = Listing(item);

    const TProtectOutcome outcome = HideItem(item.string(), c.Password, true);
    if (std::string(c.Message).empty()) {
        ASSERT_TRUE(outcome.Success) << outcome.MessageText;
        EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"Private.vklocker"});
        EXPECT_TRUE(LockerHolds(locker, tree));
        return;
    }
    EXPECT_FALSE(outcome.Success);
    EXPECT_EQ(outcome.MessageText.rfind(c.Message, 0), 0u) << outcome.MessageText;
    EXPECT_EQ(Listing(item), tree);
    EXPECT_TRUE(fs::exists(locker));
}

INSTANTIATE_TEST_SUITE_P(States, InterruptedHideTest, ::testing::ValuesIn(InterruptedHides),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace vk::test

namespace vk::test {
namespace {

// Another user who can write the item's folder, at the steps where a path
// could be swapped.
using HideAgainstAnotherUserTest = ProtectTest;

TEST_F(HideAgainstAnotherUserTest, ALinkAtTheTemporaryNameIsNeverWrittenThrough) {
    const fs::path item = MakeTree();
    const auto tree = Listing(item);
    WriteFile(Dir / "elsewhere.txt", "the user's other file");
    fs::permissions(Dir / "elsewhere.txt", fs::perms::owner_read);
    fs::create_symlink(Dir / "elsewhere.txt", Dir / "Private.vklocker.tmp");
    const TProtectOutcome outcome = Hide(item);
    EXPECT_EQ(outcome.End, TProtectEnd::Hidden) << outcome.MessageText;
    EXPECT_FALSE(fs::is_symlink(LockerOf(item)));
    EXPECT_TRUE(LockerHolds(LockerOf(item), tree));
    EXPECT_EQ(ReadFile(Dir / "elsewhere.txt"), "the user's other file");
    EXPECT_EQ(fs::status(Dir / "elsewhere.txt").permissions() & fs::perms::all, fs::perms::owner_read);
    EXPECT_EQ(outcome.LeftoverPath, (Dir / "Private.vklocker.tmp").string()); // left alone, named
}

TEST_F(HideAgainstAnotherUserTest, AFolderSwappedForALinkWhileTheItemIsDeletedDeletesNothingOutsideIt) {
    const fs::path item = Item();
    for (int i = 0; i < 20; ++i)
        WriteFile(item / "shared" / ("f" + std::to_string(i)), "inside");
    const fs::path outside = Temp / "mine";
    for (int i = 0; i < 20; ++i)
        WriteFile(outside / ("f" + std::to_string(i)), "the user's other file");
    const auto tree = Listing(item);
    // At the first deletion, whoever can write "shared" replaces it by a link.
    platform::faults::RunAt(platform::faults::Op::Delete, 1, [&] {
        for (const auto& entry : fs::directory_iterator(Dir))
            if (entry.path().filename().string().rfind(".Private.vkdelete-", 0) == 0) {
                fs::rename(entry.path() / "shared", Dir / "moved");
                fs::create_directory_symlink(outside, entry.path() / "shared");
            }
    });
    const TProtectOutcome outcome = Hide(item);
    platform::faults::Clear();
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(ReadFile(outside / ("f" + std::to_string(i))), "the user's other file") << i;
    EXPECT_TRUE(LockerHolds(LockerOf(item), tree));
    // The link could not be removed as a folder: the hide names it.
    EXPECT_EQ(outcome.End, TProtectEnd::Failed);
    EXPECT_FALSE(outcome.RecoveryCode.empty());
    EXPECT_NE(outcome.LeftoverPath.find("shared"), std::string::npos) << outcome.LeftoverPath;
}

} // namespace
} // namespace vk::test
