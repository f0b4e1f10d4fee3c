#include "locker/LockerBuilder.h"
#include "locker/LockerTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace vk {
namespace {

namespace fs = std::filesystem;
using test::CraftedLocker;

// A folder locker "root" holding sub\x.txt and y.txt.
CraftedLocker TreeLocker() {
    CraftedLocker locker;
    locker.Entries = {{"sub", true, 0x10, ""}, {"sub\\x.txt", false, 0x20, "new x"}, {"y.txt", false, 0x21, "new y"}};
    return locker;
}

unsigned ModeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Links planted in the target folder: extraction fails naming the link, and
// whatever the link points to keeps its content and its mode.
TEST(HostileTargets, LinksOnTheWayFailAndTheirTargetsStayUntouched) {
    struct Case {
        const char* name;
        const char* linkName;  // below the target folder
        bool linkToFolder;     // else to the outside file
        const char* shownPath; // the item the message names
    };
    const Case cases[] = {
        {"a link as the root name", "root", true, "root"},
        {"a link as a stored folder", "root/sub", true, "root/sub"},
        {"a link as a stored file", "root/y.txt", false, "root/y.txt"},
        {"a link as a nested stored file", "root/sub/x.txt", false, "root/sub/x.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder temp;
        const fs::path outside = temp / "outside";
        test::WriteFile(outside / "secret.txt", "keep me");
        fs::permissions(outside / "secret.txt", static_cast<fs::perms>(0644));
        const fs::path target = temp / "target";
        const fs::path link = target / c.linkName;
        fs::create_directories(link.parent_path());
        fs::create_symlink(c.linkToFolder ? outside : outside / "secret.txt", link);
        const CraftedLocker locker = TreeLocker();
        locker.WriteTo(temp / "a.vklocker");

        const TLockerResult result = ExtractLocker((temp / "a.vklocker").string(), target.string(), locker.Password);
        EXPECT_FALSE(result.Success);
        EXPECT_EQ(result.MessageText, "Cannot create \"" + (target / c.shownPath).string() +
                                          "\": a link is in its place, and extraction never writes through links.");
        EXPECT_EQ(test::TreeOf(outside), (std::map<std::string, std::string>{{"secret.txt", "keep me"}}));
        EXPECT_EQ(ModeOf(outside / "secret.txt"), 0644u);
        EXPECT_EQ(ModeOf(outside), ModeOf(temp / "outside"));
        EXPECT_TRUE(fs::is_symlink(link));
    }
}

// A plain file in the way is replaced by a new file: another name of the same
// file (a hard link from outside the target) keeps the old content.
TEST(HostileTargets, AnExistingFileIsReplacedNotWrittenThrough) {
    test::TempFolder temp;
    test::WriteFile(temp / "outside.txt", "outside");
    fs::create_directories(temp / "target" / "root");
    fs::create_hard_link(temp / "outside.txt", temp / "target" / "root" / "y.txt");
    const CraftedLocker locker = TreeLocker();
    locker.WriteTo(temp / "a.vklocker");

    const TLockerResult result =
        ExtractLocker((temp / "a.vklocker").string(), (temp / "target").string(), locker.Password);
    ASSERT_TRUE(result.Success) << result.MessageText;
    EXPECT_EQ(test::ReadFile(temp / "target" / "root" / "y.txt"), "new y");
    EXPECT_EQ(test::ReadFile(temp / "outside.txt"), "outside");
}

// The folder's list of hidden names is only ever read and replaced in the
// folder itself: a link in its place is not followed.
TEST(HostileTargets, HiddenListLinkIsNotFollowed) {
    test::TempFolder temp;
    test::WriteFile(temp / "outside.txt", "x.txt\nother\n");
    fs::create_directories(temp / "target");
    fs::create_symlink(temp / "outside.txt", temp / "target" / ".hidden");
    CraftedLocker locker;
    locker.RootName = "x.txt";
    locker.RootIsFolder = false;
    locker.Entries = {{"x.txt", false, 0x22, "content"}};
    locker.WriteTo(temp / "a.vklocker");

    const TLockerResult result =
        ExtractLocker((temp / "a.vklocker").string(), (temp / "target").string(), locker.Password);
    ASSERT_TRUE(result.Success) << result.MessageText;
    EXPECT_EQ(test::ReadFile(temp / "target" / "x.txt"), "content");
    EXPECT_EQ(test::ReadFile(temp / "outside.txt"), "x.txt\nother\n");
    EXPECT_TRUE(fs::is_symlink(temp / "target" / ".hidden"));
}

// Restored items are owner-only whatever the umask and whatever modes the
// source had; read-only stays read-only. New lockers are owner-only too.
// The locker is owner-only whatever the umask; restored items get the modes
// their locker stored, not the umask's (without the stored modes they are
// owner-only: LockerTimes).
TEST(HostileTargets, LockersAreOwnerOnlyAndRestoredItemsGetTheirStoredModes) {
    test::TempFolder temp;
    const fs::path source = temp / "Tree";
    test::WriteFile(source / "open.txt", "a");
    test::WriteFile(source / "key", "b");
    test::WriteFile(source / "Sub" / "ro.txt", "c");
    fs::permissions(source / "open.txt", static_cast<fs::perms>(0666));
    fs::permissions(source / "key", static_cast<fs::perms>(0600));
    fs::permissions(source / "Sub" / "ro.txt", static_cast<fs::perms>(0444));
    fs::permissions(source / "Sub", static_cast<fs::perms>(0755));
    fs::permissions(source, static_cast<fs::perms>(0750));
    const mode_t oldMask = ::umask(077);
    test::CreateOk(source, temp / "t.vklocker");
    const TLockerResult result = ExtractLocker((temp / "t.vklocker").string(), (temp / "out").string(), "secret");
    ::umask(oldMask);
    ASSERT_TRUE(result.Success) << result.MessageText;
    EXPECT_EQ(ModeOf(temp / "t.vklocker"), 0600u);
    EXPECT_EQ(ModeOf(temp / "out" / "Tree"), 0750u);
    EXPECT_EQ(ModeOf(temp / "out" / "Tree" / "Sub"), 0755u);
    EXPECT_EQ(ModeOf(temp / "out" / "Tree" / "open.txt"), 0666u);
    EXPECT_EQ(ModeOf(temp / "out" / "Tree" / "key"), 0600u);
    EXPECT_EQ(ModeOf(temp / "out" / "Tree" / "Sub" / "ro.txt"), 0444u);
    EXPECT_EQ(platform::GetFileAttributes(temp / "out" / "Tree" / "Sub" / "ro.txt") & platform::FILE_ATTRIBUTE_READONLY,
              platform::FILE_ATTRIBUTE_READONLY);
}

} // namespace
} // namespace vk
