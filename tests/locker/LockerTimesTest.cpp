#include "locker/LockerTestSupport.h"
#include "locker/TAesCtrTransform.h"
#include "security/uSecurityUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

namespace vk {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::WriteFile;

struct Stamp {
    std::int64_t seconds;
    std::int32_t nanoseconds; // a multiple of 100: Windows keeps 100 ns steps
    bool operator==(const Stamp&) const = default;
};

void SetTime(const fs::path& path, Stamp stamp) {
#ifdef _WIN32
    // The standard library there sets a time on files alone.
    if (fs::is_directory(path)) {
        ASSERT_TRUE(platform::FolderHandle::Open(path).SetModifyTime({stamp.seconds, stamp.nanoseconds}));
        return;
    }
#endif
    const auto sys =
        std::chrono::sys_seconds(std::chrono::seconds(stamp.seconds)) + std::chrono::nanoseconds(stamp.nanoseconds);
    fs::last_write_time(path, std::chrono::file_clock::from_sys(sys));
}

Stamp TimeOf(const fs::path& path) {
#ifdef _WIN32
    // The standard library there reads whole seconds from 1970 on.
    const platform::TModifyTime time = platform::FolderAttributes(path.parent_path()).Get(path).ModifyTime;
    return {time.Seconds, time.Nanoseconds};
#endif
    const auto since = std::chrono::file_clock::to_sys(fs::last_write_time(path)).time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(since);
    return {seconds.count(), static_cast<std::int32_t>(std::chrono::nanoseconds(since - seconds).count())};
}

#ifndef _WIN32
unsigned ModeOf(const fs::path& path) {
    return static_cast<unsigned>(fs::status(path).permissions()) & 0777;
}
#endif

struct Item {
    const char* name;
    const char* path; // below the source folder; the first row is the root
    bool isDir;
    unsigned mode;
    Stamp time;
};

// Folders before what they hold; times are set last, deepest first, since
// a new name in a folder changes the folder's time.
const std::vector<Item>& Items() {
    static const std::vector<Item> items = {
        {"root folder", "Root", true, 0755, {1111111111, 0}},
        {"file", "Root/file.txt", false, 0640, {1600000000, 123456700}},
        {"folder", "Root/Folder", true, 0750, {1500000000, 0}},
        {"nested folder", "Root/Folder/Deeper", true, 0711, {1400000000, 900}},
        {"nested file", "Root/Folder/Deeper/nested.bin", false, 0604, {1234567890, 987654300}},
        {"read-only", "Root/ro.txt", false, 0444, {1300000000, 100}},
        {"empty", "Root/empty.txt", false, 0600, {1200000000, 0}},
        {"before 1970", "Root/old.txt", false, 0644, {-315619200, 500}},
        {"past 2038", "Root/future.txt", false, 0664, {4102444800, 0}},
    };
    return items;
}

void MakeItems(const fs::path& base) {
    for (const Item& item : Items()) {
        if (item.isDir)
            fs::create_directories(base / item.path);
        else
            WriteFile(base / item.path, std::string(item.name) == "empty" ? "" : test::SomeData(3000, 7));
    }
    for (auto item = Items().rbegin(); item != Items().rend(); ++item) {
#ifndef _WIN32
        fs::permissions(base / item->path, fs::perms(item->mode));
#endif
        SetTime(base / item->path, item->time);
    }
}

// The items restored below out have the times and modes of those below in.
void ExpectTimesAndModes(const fs::path& out, const fs::path& in) {
    for (const Item& item : Items()) {
        SCOPED_TRACE(item.name);
        EXPECT_EQ(TimeOf(out / item.path), TimeOf(in / item.path));
#ifndef _WIN32
        // The standard library on Windows sets a file's time in whole seconds.
        EXPECT_EQ(TimeOf(out / item.path), item.time);
        EXPECT_EQ(ModeOf(out / item.path), item.mode);
#endif
    }
}

// The items restored below out have the time of the restore and owner-only modes.
void ExpectOwnerOnlyWithoutTimes(const fs::path& out) {
    EXPECT_NE(TimeOf(out / "Root" / "old.txt"), (Stamp{-315619200, 500}));
#ifndef _WIN32
    EXPECT_EQ(ModeOf(out / "Root" / "file.txt"), 0600u);
    EXPECT_EQ(ModeOf(out / "Root" / "ro.txt"), 0400u);
    EXPECT_EQ(ModeOf(out / "Root" / "Folder"), 0700u);
#endif
}

TEST(LockerTimes, TimesAndModesComeBack) {
    TempFolder temp;
    MakeItems(temp / "in");
    const fs::path locker = temp / "Root.vklocker";
    test::CreateOk(temp / "in" / "Root", locker, "pw");
    const TLockerResult result = ExtractLocker(locker.string(), (temp / "out").string(), "pw");
    ASSERT_TRUE(result.Success) << result.MessageText;
    EXPECT_EQ(result.WarningText, "");
    ExpectTimesAndModes(temp / "out", temp / "in");
    EXPECT_EQ(test::ReadFile(temp / "out" / "Root/Folder/Deeper/nested.bin"), test::SomeData(3000, 7));

    // A locker of one file keeps the file's own time and mode.
    const fs::path one = temp / "future.txt.vklocker";
    test::CreateOk(temp / "in" / "Root" / "future.txt", one, "pw");
    ASSERT_TRUE(ExtractLocker(one.string(), (temp / "one").string(), "pw").Success);
    EXPECT_EQ(TimeOf(temp / "one" / "future.txt"), (Stamp{4102444800, 0}));
    EXPECT_EQ(TimeOf(temp / "one" / "future.txt"), TimeOf(temp / "in" / "Root" / "future.txt"));
#ifndef _WIN32
    EXPECT_EQ(ModeOf(temp / "one" / "future.txt"), 0664u);
#endif
}

#ifndef _WIN32
TEST(LockerTimes, SetUserIdGroupIdAndStickyAreNeverKept) {
    TempFolder temp;
    WriteFile(temp / "in" / "Shared" / "tool", "x");
    fs::permissions(temp / "in" / "Shared" / "tool", fs::perms(06755));
    fs::permissions(temp / "in" / "Shared", fs::perms(01777));
    test::CreateOk(temp / "in" / "Shared", temp / "s.vklocker", "pw");
    ASSERT_TRUE(ExtractLocker((temp / "s.vklocker").string(), (temp / "out").string(), "pw").Success);
    EXPECT_EQ(static_cast<unsigned>(fs::status(temp / "out" / "Shared" / "tool").permissions()) & 07777, 0755u);
    EXPECT_EQ(static_cast<unsigned>(fs::status(temp / "out" / "Shared").permissions()) & 07777, 0777u);
}
#endif

// Each damage of the block after the payload: the items still come back,
// owner-only and with the time of the restore, and the caller is warned.
// Without any block (a locker of the base layout) nothing is said.
TEST(LockerTimes, ADamagedBlockRestoresOwnerOnlyWithAWarning) {
    TempFolder temp;
    MakeItems(temp / "in");
    const fs::path original = temp / "orig.vklocker";
    test::CreateOk(temp / "in" / "Root", original, "pw");
    const std::int64_t end = test::PayloadEnd(original);
    const auto size = static_cast<std::int64_t>(fs::file_size(original));
    const std::string warning = "The locker's record of modification times and permissions is damaged: the items were "
                                "restored with the time of the restore and owner-only permissions.";

    struct Case {
        const char* name;
        std::function<void(const fs::path&)> damage;
        bool warned;
    };
    const auto flip = [](std::int64_t offset) { return [offset](const fs::path& f) { test::FlipBit(f, offset); }; };
    const std::vector<Case> cases = {
        {"magic", flip(end), true},
        {"version", flip(end + 4), true},
        {"record count", flip(end + 8), true},
        {"nonce", flip(end + 12), true},
        {"a record", flip(end + 28 + 5), true},
        {"MAC", flip(size - 1), true},
        {"cut short", [&](const fs::path& f) { fs::resize_file(f, static_cast<std::uintmax_t>(size - 1)); }, true},
        {"absent", [&](const fs::path& f) { fs::resize_file(f, static_cast<std::uintmax_t>(end)); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path locker = temp / "damaged.vklocker";
        fs::remove(locker);
        fs::copy_file(original, locker);
        c.damage(locker);
        const fs::path out = temp / "out";
        fs::remove_all(out);
        const TLockerResult result = ExtractLocker(locker.string(), out.string(), "pw");
        ASSERT_TRUE(result.Success) << result.MessageText;
        EXPECT_EQ(result.WarningText, c.warned ? warning : "");
        EXPECT_EQ(test::TreeOf(out), test::TreeOf(temp / "in"));
        ExpectOwnerOnlyWithoutTimes(out);
    }
}

// A new password keeps the block: the re-encrypted locker holds it under the
// new master key, bound to the new payload. A locker without one, or with a
// damaged one, is re-encrypted without one and its items still come back.
TEST(LockerTimes, ARekeyedLockerKeepsTheTimesAndModes) {
    TempFolder temp;
    MakeItems(temp / "in");
    const fs::path original = temp / "orig.vklocker";
    test::CreateOk(temp / "in" / "Root", original, "pw");
    const std::int64_t end = test::PayloadEnd(original);

    struct Case {
        const char* name;
        std::function<void(const fs::path&)> change;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"valid", [](const fs::path&) {}, true},
        {"absent", [&](const fs::path& f) { fs::resize_file(f, static_cast<std::uintmax_t>(end)); }, false},
        {"damaged", [&](const fs::path& f) { test::FlipBit(f, end + 28 + 5); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path locker = temp / "old.vklocker";
        const fs::path rekeyed = temp / "new.vklocker";
        fs::remove(locker);
        fs::remove(rekeyed);
        fs::copy_file(original, locker);
        c.change(locker);
        const TLockerResult rekey = RekeyLocker(locker.string(), rekeyed.string(), "pw", "new pw");
        ASSERT_TRUE(rekey.Success) << rekey.MessageText;
        const auto size = static_cast<std::int64_t>(fs::file_size(rekeyed));
        EXPECT_EQ(size - test::PayloadEnd(rekeyed),
                  c.kept ? 28 + 16 * static_cast<std::int64_t>(Items().size()) + 32 : 0);

        const fs::path out = temp / "out";
        fs::remove_all(out);
        const TLockerResult result = ExtractLocker(rekeyed.string(), out.string(), "new pw");
        ASSERT_TRUE(result.Success) << result.MessageText;
        EXPECT_EQ(result.WarningText, "");
        EXPECT_EQ(test::TreeOf(out), test::TreeOf(temp / "in"));
        if (c.kept)
            ExpectTimesAndModes(out, temp / "in");
        else
            ExpectOwnerOnlyWithoutTimes(out);
    }

    // A locker of one file keeps the file's own time and mode.
    const fs::path one = temp / "future.txt.vklocker";
    test::CreateOk(temp / "in" / "Root" / "future.txt", one, "pw");
    ASSERT_TRUE(RekeyLocker(one.string(), (temp / "one.vklocker").string(), "pw", "new pw").Success);
    ASSERT_TRUE(ExtractLocker((temp / "one.vklocker").string(), (temp / "one").string(), "new pw").Success);
    EXPECT_EQ(TimeOf(temp / "one" / "future.txt"), TimeOf(temp / "in" / "Root" / "future.txt"));
#ifndef _WIN32
    EXPECT_EQ(ModeOf(temp / "one" / "future.txt"), 0664u);
#endif
}

// What another implementation of the base layout does: the header, the
// payload MAC over nonce and PayloadLength bytes, the payload decrypted and
// parsed; nothing after it is looked at.
std::map<std::string, std::string> ReadAsBaseLayout(const fs::path& locker, const std::string& password) {
    const std::string raw = test::ReadFile(locker);
    const auto bytesAt = [&raw](std::size_t offset, std::size_t count) {
        return Bytes(raw.begin() + static_cast<std::ptrdiff_t>(offset),
                     raw.begin() + static_cast<std::ptrdiff_t>(offset + count));
    };
    const auto intAt = [&raw](std::size_t offset, std::size_t size) {
        std::uint64_t value = 0;
        for (std::size_t i = size; i-- > 0;)
            value = (value << 8) | static_cast<std::uint8_t>(raw.at(offset + i));
        return value;
    };
    const Bytes kek = Pbkdf2Sha256(password, bytesAt(17, 16), static_cast<std::int32_t>(intAt(13, 4)), 32);
    Bytes master = bytesAt(33, 32);
    for (std::size_t i = 0; i < master.size(); ++i)
        master[i] ^= kek[i];
    const auto length = static_cast<std::size_t>(intAt(165, 8));
    Bytes covered = bytesAt(117, 16);
    const Bytes payload = bytesAt(173, length);
    covered.insert(covered.end(), payload.begin(), payload.end());
    const auto label = [](const char* text) { return Bytes(text, text + std::strlen(text)); };
    EXPECT_EQ(HmacSha256(HmacSha256(master, label("mac")), covered), bytesAt(133, 32));

    Bytes plain = payload;
    TAesCtrTransform aes(HmacSha256(master, label("enc")), bytesAt(117, 16));
    aes.Transform(plain.data(), static_cast<std::int32_t>(plain.size()));
    std::size_t at = 0;
    const auto take = [&](std::size_t count) {
        const std::string piece(plain.begin() + static_cast<std::ptrdiff_t>(at),
                                plain.begin() + static_cast<std::ptrdiff_t>(at + count));
        at += count;
        return piece;
    };
    const auto takeInt = [&](std::size_t size) {
        const std::string piece = take(size);
        std::uint64_t value = 0;
        for (std::size_t i = size; i-- > 0;)
            value = (value << 8) | static_cast<std::uint8_t>(piece[i]);
        return value;
    };
    std::map<std::string, std::string> items;
    const std::string root = take(takeInt(4));
    const bool rootIsFolder = take(1) != std::string(1, '\0');
    if (rootIsFolder)
        items[root] = "<dir>";
    for (auto count = takeInt(4); count > 0; --count) {
        std::string path = take(takeInt(4));
        for (char& c : path)
            c = c == '\\' ? '/' : c;
        const bool isDir = take(1) != std::string(1, '\0');
        takeInt(4); // attributes
        const auto size = static_cast<std::size_t>(takeInt(8));
        items[rootIsFolder ? root + "/" + path : path] = isDir ? "<dir>" : take(size);
    }
    EXPECT_EQ(at, plain.size());
    return items;
}

TEST(LockerTimes, ALockerWithTheBlockReadAsTheBaseLayoutGivesTheSameItems) {
    TempFolder temp;
    MakeItems(temp / "in");
    const fs::path locker = temp / "Root.vklocker";
    test::CreateOk(temp / "in" / "Root", locker, "pw");
    ASSERT_GT(static_cast<std::int64_t>(fs::file_size(locker)), test::PayloadEnd(locker));
    ASSERT_TRUE(ExtractLocker(locker.string(), (temp / "out").string(), "pw").Success);
    EXPECT_EQ(ReadAsBaseLayout(locker, "pw"), test::TreeOf(temp / "out"));
}

} // namespace
} // namespace vk
