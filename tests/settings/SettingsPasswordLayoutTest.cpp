// The settings file keyed by the application password: it opens with the
// password exactly as typed or not at all, a wrong password changes nothing,
// and nothing public (host name, user name, the format) reads it.

#include "settings/SettingsPasswordLayout.h"
#include "settings/SettingsCurrentLayout.h"
#include "settings/SettingsLegacyLayout.h"
#include "settings/SettingsTestSupport.h"

#include <gmock/gmock.h>

#include <algorithm>

namespace vk::test {

namespace fs = std::filesystem;

namespace {

const fs::path GoldenFolder = fs::path(VEILKEEP_TEST_DATA) / "settings";
const std::string GoldenPassword = "Schlüssel Ω 42";

bool Holds(const Bytes& haystack, const Bytes& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

Bytes Utf16Bytes(const std::u16string& text) {
    Bytes bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

Bytes SaveKeyed(const std::string& password, const std::vector<std::string>& paths) {
    SettingsStore store = SettingsTest::NewStore();
    store.GeneralPassword = password;
    store.StrongHide = false;
    store.StoredPaths = paths;
    store.WriteSettingsFile();
    return ReadBytes(store.SettingsFilePath());
}

} // namespace

// Written once by an encoder of its own (data/settings/encode-vks3.py): the
// reader opens it, and the writer, given the same salt and nonce, makes the
// same bytes.
TEST_F(SettingsTest, GoldenFileKeyedByThePasswordOpensAndIsReproducedByteForByte) {
    const Bytes golden = ReadBytes(GoldenFolder / "password-v3.dt");
    SettingsStore store = NewStore();
    WriteBytes(store.SettingsFilePath(), golden);
    ASSERT_TRUE(store.LoadSettings());
    EXPECT_TRUE(store.AwaitsPassword());
    EXPECT_TRUE(store.StoredPaths.empty()); // nothing before the password
    ASSERT_TRUE(store.OpenWithPassword(GoldenPassword));
    EXPECT_FALSE(store.AwaitsPassword());
    EXPECT_FALSE(store.ReadFromOlderLayout());
    EXPECT_EQ(store.GeneralPassword, GoldenPassword);
    EXPECT_FALSE(store.StrongHide);
    EXPECT_EQ(store.StoredPaths, (std::vector<std::string>{"/home/golden/Документы", "/home/golden/photos 2024"}));
    EXPECT_EQ(store.PreviousPasswords, std::vector<std::string>{"alt-Paßwort"});
    EXPECT_TRUE(store.PasswordChangeInProgress);

    Bytes salt, nonce;
    for (std::uint8_t i = 0; i < 16; ++i) {
        salt.push_back(i);
        nonce.push_back(static_cast<std::uint8_t>(0x10 + i));
    }
    const Bytes payload = WritePasswordSettingsPayload(false, store.StoredPaths, store.PreviousPasswords, true);
    EXPECT_EQ(SealPasswordSettings(payload, GoldenPassword, salt, nonce), golden);
}

TEST_F(SettingsTest, PreviousPasswordsAndTheChangeInProgressRoundTrip) {
    SettingsStore saved = NewStore();
    saved.GeneralPassword = "new one";
    saved.StoredPaths = {"/srv/a"};
    saved.PreviousPasswords = {"older", "oldest ☂"};
    saved.PasswordChangeInProgress = true;
    saved.WriteSettingsFile();
    EXPECT_EQ(OpenPasswordImage(ReadBytes(saved.SettingsFilePath()), "new one"),
              RawPasswordPayload(1, {"/srv/a"}, {"older", "oldest ☂"}, 1));

    SettingsStore loaded = NewStore();
    ASSERT_TRUE(loaded.LoadSettings("new one"));
    EXPECT_EQ(loaded.PreviousPasswords, saved.PreviousPasswords);
    EXPECT_TRUE(loaded.PasswordChangeInProgress);

    loaded.PreviousPasswords.clear();
    loaded.PasswordChangeInProgress = false;
    loaded.WriteSettingsFile();
    SettingsStore again = NewStore();
    ASSERT_TRUE(again.LoadSettings("new one"));
    EXPECT_TRUE(again.PreviousPasswords.empty());
    EXPECT_FALSE(again.PasswordChangeInProgress);
}

// Another letter case, a space, an older password: the file stays byte for
// byte as it was, nothing beside it appears, and the right password still opens
// it afterwards.
TEST_F(SettingsTest, AWrongPasswordOpensNothingAndLeavesTheFileAsItWas) {
    const Bytes image = SaveKeyed("Hunter2", {"/srv/secret"});
    const fs::path file = NewStore().SettingsFilePath();
    SettingsStore store = NewStore();
    ASSERT_TRUE(store.LoadSettings());
    for (const char* wrong : {"hUNTER2", "hunter2", "Hunter2 ", " Hunter2", "Hunter", "", "Hunter2\n"}) {
        SCOPED_TRACE(wrong);
        EXPECT_FALSE(store.OpenWithPassword(wrong));
        EXPECT_TRUE(store.AwaitsPassword());
        EXPECT_EQ(store.GeneralPassword, "");
        EXPECT_TRUE(store.StoredPaths.empty());
    }
    EXPECT_EQ(ReadBytes(file), image);
    EXPECT_THAT(FolderEntries(file.parent_path()), ::testing::ElementsAre(file));
    EXPECT_TRUE(store.OpenWithPassword("Hunter2"));
    EXPECT_EQ(store.StoredPaths, std::vector<std::string>{"/srv/secret"});
}

// Every byte counts: a change anywhere, header included, and the file no
// longer opens (a changed version or iteration count is refused outright).
TEST_F(SettingsTest, AChangedByteAnywhereAndTheFileDoesNotOpen) {
    const Bytes image = SaveKeyed("pw", {"/srv/a"});
    for (const std::size_t offset : std::vector<std::size_t>{12, 15, 16, 31, 32, 47, 48, 79, 80, image.size() - 1}) {
        SCOPED_TRACE("offset " + std::to_string(offset));
        Bytes damaged = image;
        damaged[offset] ^= 0x01;
        WriteBytes(NewStore().SettingsFilePath(), damaged);
        SettingsStore store = NewStore();
        if (store.LoadSettings()) {
            EXPECT_FALSE(store.OpenWithPassword("pw"));
        }
        ExpectFirstRunState(store);
    }
}

// The attacker has a copy of the file, the host name, the user name and this
// format, but not the password.
TEST_F(SettingsTest, HostNameUserNameAndTheFormatReadNeitherThePasswordNorThePaths) {
    const std::string password = "Kennwort-ÄÖÜ-7";
    const std::string path = "/home/test-user/Tagebuch";
    const Bytes image = SaveKeyed(password, {path});

    EXPECT_FALSE(Holds(image, Utf8Bytes(password)));
    EXPECT_FALSE(Holds(image, Utf16Bytes(u"Kennwort-ÄÖÜ-7")));
    EXPECT_FALSE(Holds(image, Utf8Bytes(path)));
    EXPECT_FALSE(Holds(image, Utf16Bytes(u"/home/test-user/Tagebuch")));
    // Every key the public names give: the older layouts' pass phrase, and the
    // names themselves as the password.
    for (const std::string& guess : {Passphrase(), std::string(Host), std::string(User), std::string(Title),
                                     std::string(Host) + "|" + User, std::string()}) {
        SCOPED_TRACE(guess);
        EXPECT_FALSE(OpenPasswordSettings(image, guess).has_value());
        EXPECT_FALSE(ReadCurrentSettings(image, guess).has_value()); // not the version-2 layout
    }
    Bytes decoded = image;
    DecodeLegacySettings(decoded);
    EXPECT_FALSE(Holds(decoded, Utf8Bytes(password)));
    EXPECT_FALSE(Holds(decoded, Utf8Bytes(path)));
}

TEST_F(SettingsTest, AHostOrUserRenameNoLongerLocksTheFileAway) {
    SaveKeyed("pw", {"/srv/a"});
    SettingsStore renamed(Title, "renamed-host", "renamed-user");
    ASSERT_TRUE(renamed.LoadSettings("pw"));
    EXPECT_EQ(renamed.StoredPaths, std::vector<std::string>{"/srv/a"});
}

TEST_F(SettingsTest, NoFileIsWrittenWithoutAPassword) {
    SettingsStore store = NewStore();
    store.StoredPaths = {"/srv/a"};
    EXPECT_EQ(ErrorMessageOf([&] { store.WriteSettingsFile(); }), "General password is not set.");
    EXPECT_FALSE(fs::exists(store.SettingsFilePath()));
}

// An older file opens as before but with the exact comparison; the start that
// opened it writes it anew, keyed by the password, and the public names no
// longer read it.
TEST_F(SettingsTest, GoldenVersion2FileOpensExactlyAndIsThenReplacedByTheLayoutKeyedByThePassword) {
    SettingsStore store("Orvan Veilkeep", "golden-host", "golden-user");
    const fs::path file = store.SettingsFilePath();
    fs::copy_file(GoldenFolder / "current-v2.dt", file);
    const Bytes original = ReadBytes(file);

    ASSERT_TRUE(store.LoadSettings());
    EXPECT_TRUE(store.ReadFromOlderLayout());
    EXPECT_TRUE(store.AwaitsPassword());
    for (const char* wrong : {"grüne tür 7", "GRüNE TüR 7", "Grüne Tür 7 "}) {
        SCOPED_TRACE(wrong);
        EXPECT_FALSE(store.OpenWithPassword(wrong));
    }
    EXPECT_EQ(ReadBytes(file), original);
    ASSERT_TRUE(store.OpenWithPassword("Grüne Tür 7"));

    store.WriteSettingsFile(); // what the start-up does right after
    EXPECT_FALSE(store.ReadFromOlderLayout());
    const Bytes migrated = ReadBytes(file);
    EXPECT_EQ(OpenPasswordImage(migrated, "Grüne Tür 7"),
              RawPasswordPayload(0, {"/home/golden/Документы", "/home/golden/photos 2024"}, {}, 0));
    EXPECT_FALSE(Holds(migrated, Utf8Bytes("Grüne Tür 7")));
    EXPECT_FALSE(ReadCurrentSettings(migrated, store.SettingsPassphrase()).has_value());
    EXPECT_FALSE(OpenPasswordSettings(migrated, store.SettingsPassphrase()).has_value());
    EXPECT_THAT(FolderEntries(file.parent_path()), ::testing::ElementsAre(file)); // one rename, nothing left over

    SettingsStore reader("Orvan Veilkeep", "golden-host", "golden-user");
    ASSERT_TRUE(reader.LoadSettings());
    EXPECT_FALSE(reader.ReadFromOlderLayout());
    EXPECT_FALSE(reader.OpenWithPassword("grüne tür 7"));
    EXPECT_TRUE(reader.OpenWithPassword("Grüne Tür 7"));
}

} // namespace vk::test
