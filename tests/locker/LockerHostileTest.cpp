#include "locker/ChunkPipeline.h"
#include "locker/LockerBuilder.h"
#include "locker/LockerTestSupport.h"

#include <gtest/gtest.h>

namespace vk {
namespace {

namespace fs = std::filesystem;
using test::CraftedEntry;
using test::CraftedLocker;

CraftedLocker FolderLocker(const std::string& rootName, std::vector<CraftedEntry> entries) {
    CraftedLocker locker;
    locker.RootName = rootName;
    locker.Entries = std::move(entries);
    return locker;
}

CraftedLocker FileLocker(const std::string& rootName, const std::string& relativePath) {
    CraftedLocker locker;
    locker.RootName = rootName;
    locker.RootIsFolder = false;
    locker.Entries = {{relativePath, false, 0x20, "payload"}};
    return locker;
}

// Every path below the sandbox that is not inside the target folder.
std::vector<std::string> Escapes(const fs::path& sandbox, const fs::path& target) {
    std::vector<std::string> escapes;
    for (const auto& item : fs::recursive_directory_iterator(sandbox)) {
        const fs::path relative = item.path().lexically_relative(target);
        if (relative.empty() || *relative.begin() == "..")
            if (item.path() != target && item.path() != target.parent_path())
                escapes.push_back(item.path().string());
    }
    return escapes;
}

TEST(HostileLockers, NothingIsWrittenOutsideTheTarget) {
    struct Case {
        const char* name;
        CraftedLocker locker;
        std::string message; // empty: extraction succeeds, inside the target
    };
    const std::vector<Case> cases = {
        {"leading parent components", FolderLocker("root", {{"..\\..\\x", false, 0x20, "x"}}),
         "Unsafe entry path in locker: \"..\\..\\x\"."},
        {"slash-separated parents", FolderLocker("root", {{"../../x", false, 0x20, "x"}}),
         "Unsafe entry path in locker: \"../../x\"."},
        {"an absolute path", FolderLocker("root", {{"/etc/x", false, 0x20, "x"}}),
         "Unsafe entry path in locker: \"/etc/x\"."},
        {"a drive-qualified path", FolderLocker("root", {{"C:\\x", false, 0x20, "x"}}),
         "Unsafe entry path in locker: \"C:\\x\"."},
        {"a drive-relative path", FolderLocker("root", {{"C:x", false, 0x20, "x"}}),
         "Unsafe entry path in locker: \"C:x\"."},
        {"a server path", FolderLocker("root", {{"\\\\server\\x", false, 0x20, "x"}}),
         "Unsafe entry path in locker: \"\\\\server\\x\"."},
        {"a drive as root name", FolderLocker("C:", {{"x", false, 0x20, "x"}}), "Unsafe root name in locker: \"C:\"."},
        {"inner parent components", FolderLocker("root", {{"a\\..\\..\\x", false, 0x20, "x"}}),
         "Unsafe entry path in locker: \"a\\..\\..\\x\"."},
        {"trailing parent component", FolderLocker("root", {{"a\\..", true, 0x10, ""}}),
         "Unsafe entry path in locker: \"a\\..\"."},
        {"NUL inside a name", FolderLocker("root", {{std::string("a\0b", 3), false, 0x20, "x"}}),
         "Unsafe entry path in locker: \"a?b\"."},
        {"root name with backslashes", FolderLocker("a\\..\\..\\evil", {}),
         "Unsafe root name in locker: \"a\\..\\..\\evil\"."},
        {"root name with a slash", FolderLocker("../evil", {}), "Unsafe root name in locker: \"../evil\"."},
        {"root name ..", FolderLocker("..", {{"x", false, 0x20, "x"}}), "Unsafe root name in locker: \"..\"."},
        {"absolute root name", FolderLocker("/tmp", {}), "Unsafe root name in locker: \"/tmp\"."},
        {"empty root name", FolderLocker("", {{"x", false, 0x20, "x"}}), "Unsafe root name in locker: \"\"."},
        {"one-file locker naming a parent", FileLocker("../x", ""), "Unsafe root name in locker: \"../x\"."},
        {"one-file locker with an absolute entry", FileLocker("ok.txt", "/etc/passwd"),
         "Unsafe entry path in locker: \"/etc/passwd\"."},
        {"negative entry count",
         [] {
             auto l = FolderLocker("root", {});
             l.EntryCount = -1;
             return l;
         }(),
         "Invalid locker entry count."},
        {"negative entry size", FolderLocker("root", {{"x", false, 0x20, "", -1}}), "Invalid entry size in locker."},
        {"entry size beyond the payload", FolderLocker("root", {{"x", false, 0x20, "abc", 1LL << 40}}),
         "Stream read error"},
        {"entry count beyond the payload",
         [] {
             auto l = FolderLocker("root", {{"x", false, 0x20, "x"}});
             l.EntryCount = 1000;
             return l;
         }(),
         "Invalid locker entry count."},
        {"fewer entries than the payload holds",
         [] {
             auto l = FolderLocker("root", {{"x", false, 0x20, "x"}, {"y", false, 0x20, "y"}});
             l.EntryCount = 1;
             return l;
         }(),
         "The locker's entries do not fill its payload."},
        {"a duplicate entry", FolderLocker("root", {{"x", false, 0x20, "first"}, {"x", false, 0x20, "second"}}),
         "Duplicate entry in locker: \"x\"."},
        {"a dot component", FolderLocker("root", {{"a", true, 0x10, ""}, {"a\\.\\x", false, 0x20, "x"}}),
         "Unsafe entry path in locker: \"a\\.\\x\"."},
        {"an empty component", FolderLocker("root", {{"a", true, 0x10, ""}, {"a\\\\x", false, 0x20, "x"}}),
         "Unsafe entry path in locker: \"a\\\\x\"."},
        {"an empty path", FolderLocker("root", {{"", false, 0x20, "x"}}), "Unsafe entry path in locker: \"\"."},
        {"a one-file locker holding a tree",
         [] {
             auto l = FolderLocker("x", {{"x", true, 0x10, ""}, {"x\\y", false, 0x20, "y"}});
             l.RootIsFolder = false;
             return l;
         }(),
         "A one-file locker must hold exactly one file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder temp;
        const fs::path locker = temp / "hostile.vklocker";
        c.locker.WriteTo(locker);
        const fs::path sandbox = temp / "sandbox";
        const fs::path target = sandbox / "deep" / "target";
        const TLockerResult result = ExtractLocker(locker.string(), target.string(), c.locker.Password);
        EXPECT_EQ(result.Success, c.message.empty()) << result.MessageText;
        if (!c.message.empty()) {
            EXPECT_EQ(result.MessageText, c.message);
        }
        EXPECT_EQ(Escapes(sandbox, target), std::vector<std::string>{});
        // A refused locker is refused before anything is written.
        if (!c.message.empty()) {
            EXPECT_TRUE(fs::is_empty(target));
        }
        for (const char* name : {"x", "evil", "etc", "passwd"})
            EXPECT_FALSE(fs::exists(temp / name) || fs::exists(sandbox / name) || fs::exists(sandbox / "deep" / name))
                << name;
    }
}

TEST(HostileLockers, VerificationChecksRootNameBeforeEntryCount) {
    test::TempFolder temp;
    CraftedLocker locker = FolderLocker("", {});
    locker.EntryCount = -3;
    locker.WriteTo(temp / "a.vklocker");
    std::string message;
    EXPECT_FALSE(VerifyLocker((temp / "a.vklocker").string(), "pw", message));
    EXPECT_EQ(message, "Locker verification failed (empty root name).");

    locker.RootName = "named";
    locker.WriteTo(temp / "b.vklocker");
    EXPECT_FALSE(VerifyLocker((temp / "b.vklocker").string(), "pw", message));
    EXPECT_EQ(message, "Locker verification failed (invalid entry count).");
}

// A locker changed after its MAC was checked: the decryption pass seals the
// bytes it reads and compares the seal with the MAC pass's, and each entry
// header with the checked table, so the extraction fails instead of reporting
// success.
TEST(HostileLockers, ALockerChangedBetweenThePassesFails) {
    // The decryption pass reads a chunk at a time; the changes lie beyond the
    // first chunk, which is read before the first progress report.
    const std::size_t bigSize = ChunkSize + 100000;
    const std::string big = test::SomeData(bigSize, 3);
    // root header: 4 + 4 + 1 + 4; "big" header: 4 + 3 + 1 + 4 + 8; then its content.
    const std::int64_t bigContent = LockerHeaderSize + 13 + 20;
    const auto bigEnd = bigContent + static_cast<std::int64_t>(bigSize);
    const std::pair<const char*, std::int64_t> cases[] = {
        {"content near the end of a file", bigEnd - 1000},
        {"the path of a later entry", bigEnd + 4},
    };
    for (const auto& [name, offset] : cases) {
        SCOPED_TRACE(name);
        test::TempFolder temp;
        CraftedLocker locker = FolderLocker("root", {{"big", false, 0x20, big}, {"b.txt", false, 0x20, "b"}});
        const fs::path path = temp / "a.vklocker";
        locker.WriteTo(path);
        bool changed = false;
        const auto changeOnce = [&](const std::string&, std::int64_t, std::int64_t) {
            if (!changed)
                test::FlipBit(path, offset);
            changed = true;
        };
        const TLockerResult result = ExtractLocker(path.string(), (temp / "out").string(), locker.Password, changeOnce);
        EXPECT_TRUE(changed);
        EXPECT_FALSE(result.Success);
        EXPECT_EQ(result.MessageText, "The locker changed while it was being read.");
    }
}

// A locker of one folder nested far deeper than the system takes is refused
// before anything is written, in little memory and time; one just within the
// limit extracts.
TEST(HostileLockers, DeepNestingIsRefusedBeforeAnythingIsWritten) {
    // One folder entry levels deep; with withParents, every folder above it too.
    const auto nested = [](std::size_t levels, bool withParents) {
        CraftedLocker locker = FolderLocker("root", {});
        std::string path;
        for (std::size_t level = 0; level < levels; ++level) {
            path += (level == 0 ? "d" : "\\d");
            if (withParents || level + 1 == levels)
                locker.Entries.emplace_back(path, true, 0x10, "");
        }
        locker.Entries.emplace_back(path + "\\f", false, 0x20, "deep");
        return locker;
    };
    const std::size_t maxDepth = platform::SystemPathLimits().MaxDepth;
    test::TempFolder temp;
    const CraftedLocker deep = nested(10000, false); // 20 KB
    deep.WriteTo(temp / "deep.vklocker");
    const TLockerResult refused =
        ExtractLocker((temp / "deep.vklocker").string(), (temp / "out1").string(), deep.Password);
    EXPECT_FALSE(refused.Success);
    EXPECT_NE(refused.MessageText.find("exceeds the limits of this system."), std::string::npos);
    EXPECT_TRUE(fs::is_empty(temp / "out1"));

    // The root folder is one level, the file another.
    const CraftedLocker within = nested(maxDepth - 2, true);
    within.WriteTo(temp / "within.vklocker");
    const TLockerResult result =
        ExtractLocker((temp / "within.vklocker").string(), (temp / "out2").string(), within.Password);
    ASSERT_TRUE(result.Success) << result.MessageText;
    fs::path file = temp / "out2" / "root";
    for (std::size_t level = 0; level < maxDepth - 2; ++level)
        file /= "d";
    EXPECT_EQ(test::ReadFile(file / "f"), "deep");
}

} // namespace
} // namespace vk
