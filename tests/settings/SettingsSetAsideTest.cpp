// A settings file that cannot be opened here (an older file made under another
// host or user name, damage, an unknown layout) is moved aside under a dated
// name and never overwritten.

#include "settings/SettingsCurrentLayout.h"
#include "settings/SettingsTestSupport.h"

#include <ctime>

namespace vk::test {

namespace fs = std::filesystem;

namespace {

// 2026-12-10 14:15:03 local time.
std::chrono::system_clock::time_point FixedMoment() {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 10;
    local.tm_hour = 14;
    local.tm_min = 15;
    local.tm_sec = 3;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

// A version-2 file, bound to the store's host and user name.
Bytes SaveWith(SettingsStore store, const std::string& password) {
    const Bytes image =
        SealSettingsPayload(RawPayload(password, 1, 1, {"/srv/" + password}), store.SettingsPassphrase());
    WriteBytes(store.SettingsFilePath(), image);
    return image;
}

} // namespace

TEST_F(SettingsTest, AnOlderFileFromBeforeAHostRenameIsMovedAsideAndNeverOverwritten) {
    const fs::path folder = NewStore().SettingsFilePath().parent_path();
    const Bytes first = SaveWith(SettingsStore(Title, "old-host", User), "first");

    SettingsStore renamed = NewStore(); // same user, new host name
    EXPECT_FALSE(renamed.LoadSettings());
    EXPECT_EQ(renamed.UnreadableReason(), "Settings integrity check failed.");
    ExpectFirstRunState(renamed);

    const fs::path aside = renamed.MoveSettingsFileAside(FixedMoment());
    EXPECT_EQ(aside, folder / "settings.unreadable-2026-12-10-141503.dt");
    EXPECT_EQ(ReadBytes(aside), first);
    EXPECT_FALSE(fs::exists(renamed.SettingsFilePath()));

    // A second unreadable file in the same second takes the next free name.
    const Bytes second = SaveWith(SettingsStore(Title, Host, "old-user"), "second");
    EXPECT_FALSE(renamed.LoadSettings());
    EXPECT_EQ(renamed.MoveSettingsFileAside(FixedMoment()), folder / "settings.unreadable-2026-12-10-141503-2.dt");
    EXPECT_EQ(ReadBytes(aside), first);
    EXPECT_EQ(ReadBytes(folder / "settings.unreadable-2026-12-10-141503-2.dt"), second);

    // The set-aside file still opens where it was made.
    SettingsStore oldHost(Title, "old-host", User);
    WriteBytes(oldHost.SettingsFilePath(), ReadBytes(aside));
    EXPECT_TRUE(oldHost.LoadSettings());
    EXPECT_EQ(oldHost.GeneralPassword, "first");
    EXPECT_EQ(oldHost.UnreadableReason(), "");
}

TEST_F(SettingsTest, TheReasonNamesWhatTheReadersFound) {
    struct Case {
        const char* name;
        Bytes image;
        std::string reason;
    };
    Bytes otherVersion = SaveWith(NewStore(), "pw");
    otherVersion[8] = 3;
    SettingsStore keyed = NewStore();
    keyed.GeneralPassword = "pw";
    keyed.WriteSettingsFile();
    Bytes keyedVersion4 = ReadBytes(keyed.SettingsFilePath());
    keyedVersion4[8] = 4;
    Bytes keyedFewIterations = ReadBytes(keyed.SettingsFilePath());
    keyedFewIterations[14] = 0; // 200000 becomes 3392
    Bytes keyedCut = ReadBytes(keyed.SettingsFilePath());
    keyedCut.resize(70);
    const Case cases[] = {
        {"another version", otherVersion, "Unsupported settings version."},
        {"keyed by the password, version 4", keyedVersion4, "Unsupported settings version."},
        {"keyed by the password, too few iterations", keyedFewIterations, "Invalid iteration count in settings."},
        {"keyed by the password, cut inside the MAC", keyedCut, "Unexpected end of the settings data."},
        {"not a settings file", Bytes{0xff, 0xff, 0xff, 0x7f, 1, 2}, "Unexpected end of the settings data."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(NewStore().SettingsFilePath(), c.image);
        SettingsStore store = NewStore();
        EXPECT_FALSE(store.LoadSettings());
        EXPECT_EQ(store.UnreadableReason(), c.reason);
    }
}

TEST_F(SettingsTest, AFileThatCannotBeMovedAsideStaysInPlace) {
    SettingsStore store = NewStore();
    EXPECT_NE(ErrorMessageOf([&] { store.MoveSettingsFileAside(FixedMoment()); }), ""); // no file at all
    const Bytes image = SaveWith(SettingsStore(Title, "old-host", User), "pw");
    platform::faults::FailAt(platform::faults::Op::Delete, 1);
    EXPECT_NE(ErrorMessageOf([&] { store.MoveSettingsFileAside(FixedMoment()); }), "");
    EXPECT_EQ(ReadBytes(store.SettingsFilePath()), image);
}

} // namespace vk::test
