#include "platform/uPlatform.h"
#include "protect/ProtectFixture.h"

#include <fstream>

namespace vk::test {
namespace {

using RestoreItemTest = ProtectTest;
using platform::faults::Op;

// Hides the tree of MakeTree and returns what it held.
std::map<std::string, std::string> HiddenTree(const fs::path& item) {
    const auto tree = Listing(item);
    const TProtectOutcome outcome = HideItem(item.string(), Password, true);
    EXPECT_TRUE(outcome.Success) << outcome.MessageText;
    return tree;
}

TEST_F(RestoreItemTest, RestoresTheItemAndDeletesTheLocker) {
    const fs::path item = MakeTree();
    const auto tree = HiddenTree(item);
    const TProtectOutcome outcome = Restore(item);
    ASSERT_TRUE(outcome.Success) << outcome.MessageText;
    EXPECT_EQ(outcome.ItemPath, item.string());
    EXPECT_EQ(Listing(item), tree);
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"Private"});
}

// The answers to a conflict between a complete existing item and a locker
// that opens.
struct ConflictCase {
    const char* Name;
    TConflictAnswer Answer;
    bool ItemIsNew;   // the locker's item replaced the existing one
    bool LockerStays; // the locker is still there
};

const ConflictCase ConflictCases[] = {
    {"Yes", TConflictAnswer::Replace, true, false},
    {"No", TConflictAnswer::Keep, false, false},
    {"Cancel", TConflictAnswer::Skip, false, true},
};

class RestoreConflictTest : public ProtectTest, public ::testing::WithParamInterface<ConflictCase> {};

TEST_P(RestoreConflictTest, TheAnswerDecidesAndNothingElseIsLeft) {
    const fs::path item = MakeTree();
    const auto hidden = HiddenTree(item);
    WriteFile(item / "other.txt", "the existing item");
    const auto existing = Listing(item);
    ScriptedConflict conflict{GetParam().Answer};
    const TProtectOutcome outcome = Restore(item, conflict.Callbacks());
    ASSERT_TRUE(outcome.Success) << outcome.MessageText;
    EXPECT_EQ(conflict.Asked, 1);
    EXPECT_EQ(Listing(item), GetParam().ItemIsNew ? hidden : existing);
    EXPECT_EQ(fs::exists(LockerOf(item)), GetParam().LockerStays);
    EXPECT_EQ(NamesIn(Dir).size(), GetParam().LockerStays ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Answers, RestoreConflictTest, ::testing::ValuesIn(ConflictCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// A locker that does not open is never a reason to delete the existing item:
// the question is not even asked.
struct UnopenedLocker {
    const char* Name;
    void (*Spoil)(const fs::path& locker, TProtectCallbacks& callbacks, std::string& password);
};

const UnopenedLocker UnopenedLockers[] = {
    {"Damaged",
     [](const fs::path& locker, TProtectCallbacks&, std::string&) {
         // The payload's third byte from its end (the block of times follows it).
         std::fstream file(locker, std::ios::in | std::ios::out | std::ios::binary);
         std::uint8_t length[8] = {};
         file.seekg(165);
         file.read(reinterpret_cast<char*>(length), sizeof length);
         std::int64_t payloadLength = 0;
         for (int i = 7; i >= 0; --i)
             payloadLength = payloadLength * 256 + length[i];
         file.seekp(173 + payloadLength - 3);
         file.put('\x55');
     }},
    {"OtherPassword", [](const fs::path&, TProtectCallbacks&, std::string& password) { password = "another"; }},
    {"Stop",
     [](const fs::path&, TProtectCallbacks& callbacks, std::string&) { callbacks.Cancel = [] { return true; }; }},
};

class RestoreUnopenedTest : public ProtectTest, public ::testing::WithParamInterface<UnopenedLocker> {};

TEST_P(RestoreUnopenedTest, KeepsBothAndAsksNothing) {
    const fs::path item = MakeTree();
    HiddenTree(item);
    WriteFile(item / "other.txt", "the existing item");
    const auto existing = Listing(item);
    const std::string locker = ReadFile(LockerOf(item));
    ScriptedConflict conflict{TConflictAnswer::Replace};
    TProtectCallbacks callbacks = conflict.Callbacks();
    std::string password = Password;
    GetParam().Spoil(LockerOf(item), callbacks, password);
    const std::string spoiled = ReadFile(LockerOf(item));
    const TProtectOutcome outcome = Restore(item, callbacks, password);
    EXPECT_FALSE(outcome.Success);
    EXPECT_FALSE(outcome.MessageText.empty());
    EXPECT_EQ(conflict.Asked, 0);
    EXPECT_EQ(Listing(item), existing);
    EXPECT_EQ(ReadFile(LockerOf(item)), spoiled);
    EXPECT_EQ(NamesIn(Dir), (std::set<std::string>{"Private", "Private.vklocker"}));
}

INSTANTIATE_TEST_SUITE_P(Lockers, RestoreUnopenedTest, ::testing::ValuesIn(UnopenedLockers),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(RestoreItemTest, ALockerRenamedByHandComesBackUnderTheRowsNameBesideAnUnrelatedItem) {
    const fs::path item = MakeTree();
    const auto tree = HiddenTree(item);
    fs::rename(LockerOf(item), LockerOf(Item("Renamed")));
    WriteFile(Item() / "unrelated.txt", "not the locker's");
    const auto unrelated = Listing(Item());
    ScriptedConflict conflict;
    const TProtectOutcome outcome = Restore(Item("Renamed"), conflict.Callbacks());
    ASSERT_TRUE(outcome.Success) << outcome.MessageText;
    EXPECT_EQ(conflict.Asked, 0);
    EXPECT_EQ(Listing(Item("Renamed")), tree);
    EXPECT_EQ(Listing(Item()), unrelated);
}

// Remains of a run killed part-way lie under staging names, never under the
// item's name: the next restore settles them without asking and restores.
struct KillRemains {
    const char* Name;
    // Leaves what the kill leaves of the tree at item: its locker and remains.
    void (*Leave)(const fs::path& item);
};

const KillRemains KillRemainsCases[] = {
    {"TruncatedExtraction",
     [](const fs::path& item) {
         HiddenTree(item);
         platform::CreatePrivateDirectory(item.parent_path() / ".Private.vkrestore-00AA00AA00AA");
         WriteFile(item.parent_path() / ".Private.vkrestore-00AA00AA00AA" / "Private" / "a.txt", "al");
     }},
    {"HalfDeletedHide",
     [](const fs::path& item) {
         LeaveHiddenButNotDeleted(item);
         const fs::path doomed = item.parent_path() / ".Private.vkdelete-00AA00AA00AA";
         fs::rename(item, doomed);
         fs::remove(doomed / "a.txt");
     }},
    {"CheckedHideNotYetDeleted",
     [](const fs::path& item) {
         LeaveHiddenButNotDeleted(item);
         fs::rename(item, item.parent_path() / ".Private.vkdelete-00AA00AA00AA");
     }},
};

class RestoreAfterKillTest : public ProtectTest, public ::testing::WithParamInterface<KillRemains> {};

TEST_P(RestoreAfterKillTest, SettlesTheRemainsAndRestoresWithoutAsking) {
    const fs::path item = MakeTree();
    const auto tree = Listing(item);
    GetParam().Leave(item);
    ScriptedConflict conflict{TConflictAnswer::Keep};
    const TProtectOutcome outcome = Restore(item, conflict.Callbacks());
    ASSERT_TRUE(outcome.Success) << outcome.MessageText;
    EXPECT_EQ(conflict.Asked, 0);
    EXPECT_EQ(Listing(item), tree);
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"Private"});
}

INSTANTIATE_TEST_SUITE_P(Remains, RestoreAfterKillTest, ::testing::ValuesIn(KillRemainsCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// A run killed with the complete item and its locker both present finishes
// on the next run instead of asking: the staging records tell whose the item
// under the name is.
TEST_F(RestoreItemTest, ARestoreKilledBeforeTheLockersDeletionFinishesWithoutAsking) {
    const fs::path item = MakeTree();
    const auto tree = HiddenTree(item);
    LeaveRestoredButLockerKept(item);
    ScriptedConflict conflict{TConflictAnswer::Keep};
    const TProtectOutcome outcome = Restore(item, conflict.Callbacks());
    EXPECT_EQ(conflict.Asked, 0);
    EXPECT_EQ(Listing(item), tree);
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"Private"});
    EXPECT_TRUE(outcome.Success) << outcome.MessageText;
    EXPECT_EQ(outcome.End, TProtectEnd::Restored);
    EXPECT_EQ(outcome.ItemPath, item.string());
}

TEST_F(RestoreItemTest, AnExistingItemMovedAsideComesBackWhenTheRunWasKilledBeforeTheNewOneArrived) {
    const fs::path item = MakeTree();
    HiddenTree(item);
    WriteFile(item / "mine.txt", "the existing item");
    const fs::path aside = Dir / ".Private.vkaside-00AA00AA00AA";
    protect::WriteNote(item, protect::TStageKind::Placed,
                       {{"placed", "0:0"}, {"aside", protect::IdentityAt(item)}, {"locker", "delete"}}, LockerOf(item));
    fs::rename(item, aside);
    ScriptedConflict conflict{TConflictAnswer::Skip};
    const TProtectOutcome outcome = Restore(item, conflict.Callbacks());
    ASSERT_TRUE(outcome.Success) << outcome.MessageText;
    EXPECT_EQ(conflict.Asked, 1);
    EXPECT_EQ(Listing(item), (std::map<std::string, std::string>{{"mine.txt", "the existing item"}}));
    EXPECT_EQ(NamesIn(Dir), (std::set<std::string>{"Private", "Private.vklocker"}));
}

// A failure at any step of a replacing restore puts everything back.
struct ReplaceFault {
    const char* Name;
    Op Step;
    int Nth;
    // The existing item was already discarded: the new one stays in place
    // beside its locker, which a repeat deletes.
    bool NewItemStays = false;
};

const ReplaceFault ReplaceFaults[] = {
    {"MoveAside", Op::Rename, 1}, {"MoveIntoPlace", Op::Rename, 2},      {"WriteNote", Op::Sync, 1},
    {"FlushFolder", Op::Sync, 3}, {"DeleteLocker", Op::Delete, 2, true}, // after the one file of the replaced item
};

class RestoreReplaceFaultTest : public ProtectTest, public ::testing::WithParamInterface<ReplaceFault> {};

TEST_P(RestoreReplaceFaultTest, PutsEverythingBack) {
    const fs::path item = MakeTree();
    const auto hidden = HiddenTree(item);
    WriteFile(item / "other.txt", "the existing item");
    const auto existing = Listing(item);
    ScriptedConflict conflict{TConflictAnswer::Replace};
    TProtectCallbacks callbacks = conflict.Callbacks();
    // Faults count from the question on: the extraction's own steps are done.
    const TConflictFunc ask = callbacks.Conflict;
    callbacks.Conflict = [&](const std::string& path) {
        platform::faults::FailAt(GetParam().Step, GetParam().Nth);
        return ask(path);
    };
    const TProtectOutcome outcome = Restore(item, callbacks);
    platform::faults::Clear();
    EXPECT_FALSE(outcome.Success);
    EXPECT_EQ(Listing(item), GetParam().NewItemStays ? hidden : existing);
    EXPECT_TRUE(LockerHolds(LockerOf(item), hidden));
    if (!GetParam().NewItemStays) {
        EXPECT_EQ(NamesIn(Dir), (std::set<std::string>{"Private", "Private.vklocker"}));
        return;
    }
    const TProtectOutcome repeated = Restore(item, conflict.Callbacks());
    EXPECT_EQ(repeated.End, TProtectEnd::Restored) << repeated.MessageText;
    EXPECT_EQ(Listing(item), hidden);
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"Private"});
}

INSTANTIATE_TEST_SUITE_P(Steps, RestoreReplaceFaultTest, ::testing::ValuesIn(ReplaceFaults),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace vk::test
