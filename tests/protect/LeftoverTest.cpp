// Leftovers beside an item are acted on only when proven to be this program's
// own. Anyone who can write the item's folder can plant staging names; these
// fixtures plant what such a user could, and show that no planted name ever
// leads to deleting a locker or an existing item.

#include "platform/uPlatform.h"
#include "protect/ProtectFixture.h"

namespace vk::test {
namespace {

using LeftoverTest = ProtectTest;

// Hides the tree of MakeTree and returns what it held.
std::map<std::string, std::string> Hidden(const fs::path& item) {
    const auto tree = Listing(item);
    const TProtectOutcome outcome = HideItem(item.string(), Password, true);
    EXPECT_EQ(outcome.End, TProtectEnd::Hidden) << outcome.MessageText;
    return tree;
}

TEST_F(LeftoverTest, APlantedReadyFolderBesideAPlantedItemNeverDeletesTheLocker) {
    const fs::path item = MakeTree();
    const auto tree = Hidden(item);
    WriteFile(item, ""); // the other user's empty file under the item's name
    fs::create_directory(Dir / ".Private.vkready-00AA00AA00AA");
    ScriptedConflict conflict{TConflictAnswer::Skip};
    const TProtectOutcome outcome = Restore(item, conflict.Callbacks());
    EXPECT_EQ(outcome.End, TProtectEnd::NothingChanged) << outcome.MessageText;
    EXPECT_EQ(conflict.Asked, 1); // a conflict like any other, never a finished restore
    EXPECT_TRUE(LockerHolds(LockerOf(item), tree));
    EXPECT_EQ(ReadFile(item), "");
}

TEST_F(LeftoverTest, APlantedPairInAnExtractionsTargetNeverTouchesTheLockerElsewhere) {
    const fs::path mine = Dir / "mine";
    fs::create_directories(mine);
    const fs::path item = MakeTree();
    const auto tree = Hidden(item);
    fs::rename(LockerOf(item), mine / "Private.vklocker");
    const fs::path shared = Dir / "shared";
    WriteFile(shared / "Private", "");
    fs::create_directory(shared / ".Private.vkready-00AA00AA00AA");
    const TProtectOutcome outcome =
        ExtractWithoutReplacing((mine / "Private.vklocker").string(), shared.string(), Password);
    EXPECT_EQ(outcome.End, TProtectEnd::Failed);
    EXPECT_NE(outcome.MessageText.find("already exists"), std::string::npos) << outcome.MessageText;
    EXPECT_TRUE(LockerHolds(mine / "Private.vklocker", tree));
    EXPECT_EQ(ReadFile(shared / "Private"), "");
}

TEST_F(LeftoverTest, APlantedHideFolderIsLeftAloneAndNamedAndKeepStillRestoresTheLockersItem) {
    const fs::path item = MakeTree();
    const auto tree = Hidden(item);
    const fs::path planted = Dir / ".Private.vkhide-00AA00AA00AA";
    WriteFile(planted / "evil.txt", "planted");
    ScriptedConflict conflict{TConflictAnswer::Keep};
    const TProtectOutcome outcome = Restore(item, conflict.Callbacks());
    EXPECT_EQ(outcome.End, TProtectEnd::Restored) << outcome.MessageText;
    EXPECT_EQ(conflict.Asked, 0);
    EXPECT_EQ(Listing(item), tree);
    EXPECT_EQ(outcome.LeftoverPath, planted.string());
    EXPECT_EQ(ReadFile(planted / "evil.txt"), "planted");
}

TEST_F(LeftoverTest, AnExtractionKilledAfterItsFinalRenameLeavesTheLockerAndTheRepeatSettlesOnlyItsOwn) {
    const fs::path item = MakeTree();
    const auto tree = Hidden(item);
    const fs::path out = Dir / "out";
    // The kill's state: the item in place, the note, the empty private folder.
    const fs::path target = out / "Private";
    fs::create_directories(out);
    const fs::path ready = protect::StagingPath(target, protect::TStageKind::Ready);
    platform::CreatePrivateDirectory(ready);
    ASSERT_TRUE(ExtractLocker(LockerOf(item).string(), ready.string(), Password).Success);
    protect::WriteNote(target, protect::TStageKind::Placed,
                       {{"placed", protect::IdentityAt(ready / "Private")}, {"aside", "-"}, {"locker", "keep"}},
                       LockerOf(item));
    fs::rename(ready / "Private", target);

    const TProtectOutcome outcome = ExtractWithoutReplacing(LockerOf(item).string(), out.string(), Password);
    EXPECT_EQ(outcome.End, TProtectEnd::Failed); // the item is there: nothing is replaced
    EXPECT_TRUE(LockerHolds(LockerOf(item), tree));
    EXPECT_EQ(Listing(target), tree);
    EXPECT_EQ(NamesIn(out), std::set<std::string>{"Private"});
}

// An existing item that an interrupted replace set aside is the only copy of
// that version: once anything else holds the name, it is kept and named.
struct RecreatedName {
    const char* Name;
    bool LockerDeleted; // the replace got as far as deleting the locker
};

const RecreatedName RecreatedNames[] = {
    {"AfterTheLockersDeletion", true},
    {"BeforeTheLockersDeletion", false},
};

class AsideKeptTest : public ProtectTest, public ::testing::WithParamInterface<RecreatedName> {};

TEST_P(AsideKeptTest, AnItemSetAsideIsNeverDeletedWhenTheNameWasRecreated) {
    const fs::path item = MakeTree();
    Hidden(item);
    WriteFile(item / "mine.txt", "the existing version");
    const fs::path aside = Dir / ".Private.vkaside-00AA00AA00AA";
    protect::WriteNote(item, protect::TStageKind::Placed,
                       {{"placed", "0:0"}, {"aside", protect::IdentityAt(item)}, {"locker", "delete"}}, LockerOf(item));
    fs::rename(item, aside);
    if (GetParam().LockerDeleted)
        fs::remove(LockerOf(item));
    WriteFile(item, "recreated by something else");

    ScriptedConflict conflict{TConflictAnswer::Skip};
    const TProtectOutcome restored = Restore(item, conflict.Callbacks());
    EXPECT_NE(restored.End, TProtectEnd::Failed) << restored.MessageText;
    EXPECT_EQ(restored.LeftoverPath, aside.string());
    EXPECT_EQ(ReadFile(aside / "mine.txt"), "the existing version");

    const TProtectOutcome hidden = Hide(item);
    EXPECT_EQ(ReadFile(aside / "mine.txt"), "the existing version");
    if (GetParam().LockerDeleted) {
        EXPECT_EQ(hidden.End, TProtectEnd::Hidden) << hidden.MessageText;
        EXPECT_EQ(hidden.LeftoverPath, aside.string());
    }
}

INSTANTIATE_TEST_SUITE_P(States, AsideKeptTest, ::testing::ValuesIn(RecreatedNames),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(LeftoverTest, AReplacedItemGoesAsTheDiscardHookSays) {
    const struct {
        TDiscardAnswer Answer;
        bool AsideStays;
    } cases[] = {{TDiscardAnswer::DeleteForGood, false}, {TDiscardAnswer::KeepIt, true}, {TDiscardAnswer::Taken, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Answer));
        const fs::path item = MakeTree("Item" + std::to_string(static_cast<int>(c.Answer)));
        const auto hidden = Hidden(item);
        WriteFile(item / "mine.txt", "existing");
        ScriptedConflict conflict{TConflictAnswer::Replace};
        TProtectCallbacks callbacks = conflict.Callbacks();
        std::string offered;
        callbacks.Discard = [&](const std::string& path) {
            offered = path;
            return c.Answer;
        };
        const TProtectOutcome outcome = Restore(item, callbacks);
        EXPECT_EQ(outcome.End, TProtectEnd::Restored) << outcome.MessageText;
        EXPECT_EQ(Listing(item), hidden);
        EXPECT_EQ(fs::exists(offered), c.AsideStays);
        EXPECT_EQ(outcome.LeftoverPath.empty(), c.Answer != TDiscardAnswer::KeepIt);
        if (c.Answer == TDiscardAnswer::KeepIt) {
            EXPECT_EQ(ReadFile(fs::path(outcome.LeftoverPath) / "mine.txt"), "existing");
        }
        fs::remove_all(offered);
    }
}

TEST_F(LeftoverTest, KeepWithKeepItLeavesTheLockerBesideTheItem) {
    const fs::path item = MakeTree();
    Hidden(item);
    WriteFile(item / "mine.txt", "existing");
    ScriptedConflict conflict{TConflictAnswer::Keep};
    TProtectCallbacks callbacks = conflict.Callbacks();
    callbacks.Discard = [](const std::string&) { return TDiscardAnswer::KeepIt; };
    const TProtectOutcome outcome = Restore(item, callbacks);
    EXPECT_EQ(outcome.End, TProtectEnd::Kept);
    EXPECT_EQ(outcome.LeftoverPath, LockerOf(item).string());
    EXPECT_TRUE(fs::exists(LockerOf(item)));
}

// A hide whose item cannot be deleted in full fails naming what is left,
// hands over the code of the locker it kept, and the next run finishes.
TEST_F(LeftoverTest, APartlyDeletedHideFailsWithItsRecoveryCodeAndTheNextHideFinishes) {
    const fs::path item = MakeTree();
    const auto tree = Listing(item);
    platform::faults::FailAt(platform::faults::Op::Delete, 1);
    const TProtectOutcome first = Hide(item);
    platform::faults::Clear();
    EXPECT_EQ(first.End, TProtectEnd::Failed);
    EXPECT_FALSE(first.RecoveryCode.empty());
    EXPECT_NE(first.LeftoverPath.find(".Private.vkdelete-"), std::string::npos) << first.LeftoverPath;
    EXPECT_TRUE(fs::exists(first.LeftoverPath));

    const TProtectOutcome second = Hide(item);
    EXPECT_EQ(second.End, TProtectEnd::Hidden) << second.MessageText;
    EXPECT_TRUE(second.RecoveryCode.empty()); // the first run handed it over
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"Private.vklocker"});
    EXPECT_TRUE(LockerHolds(LockerOf(item), tree));
}

} // namespace
} // namespace vk::test

namespace vk::test {
namespace {

using MessageTest = ProtectTest;

TEST_F(MessageTest, ARestoreThatLosesTheNameToAnotherProgramSaysSo) {
    const fs::path item = MakeTree();
    const auto tree = Hidden(item);
    // Just before the extracted item takes the free name, another program takes it.
    platform::faults::RunAt(platform::faults::Op::Rename, 2, [&] { WriteFile(item, "another program's"); });
    const TProtectOutcome outcome = Restore(item);
    platform::faults::Clear();
    EXPECT_EQ(outcome.End, TProtectEnd::Failed);
    EXPECT_EQ(outcome.MessageText, "Cannot restore: an item of the same name appeared meanwhile:\n" + item.string());
    EXPECT_EQ(ReadFile(item), "another program's");
    EXPECT_TRUE(LockerHolds(LockerOf(item), tree));
}

TEST_F(MessageTest, ALockerThatCannotBeHiddenSaysWhyAndKeepsTheItem) {
    WriteFile(Item("plan.txt"), "the plan");
    platform::faults::FailAt(platform::faults::Op::SetAttributes, 1);
    const TProtectOutcome outcome = Hide(Item("plan.txt"));
    platform::faults::Clear();
    EXPECT_EQ(outcome.End, TProtectEnd::Failed);
    EXPECT_EQ(outcome.MessageText.rfind("Cannot hide the locker; the disk may be full: ", 0), 0u)
        << outcome.MessageText;
    EXPECT_EQ(NamesIn(Dir), std::set<std::string>{"plan.txt"});
}

} // namespace
} // namespace vk::test
