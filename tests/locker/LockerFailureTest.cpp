#include "locker/ChunkPipeline.h"
#include "locker/LockerBuilder.h"
#include "locker/LockerTestSupport.h"
#include "platform/Error.h"
#include "support/SystemTraits.h"
#include "translation/translation.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cctype>

namespace vk {
namespace {

namespace fs = std::filesystem;
using namespace vk::platform;
using test::CreateOk;
using test::SomeData;
using test::TreeOf;
using test::WriteFile;

class LockerFailure : public ::testing::Test {
protected:
    void TearDown() override { faults::Clear(); }
    test::TempFolder temp;
};

TEST_F(LockerFailure, ChecksBeforeAnyWork) {
    const fs::path locker = temp / "l.vklocker";
    EXPECT_EQ(CreateLocker((temp / "missing").string(), locker.string(), "").MessageText,
              "Source path does not exist.");
    WriteFile(temp / "f.txt", "f");
    EXPECT_EQ(CreateLocker((temp / "f.txt").string(), locker.string(), "").MessageText,
              "Locker password cannot be empty.");
    const TLockerResult root = CreateLocker("/", locker.string(), "pw");
    EXPECT_FALSE(root.Success);
    EXPECT_EQ(root.MessageText, "Invalid source path.");
    EXPECT_EQ(root.RecoveryCode, "");
    EXPECT_FALSE(fs::exists(locker));
}

TEST_F(LockerFailure, RecoveryCodeOpensOnlyAsGiven) {
    WriteFile(temp / "src" / "a.txt", "content");
    const fs::path locker = temp / "l.vklocker";
    const std::string code = CreateOk(temp / "src", locker);
    ASSERT_EQ(code.size(), 39u);

    const TLockerResult opened = ExtractLocker(locker.string(), (temp / "out").string(), code);
    ASSERT_TRUE(opened.Success) << opened.MessageText;
    EXPECT_EQ(opened.RecoveryCode, code);
    EXPECT_EQ(test::ReadFile(temp / "out" / "src" / "a.txt"), "content");

    std::string lower = code;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower != code) {
        const TLockerResult refused = ExtractLocker(locker.string(), (temp / "lower").string(), lower);
        EXPECT_EQ(refused.MessageText, "Invalid password or recovery code.");
        EXPECT_TRUE(TreeOf(temp / "lower").empty());
    }

    std::string message;
    EXPECT_FALSE(VerifyLocker(locker.string(), code, message)) << "verification tries the password slot alone";
    EXPECT_EQ(message, "Locker verification failed (MAC mismatch).");
}

TEST_F(LockerFailure, WrongSecretWritesNothingButTheTargetFolder) {
    WriteFile(temp / "src" / "a.txt", "content");
    const fs::path locker = temp / "l.vklocker";
    CreateOk(temp / "src", locker);
    for (const char* secret : {"wrong", ""}) {
        const TLockerResult result = ExtractLocker(locker.string(), (temp / "target" / "deep").string(), secret);
        EXPECT_FALSE(result.Success);
        EXPECT_EQ(result.MessageText, "Invalid password or recovery code.");
        EXPECT_TRUE(fs::is_directory(temp / "target" / "deep"));
        EXPECT_TRUE(fs::is_empty(temp / "target" / "deep"));
    }
    std::string message;
    EXPECT_FALSE(VerifyLocker(locker.string(), "wrong", message));
    EXPECT_EQ(message, "Locker verification failed (MAC mismatch).");
    // The locker was closed on the way out: it can be removed at once.
    fs::remove(locker);
    EXPECT_FALSE(fs::exists(locker));
}

TEST_F(LockerFailure, DamagedLockersAreRefusedBeforeAnythingIsWritten) {
    WriteFile(temp / "src" / "a.txt", SomeData(3000, 4));
    const fs::path original = temp / "orig.vklocker";
    const std::string code = CreateOk(temp / "src", original);
    const std::string bytes = test::ReadFile(original);
    const std::int64_t payloadLength = test::PayloadEnd(original) - 173;

    struct Case {
        const char* name;
        std::function<void(const fs::path&)> damage;
        const char* extractMessage; // with the password
        const char* verifyMessage;
    };
    const auto flip = [](std::int64_t offset) { return [offset](const fs::path& f) { test::FlipBit(f, offset); }; };
    const auto patch = [](std::int64_t offset, std::string raw) {
        return [offset, raw](const fs::path& f) { test::Patch(f, offset, raw); };
    };
    const char* mismatch = "Locker verification failed (MAC mismatch).";
    const char* invalidSecret = "Invalid password or recovery code.";
    const std::vector<Case> cases = {
        {"payload truncated by one byte", [&](const fs::path& f) { fs::resize_file(f, 173 + payloadLength - 1); },
         "Stream read error", "Stream read error"},
        {"nonce bit", flip(117), invalidSecret, mismatch},
        {"payload bit", flip(173 + payloadLength / 2), invalidSecret, mismatch},
        {"last payload bit", flip(173 + payloadLength - 1), invalidSecret, mismatch},
        {"MAC bit", flip(140), invalidSecret, mismatch},
        {"version 3", patch(9, std::string("\x03\0\0\0", 4)), "Unsupported locker version.",
         "Unsupported locker version."},
        {"version 5", patch(9, std::string("\x05\0\0\0", 4)), "Unsupported locker version.",
         "Unsupported locker version."},
        {"magic in lower case", patch(4, "vklk4"), "Invalid locker file.", "Invalid locker file."},
        {"magic length negative", patch(0, "\xff\xff\xff\xff"), "Invalid string length.", "Invalid string length."},
        {"magic length beyond the file", patch(0, std::string("\xff\xff\xff\x7f", 4)), "Stream read error",
         "Stream read error"},
        {"payload length negative", patch(165, "\xff\xff\xff\xff\xff\xff\xff\xff"), "Invalid locker payload length.",
         "Invalid locker payload length."},
        {"password iterations 0", patch(13, std::string("\0\0\0\0", 4)), "Iterations must be positive.",
         "Iterations must be positive."},
        {"recovery slot damaged", flip(80), nullptr, nullptr}, // password still opens; recovery bytes skipped
        {"bytes appended", [](const fs::path& f) { test::WriteFile(f, test::ReadFile(f) + "trailing"); }, nullptr,
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path locker = temp / "damaged.vklocker";
        fs::remove(locker); // overwrite_existing fails on some standard libraries (MinGW)
        fs::copy_file(original, locker);
        c.damage(locker);
        const fs::path target = temp / "target";
        fs::remove_all(target);
        const TLockerResult result = ExtractLocker(locker.string(), target.string(), "secret");
        std::string message;
        const bool verified = VerifyLocker(locker.string(), "secret", message);
        if (c.extractMessage == nullptr) {
            EXPECT_TRUE(result.Success) << result.MessageText;
            EXPECT_TRUE(verified) << message;
            continue;
        }
        EXPECT_FALSE(result.Success);
        EXPECT_EQ(result.MessageText, c.extractMessage);
        EXPECT_TRUE(TreeOf(target).empty()) << "nothing written";
        EXPECT_FALSE(verified);
        EXPECT_EQ(message, c.verifyMessage);
    }

    // A damaged password salt locks the password out; the recovery code still opens.
    const fs::path salted = temp / "salted.vklocker";
    fs::copy_file(original, salted);
    test::FlipBit(salted, 20);
    EXPECT_EQ(ExtractLocker(salted.string(), (temp / "s1").string(), "secret").MessageText, invalidSecret);
    EXPECT_TRUE(ExtractLocker(salted.string(), (temp / "s2").string(), code).Success);
}

TEST_F(LockerFailure, MissingLockerAndRaisedFailures) {
    EXPECT_EQ(ExtractLocker((temp / "none").string(), (temp / "t").string(), "pw").MessageText,
              "Locker file does not exist.");
    std::string message;
    EXPECT_FALSE(VerifyLocker((temp / "none").string(), "pw", message));
    EXPECT_EQ(message, "Locker file does not exist.");

    WriteFile(temp / "src.txt", "s");
    const fs::path locker = temp / "l.vklocker";
    CreateOk(temp / "src.txt", locker);
    EXPECT_THROW(ExtractLocker(locker.string(), "", "secret"), Error);
    fs::permissions(locker, fs::perms::none);
    if (test::PermissionsCanDenyReading()) {
        try {
            ExtractLocker(locker.string(), (temp / "t").string(), "secret");
            ADD_FAILURE() << "an unreadable locker is raised";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("Cannot open file"), std::string::npos) << e.what();
        }
    }
}

TEST_F(LockerFailure, CancelFromTheStartLeavesNoLocker) {
    WriteFile(temp / "src" / "a.txt", "a");
    const fs::path locker = temp / "l.vklocker";
    const TLockerResult result = CreateLocker((temp / "src").string(), locker.string(), "pw", {}, [] { return true; });
    EXPECT_FALSE(result.Success);
    EXPECT_EQ(result.MessageText, "Operation cancelled by user.");
    EXPECT_EQ(result.RecoveryCode, "");
    EXPECT_FALSE(fs::exists(locker));
}

// The window shows the engine's message as it stands: a Stop must read in
// the user's language like every other message.
TEST_F(LockerFailure, ACancelIsReportedInTheChosenLanguage) {
    WriteFile(temp / "src" / "a.txt", "a");
    const fs::path locker = temp / "l.vklocker";
    CreateOk(temp / "src", locker);
    LoadTranslation("de", fs::path(VEILKEEP_SOURCE_ROOT) / "resources" / "transl.dt");
    const auto stop = [] { return true; };
    const TLockerResult created = CreateLocker((temp / "src").string(), (temp / "m.vklocker").string(), "pw", {}, stop);
    const TLockerResult extracted = ExtractLocker(locker.string(), (temp / "out").string(), "secret", {}, stop);
    LoadTranslation(std::nullopt, temp / "none");
    EXPECT_EQ(created.MessageText, "Vorgang vom Benutzer abgebrochen.");
    EXPECT_EQ(extracted.MessageText, "Vorgang vom Benutzer abgebrochen.");
}

TEST_F(LockerFailure, CancelDuringTheSecondOfThreeFilesOnExtraction) {
    const std::size_t size = ChunkSize + ChunkSize / 4; // two chunks each
    for (const char* name : {"one", "two", "three"})
        WriteFile(temp / "src" / name, SomeData(size, 7));
    const fs::path locker = temp / "l.vklocker";
    CreateOk(temp / "src", locker);
    // Cancel points: before each entry and before each chunk. The sixth is
    // before the second chunk of the second file.
    int checks = 0;
    const TLockerResult result =
        ExtractLocker(locker.string(), (temp / "out").string(), "secret", {}, [&] { return ++checks == 6; });
    EXPECT_FALSE(result.Success);
    EXPECT_EQ(result.MessageText, "Operation cancelled by user.");
    std::vector<std::uintmax_t> sizes;
    for (const auto& item : fs::directory_iterator(temp / "out" / "src"))
        sizes.push_back(fs::file_size(item.path()));
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<std::uintmax_t>{ChunkSize, size})) << "first complete, second partial";
}

// A large file is written on a thread of its own while the next chunks are
// decrypted. A cancel still leaves every chunk decrypted before it written,
// in order, and a full disk is reported as at once.
TEST_F(LockerFailure, LargeFileExtractionStopsCleanlyOnCancelAndOnAFullDisk) {
    const std::size_t size = 17 * 1024 * 1024 + 1000; // beyond the size from which writing overlaps
    const std::string content = SomeData(size, 8);
    WriteFile(temp / "src" / "large.bin", content);
    const fs::path locker = temp / "l.vklocker";
    CreateOk(temp / "src", locker);
    const fs::path written = temp / "out" / "src" / "large.bin";

    ASSERT_TRUE(ExtractLocker(locker.string(), (temp / "out").string(), "secret").Success);
    EXPECT_EQ(test::ReadFile(written), content);
    fs::remove_all(temp / "out");

    // Cancel points: before the entry and before each chunk. The tenth comes
    // after eight chunks.
    int checks = 0;
    TLockerResult result =
        ExtractLocker(locker.string(), (temp / "out").string(), "secret", {}, [&] { return ++checks == 10; });
    EXPECT_FALSE(result.Success);
    EXPECT_EQ(result.MessageText, "Operation cancelled by user.");
    EXPECT_EQ(test::ReadFile(written), content.substr(0, 8 * ChunkSize));
    fs::remove_all(temp / "out");

    faults::FailWriteAfter(5 * 1024 * 1024);
    result = ExtractLocker(locker.string(), (temp / "out").string(), "secret");
    faults::Clear();
    EXPECT_FALSE(result.Success);
    EXPECT_NE(result.MessageText.find("No space left on device"), std::string::npos) << result.MessageText;
    EXPECT_NE(result.MessageText.find("large.bin"), std::string::npos) << result.MessageText;
}

TEST_F(LockerFailure, DiskFullMidWriteLeavesNoPartialLocker) {
    WriteFile(temp / "src" / "a.bin", SomeData(300000, 5));
    const fs::path locker = temp / "l.vklocker";
    faults::FailWriteAfter(100000);
    const TLockerResult result = CreateLocker((temp / "src").string(), locker.string(), "pw");
    faults::Clear();
    EXPECT_FALSE(result.Success);
    EXPECT_NE(result.MessageText.find("No space left on device"), std::string::npos) << result.MessageText;
    EXPECT_FALSE(fs::exists(locker));

    // When the partial locker cannot even be removed, that failure is raised.
    faults::FailWriteAfter(100000);
    faults::FailAt(faults::Op::Delete, 1);
    EXPECT_THROW(CreateLocker((temp / "src").string(), locker.string(), "pw"), Error);
}

TEST_F(LockerFailure, SourceFileChangingAfterTheWalkFailsTheCreationNamingIt) {
    // Each change turns the file the walk saw into something else before its
    // content is read. A pipe must not hold the creation up: nobody writes it.
    const std::vector<std::string> changes{"grow", "shrink", "folder",
#ifndef _WIN32
                                           "pipe"
#endif
    };
    for (const std::string& change : changes) {
        SCOPED_TRACE(change);
        const fs::path file = temp / "src" / "changing.txt";
        fs::remove_all(file);
        WriteFile(file, SomeData(1000, 6));
        const fs::path locker = temp / "l.vklocker";
        bool changed = false;
        // The first report comes after enumeration has taken the size.
        const auto progress = [&](const std::string&, std::int64_t, std::int64_t) {
            if (changed)
                return;
            changed = true;
            if (change == "grow" || change == "shrink") {
                WriteFile(file, change == "grow" ? SomeData(2000, 6) : SomeData(10, 6));
                return;
            }
            fs::remove(file);
#ifndef _WIN32
            if (change == "pipe") {
                ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
                return;
            }
#endif
            fs::create_directory(file);
        };
        const TLockerResult result = CreateLocker((temp / "src").string(), locker.string(), "pw", progress);
        EXPECT_FALSE(result.Success);
        if (change != "folder") {
            EXPECT_EQ(result.MessageText, "The file \"" + file.string() + "\" changed while it was being locked.");
        }
        EXPECT_NE(result.MessageText.find(file.string()), std::string::npos) << result.MessageText;
        EXPECT_FALSE(fs::exists(locker));
    }
}

TEST_F(LockerFailure, FolderLinksIntoTheTreeFailButOutsideLinksAreFollowed) {
    WriteFile(temp / "outside" / "o.txt", "outside");
    WriteFile(temp / "src" / "a.txt", "a");
    fs::create_directory_symlink(temp / "outside", temp / "src" / "toOutside");
    const fs::path locker = temp / "l.vklocker";
    CreateOk(temp / "src", locker);
    ASSERT_TRUE(ExtractLocker(locker.string(), (temp / "out").string(), "secret").Success);
    EXPECT_EQ(test::ReadFile(temp / "out" / "src" / "toOutside" / "o.txt"), "outside");

    fs::create_directory_symlink(temp / "src", temp / "src" / "loop");
    const TLockerResult result = CreateLocker((temp / "src").string(), (temp / "loop.vklocker").string(), "pw");
    EXPECT_FALSE(result.Success);
    EXPECT_EQ(result.MessageText,
              "The folder link \"" + (temp / "src" / "loop").string() + "\" leads back into the folder being locked.");
    EXPECT_FALSE(fs::exists(temp / "loop.vklocker"));
}

TEST_F(LockerFailure, LockerCannotOverwriteItsOwnSource) {
    WriteFile(temp / "src" / "a.txt", "keep me");
    const TLockerResult inside = CreateLocker((temp / "src").string(), (temp / "src" / "a.txt").string(), "pw");
    EXPECT_FALSE(inside.Success);
    EXPECT_EQ(test::ReadFile(temp / "src" / "a.txt"), "keep me");
    const TLockerResult itself =
        CreateLocker((temp / "src" / "a.txt").string(), (temp / "src" / "a.txt").string(), "pw");
    EXPECT_FALSE(itself.Success);
    EXPECT_EQ(test::ReadFile(temp / "src" / "a.txt"), "keep me");
}

TEST_F(LockerFailure, BackslashInANameCannotBeStored) {
    WriteFile(temp / "src" / "we\\ird.txt", "w");
    const TLockerResult result = CreateLocker((temp / "src").string(), (temp / "l.vklocker").string(), "pw");
    EXPECT_FALSE(result.Success);
    EXPECT_EQ(result.MessageText, "Cannot store the name \"we\\ird.txt\": it contains a backslash.");
    EXPECT_FALSE(fs::exists(temp / "l.vklocker"));
}

} // namespace
} // namespace vk
