#include "settings/SettingsTestSupport.h"

#include <gmock/gmock.h>
#include <sys/stat.h>

namespace vk::test {

namespace fs = std::filesystem;

TEST_F(SettingsTest, FileLivesInATitleFolderUnderTheConfigurationBase) {
    const fs::path path = NewStore().SettingsFilePath();
    EXPECT_EQ(path, platform::ConfigBaseFolder() / Title / "settings.dt");
    EXPECT_TRUE(fs::is_directory(path.parent_path())); // created by the call itself
}

TEST_F(SettingsTest, PassphraseJoinsHostUserTitleAndSuffix) {
    EXPECT_EQ(SettingsStore("Title", "HOST", "user").SettingsPassphrase(), "HOST|user|Title|marigold-k5");
    EXPECT_EQ(SettingsStore("Orvan Veilkeep").SettingsPassphrase(),
              platform::HostName() + "|" + platform::UserName() + "|Orvan Veilkeep|marigold-k5");
}

TEST_F(SettingsTest, MissingOrEmptyFileIsAFirstRun) {
    SettingsStore missing = NewStore();
    EXPECT_TRUE(missing.LoadSettings());
    ExpectFirstRunState(missing);

    WriteBytes(NewStore().SettingsFilePath(), {});
    SettingsStore empty = NewStore();
    EXPECT_TRUE(empty.LoadSettings());
    ExpectFirstRunState(empty);
}

TEST_F(SettingsTest, RoundTripKeepsNonAsciiTextAndLengthsCountBytes) {
    SettingsStore saved = NewStore();
    saved.GeneralPassword = "Grüße ☂ 𝄞";
    saved.StrongHide = false;
    saved.StoredPaths = {"/home/ö/Документы", "/srv/日本/a b", "/srv/duplicate", "/srv/duplicate"};
    saved.WriteSettingsFile();

    SettingsStore loaded = NewStore();
    EXPECT_TRUE(loaded.LoadSettings());

    // The values wait for the password, which is not stored.
    EXPECT_TRUE(loaded.AwaitsPassword());
    EXPECT_EQ(loaded.GeneralPassword, "");
    EXPECT_TRUE(loaded.OpenWithPassword(saved.GeneralPassword));
    EXPECT_EQ(loaded.GeneralPassword, saved.GeneralPassword);
    EXPECT_FALSE(loaded.StrongHide);
    EXPECT_EQ(loaded.StoredPaths, saved.StoredPaths);

    // The payload as stored: every length prefix is a UTF-8 byte count.
    const Bytes payload = OpenPasswordImage(ReadBytes(saved.SettingsFilePath()), saved.GeneralPassword);
    EXPECT_EQ(payload, RawPasswordPayload(0, saved.StoredPaths, {}, 0));
    EXPECT_EQ(payload[5], std::string("/home/ö/Документы").size()); // 24 bytes for 17 characters
}

TEST_F(SettingsTest, TwoSavesOfOneStateDifferInSaltNonceMacAndCiphertextButLoadAlike) {
    SettingsStore store = NewStore();
    store.GeneralPassword = "secret";
    store.StoredPaths = {"/srv/a"};
    store.WriteSettingsFile();
    const Bytes first = ReadBytes(store.SettingsFilePath());
    store.WriteSettingsFile();
    const Bytes second = ReadBytes(store.SettingsFilePath());

    ASSERT_EQ(first.size(), second.size());
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + 16, second.begin())); // magic, version, iterations
    for (std::size_t offset = 16; offset < 80; offset += 16)                    // salt, nonce, the MAC's two halves
        EXPECT_NE(Bytes(first.begin() + offset, first.begin() + offset + 16),
                  Bytes(second.begin() + offset, second.begin() + offset + 16))
            << "offset " << offset;
    EXPECT_NE(Bytes(first.begin() + 80, first.end()), Bytes(second.begin() + 80, second.end()));

    for (const Bytes& image : {first, second}) {
        WriteBytes(store.SettingsFilePath(), image);
        SettingsStore loaded = NewStore();
        EXPECT_TRUE(loaded.LoadSettings("secret"));
        EXPECT_EQ(loaded.GeneralPassword, "secret");
        EXPECT_TRUE(loaded.StrongHide);
        EXPECT_EQ(loaded.StoredPaths, std::vector<std::string>{"/srv/a"});
    }
}

TEST_F(SettingsTest, FileAndFolderAreOwnerOnly) {
    SettingsStore store = NewStore();
    const fs::path folder = store.SettingsFilePath().parent_path();
    fs::permissions(folder, fs::perms::all, fs::perm_options::replace); // a folder left open by someone else
    store.GeneralPassword = "pw";
    store.WriteSettingsFile();

    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(store.SettingsFilePath()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_THAT(FolderEntries(folder),
                ::testing::ElementsAre(store.SettingsFilePath())); // no temporary file left behind
}

struct FailedSaveCase {
    const char* name;
    std::function<void()> injectFault;
    friend void PrintTo(const FailedSaveCase& c, std::ostream* out) { *out << c.name; }
};

class FailedSaveTest : public SettingsTest, public ::testing::WithParamInterface<FailedSaveCase> {};

TEST_P(FailedSaveTest, LeavesThePreviousFileByteForByteAndTheStateInMemory) {
    SettingsStore store = NewStore();
    store.GeneralPassword = "old password";
    store.StoredPaths = {"/srv/kept"};
    store.WriteSettingsFile();
    const fs::path path = store.SettingsFilePath();
    const Bytes before = ReadBytes(path);

    store.GeneralPassword = "new password";
    store.StoredPaths.push_back("/srv/new");
    GetParam().injectFault();
    EXPECT_THROW(store.WriteSettingsFile(), Error);
    platform::faults::Clear();

    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(store.GeneralPassword, "new password");
    EXPECT_EQ(store.StoredPaths.size(), 2u);
    EXPECT_THAT(FolderEntries(path.parent_path()), ::testing::ElementsAre(path)); // the temporary file is gone
    SettingsStore reloaded = NewStore();
    EXPECT_TRUE(reloaded.LoadSettings("old password"));
    EXPECT_EQ(reloaded.StoredPaths, std::vector<std::string>{"/srv/kept"});
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailedSaveTest,
    ::testing::Values(FailedSaveCase{"FinalRename", [] { platform::faults::FailAt(platform::faults::Op::Rename, 1); }},
                      FailedSaveCase{"DiskFullMidWrite", [] { platform::faults::FailWriteAfter(40); }},
                      FailedSaveCase{"Flush", [] { platform::faults::FailAt(platform::faults::Op::Sync, 1); }}),
    [](const ::testing::TestParamInfo<FailedSaveCase>& info) { return std::string(info.param.name); });

} // namespace vk::test
