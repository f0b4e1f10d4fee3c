#include "locker/LockerEntries.h"
#include "locker/LockerListing.h"
#include "locker/LockerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vk {
namespace {

namespace fs = std::filesystem;
using namespace vk::platform;
using test::CreateOk;
using test::SomeData;
using test::TreeOf;
using test::WriteFile;

constexpr std::uint32_t HiddenAndSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

TEST(LockerRoundTrip, OneFileWithItsAttributes) {
    test::TempFolder temp;
    const fs::path source = temp / "src" / "x.txt";
    WriteFile(source, SomeData(100000, 1));
    ASSERT_TRUE(SetFileAttributes(source, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    const std::uint32_t stored = GetFileAttributes(source);

    const fs::path locker = temp / "x.txt.vklocker";
    const std::string code = CreateOk(source, locker);
    std::string message = "unset";
    EXPECT_TRUE(VerifyLocker(locker.string(), "secret", message));
    EXPECT_EQ(message, "");

    const TLockerResult result = ExtractLocker(locker.string(), (temp / "out").string(), "secret");
    ASSERT_TRUE(result.Success) << result.MessageText;
    EXPECT_EQ(result.MessageText, "Locker extracted successfully.");
    EXPECT_EQ(result.RecoveryCode, "") << "the password slot opened it";
    EXPECT_EQ(TreeOf(temp / "out"), (std::map<std::string, std::string>{{"x.txt", SomeData(100000, 1)}}));
    EXPECT_EQ(GetFileAttributes(temp / "out" / "x.txt"), stored & ~HiddenAndSystem) << "read-only, not hidden";
    EXPECT_EQ(test::ReadFile(source), SomeData(100000, 1)) << "the source is never touched";

    // A second locker of the same source draws fresh keys, salts, nonce and code.
    const std::string code2 = CreateOk(source, temp / "second.vklocker");
    EXPECT_NE(code, code2);
    const std::string a = test::ReadFile(locker), b = test::ReadFile(temp / "second.vklocker");
    for (auto [offset, size] : {std::pair{17, 48}, {69, 48}, {117, 16}})
        EXPECT_NE(a.substr(offset, size), b.substr(offset, size)) << "at " << offset;
}

TEST(LockerRoundTrip, TreeWithEmptyFolderEmptyFileHiddenItemsAndNonAsciiNames) {
    test::TempFolder temp;
    const fs::path root = temp / PathFromUtf8("Dätä");
    WriteFile(root / "x.txt", "plain");
    WriteFile(root / "empty.bin", "");
    WriteFile(root / ".dotted", "dot-hidden");
    WriteFile(root / "listed.txt", "listed hidden");
    WriteFile(root / "Sub" / "y.txt", SomeData(5000, 2));
    WriteFile(root / "Sub" / PathFromUtf8("Ünïcødé 文件.txt"), "名前");
    WriteFile(root / "Sub" / "Deeper" / "ro.txt", "read only");
    fs::create_directories(root / "Empty Folder");
    fs::create_directories(root / "HiddenFolder");
    ASSERT_TRUE(SetFileAttributes(root / "listed.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(SetFileAttributes(root / "HiddenFolder", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributes(root / "Sub" / "Deeper" / "ro.txt", FILE_ATTRIBUTE_READONLY));

    std::map<std::string, std::uint32_t> sourceAttributes;
    for (const auto& item : fs::recursive_directory_iterator(root))
        sourceAttributes[Utf8FromPath(fs::relative(item.path(), root))] = GetFileAttributes(item.path());
    auto expectedTree = TreeOf(root);
    expectedTree.erase(".hidden"); // the platform's list of hidden names, not content

    const fs::path locker = temp / "tree.vklocker";
    CreateOk(root, locker);
    const TLockerResult result = ExtractLocker(locker.string(), (temp / "out").string(), "secret");
    ASSERT_TRUE(result.Success) << result.MessageText;
    const fs::path back = temp / "out" / PathFromUtf8("Dätä");
    EXPECT_EQ(TreeOf(back), expectedTree);
    for (const auto& [relative, attributes] : sourceAttributes) {
        if (relative == ".hidden" || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            continue; // a folder's stored bits are not applied
        std::uint32_t expected = attributes & ~HiddenAndSystem;
        if (Utf8FromPath(PathFromUtf8(relative).filename()).front() == '.')
            expected |= FILE_ATTRIBUTE_HIDDEN; // a leading dot hides the name on this platform
        EXPECT_EQ(GetFileAttributes(back / PathFromUtf8(relative)), expected == 0 ? FILE_ATTRIBUTE_NORMAL : expected)
            << relative;
    }
}

// Names outside ASCII are stored as UTF-8, whatever form the system gives
// them, and come back as the same names: a locker made on one system opens
// with its names on the other. The names on disk are checked through the
// standard library's own UTF-8 paths (u8 literals), not through the
// conversions under test.
TEST(LockerRoundTrip, NamesOutsideAsciiAreStoredAsUtf8AndComeBack) {
    // Below the root, "/" between folders; u8 literals are UTF-8 by definition.
    const std::vector<std::u8string> names = {u8"été.txt", u8"日本/ß", u8"😀 grin.txt", u8"Ωμέγα/Ünïcødé 文件"};
    // The UTF-8 bytes a locker stores, backslash between folders.
    const auto storedForm = [](std::u8string name) {
        std::replace(name.begin(), name.end(), u8'/', u8'\\');
        return std::string(name.begin(), name.end());
    };
    test::TempFolder temp;
    const fs::path root = temp / u8"Wörter";
    for (const std::u8string& name : names)
        WriteFile(root / name, "content of " + storedForm(name));

    CreateOk(root, temp / "names.vklocker");
    const TLockerListing listing = ListLocker((temp / "names.vklocker").string(), "secret");
    EXPECT_EQ(listing.RootName, storedForm(u8"Wörter"));
    std::vector<std::string> stored;
    for (const TEntryInfo& entry : listing.Entries)
        stored.push_back(entry.RelativePath);
    for (const std::u8string& name : names)
        EXPECT_NE(std::find(stored.begin(), stored.end(), storedForm(name)), stored.end()) << storedForm(name);

    const fs::path target = temp / u8"ausgepackt ☂";
    const TLockerResult result = ExtractLocker((temp / "names.vklocker").string(), Utf8FromPath(target), "secret");
    ASSERT_TRUE(result.Success) << result.MessageText;
    for (const std::u8string& name : names)
        EXPECT_EQ(test::ReadFile(target / u8"Wörter" / name), "content of " + storedForm(name)) << storedForm(name);
    EXPECT_EQ(TreeOf(target / u8"Wörter"), TreeOf(root));
}

TEST(LockerRoundTrip, EntriesArePreOrderWithStoredNames) {
    test::TempFolder temp;
    const fs::path root = temp / "A";
    WriteFile(root / "x.txt", "x");
    WriteFile(root / "Sub" / "y.txt", "y");
    fs::create_directories(root / "Sub" / "Inner");
    TEntryList list;
    CollectEntries(root, root, list);
    std::vector<std::string> paths;
    for (const auto& entry : list)
        paths.push_back(entry.RelativePath);
    const auto at = [&](const std::string& p) { return std::find(paths.begin(), paths.end(), p) - paths.begin(); };
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_LT(at("Sub"), at("Sub\\y.txt"));
    EXPECT_LT(at("Sub"), at("Sub\\Inner"));
    EXPECT_LT(at("x.txt"), 4);
    EXPECT_TRUE(list[static_cast<std::size_t>(at("Sub"))].IsDir);
    EXPECT_EQ(list[static_cast<std::size_t>(at("x.txt"))].Size, 1);
}

TEST(LockerRoundTrip, TrailingSeparatorGivesTheSameRootAndEntries) {
    test::TempFolder temp;
    WriteFile(temp / "Folder" / "a.txt", "a");
    WriteFile(temp / "Folder" / "b" / "c.txt", "c");
    CreateOk(temp / "Folder", temp / "plain.vklocker");
    CreateOk((temp / "Folder").string() + "/", temp / "slash.vklocker");
    ASSERT_TRUE(ExtractLocker((temp / "plain.vklocker").string(), (temp / "p").string(), "secret").Success);
    ASSERT_TRUE(ExtractLocker((temp / "slash.vklocker").string(), (temp / "s").string(), "secret").Success);
    EXPECT_EQ(TreeOf(temp / "p"), TreeOf(temp / "s"));
    EXPECT_TRUE(fs::exists(temp / "s" / "Folder" / "b" / "c.txt"));
    EXPECT_EQ(fs::file_size(temp / "plain.vklocker"), fs::file_size(temp / "slash.vklocker"));
}

TEST(LockerRoundTrip, EmptyFolderHasNoEntriesAndOneProgressReport) {
    test::TempFolder temp;
    fs::create_directories(temp / "Empty");
    std::vector<std::pair<std::int64_t, std::int64_t>> reports;
    const TLockerResult result = CreateLocker(
        (temp / "Empty").string(), (temp / "e.vklocker").string(), "pw",
        [&](const std::string&, std::int64_t done, std::int64_t total) { reports.emplace_back(done, total); },
        [] { return true; }); // no entry, so no cancel check
    ASSERT_TRUE(result.Success) << result.MessageText;
    EXPECT_EQ(reports, (std::vector<std::pair<std::int64_t, std::int64_t>>{{14, 14}}));
    EXPECT_EQ(test::PayloadEnd(temp / "e.vklocker"), 173 + 14);
    ASSERT_TRUE(ExtractLocker((temp / "e.vklocker").string(), (temp / "out").string(), "pw").Success);
    EXPECT_TRUE(fs::is_directory(temp / "out" / "Empty"));
}

TEST(LockerRoundTrip, ProgressOfTwentyMegabytes) {
    test::TempFolder temp;
    const fs::path source = temp / "big.bin";
    const std::string data = SomeData(20 * 1024 * 1024, 3);
    WriteFile(source, data);
    struct Report {
        std::string path;
        std::int64_t done, total;
    };
    std::vector<Report> reports;
    const auto record = [&](const std::string& path, std::int64_t done, std::int64_t total) {
        reports.push_back({path, done, total});
    };
    const TLockerResult created = CreateLocker(source.string(), (temp / "big.vklocker").string(), "pw", record);
    ASSERT_TRUE(created.Success) << created.MessageText;
    const std::int64_t total = (11 + 5) + (11 + 13) + 20 * 1024 * 1024; // root header, entry header, content
    ASSERT_GE(reports.size(), 4u);
    EXPECT_EQ(reports.front().done, 11 + 5) << "the start of the payload";
    EXPECT_EQ(reports.back().done, total);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].total, total);
        EXPECT_GE(reports[i].done, reports[i - 1].done);
        EXPECT_LE(reports[i].done - reports[i - 1].done, 8 * 1024 * 1024 + 64) << "at least every 8 MiB";
    }
    EXPECT_EQ(test::PayloadEnd(temp / "big.vklocker"), 173 + total);

    reports.clear();
    const TLockerResult extracted =
        ExtractLocker((temp / "big.vklocker").string(), (temp / "out").string(), "pw", record);
    ASSERT_TRUE(extracted.Success) << extracted.MessageText;
    EXPECT_EQ(test::ReadFile(temp / "out" / "big.bin"), data);
    ASSERT_GE(reports.size(), 3u);
    EXPECT_EQ(reports.back().done, total);
    EXPECT_EQ(reports.back().total, total);
    for (std::size_t i = 1; i < reports.size(); ++i)
        EXPECT_LE(reports[i].done - reports[i - 1].done, 8 * 1024 * 1024 + 64);
}

} // namespace
} // namespace vk
