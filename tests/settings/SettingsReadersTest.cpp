#include "settings/SettingsCurrentLayout.h"
#include "settings/SettingsLegacyLayout.h"
#include "settings/SettingsTestSupport.h"

namespace vk::test {

namespace fs = std::filesystem;

namespace {

// A version-2 file with a password, a path and strong hide off, so that a
// rejected file is told apart from a loaded one by every value.
Bytes SavedImage(const SettingsStore& store) {
    return SealSettingsPayload(RawPayload("pw", 0, 2, {"/srv/a", "/srv/b"}), store.SettingsPassphrase());
}

} // namespace

TEST_F(SettingsTest, ChangedNonceMacCiphertextOrSaltFailsTheCheckAndNoReaderLoadsIt) {
    const Bytes image = SavedImage(NewStore());
    for (const std::size_t offset : std::vector<std::size_t>{12, 27, 28, 43, 44, 75, 76, image.size() - 1}) {
        SCOPED_TRACE("offset " + std::to_string(offset));
        Bytes damaged = image;
        damaged[offset] ^= 0x01;
        EXPECT_EQ(ErrorMessageOf([&] { ReadCurrentSettings(damaged, Passphrase()); }),
                  "Settings integrity check failed.");
        // The older layout's reader gets the file next and rejects it too.
        EXPECT_EQ(ErrorMessageOf([&] { ReadLegacySettings(damaged); }), "Unsupported settings version.");

        WriteBytes(NewStore().SettingsFilePath(), damaged);
        SettingsStore store = NewStore();
        EXPECT_FALSE(store.LoadSettings());
        ExpectFirstRunState(store);
    }
}

TEST_F(SettingsTest, FileWrittenForAnotherHostUserOrTitleIsNotLoaded) {
    const Bytes image = SavedImage(NewStore());
    for (SettingsStore other :
         {SettingsStore("Veilkeep Test", "other-host", User), SettingsStore("Veilkeep Test", Host, "other-user"),
          SettingsStore("Other Title", Host, User), SettingsStore("Veilkeep Test", "", User)}) {
        SCOPED_TRACE(other.SettingsPassphrase());
        WriteBytes(other.SettingsFilePath(), image);
        EXPECT_FALSE(other.LoadSettings());
        ExpectFirstRunState(other);
    }
}

TEST_F(SettingsTest, DamagedHeaderOrTruncatedFileGoesToTheLegacyReaderAndIsRejected) {
    const Bytes image = SavedImage(NewStore());
    struct Case {
        const char* name;
        Bytes image;
        std::string currentReaderError; // empty: not taken for the current layout at all
    };
    Bytes version3 = image;
    version3[8] = 3;
    Bytes negativeMagicLength = image;
    negativeMagicLength[3] = 0x80;
    Bytes otherMagic = image;
    otherMagic[7] = '3';
    const std::vector<Case> cases = {
        {"version 3", version3, "Unsupported settings version."},
        {"cut inside the MAC", Bytes(image.begin(), image.begin() + 60), "Unexpected end of the settings data."},
        {"negative magic length", negativeMagicLength, "Invalid string length in settings."},
        {"other magic", otherMagic, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ErrorMessageOf([&] { ReadCurrentSettings(c.image, Passphrase()); }), c.currentReaderError);
        WriteBytes(NewStore().SettingsFilePath(), c.image);
        SettingsStore store = NewStore();
        EXPECT_FALSE(store.LoadSettings());
        ExpectFirstRunState(store);
    }
}

TEST_F(SettingsTest, PayloadFieldsAreReadAsStored) {
    struct Case {
        const char* name;
        Bytes payload;
        bool strongHide;
        std::vector<std::string> paths;
    };
    Bytes trailing = RawPayload("pw", 1, 1, {"/a"});
    trailing.insert(trailing.end(), {1, 2, 3});
    const std::vector<Case> cases = {
        {"count 0", RawPayload("pw", 1, 0, {"/ignored"}), true, {}},
        {"count -1", RawPayload("pw", 1, -1, {"/ignored"}), true, {}},
        {"empty path dropped", RawPayload("pw", 0, 3, {"/a", "", "/b"}), false, {"/a", "/b"}},
        {"strong-hide byte 2", RawPayload("pw", 2, 0, {}), true, {}},
        {"bytes after the last path", trailing, true, {"/a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(NewStore().SettingsFilePath(), SealSettingsPayload(c.payload, Passphrase()));
        SettingsStore store = NewStore();
        EXPECT_TRUE(store.LoadSettings());
        EXPECT_EQ(store.GeneralPassword, "pw");
        EXPECT_EQ(store.StrongHide, c.strongHide);
        EXPECT_EQ(store.StoredPaths, c.paths);
    }
}

TEST_F(SettingsTest, StrongHideByteTwoIsSavedBackAsOne) {
    SettingsStore store = NewStore();
    WriteBytes(store.SettingsFilePath(), SealSettingsPayload(RawPayload("pw", 2, 0, {}), Passphrase()));
    ASSERT_TRUE(store.LoadSettings());
    store.WriteSettingsFile();
    EXPECT_EQ(OpenPasswordImage(ReadBytes(store.SettingsFilePath()), "pw"), RawPasswordPayload(1, {}, {}, 0));
}

TEST_F(SettingsTest, ValidPayloadThatEndsEarlyLoadsNothing) {
    Bytes cut = RawPayload("pw", 0, 2, {"/a", "/b"});
    cut.resize(cut.size() - 1);
    WriteBytes(NewStore().SettingsFilePath(), SealSettingsPayload(cut, Passphrase()));
    SettingsStore store = NewStore();
    EXPECT_FALSE(store.LoadSettings());
    ExpectFirstRunState(store);
}

TEST_F(SettingsTest, LegacyFileIsReadWithItsEmptyPathsAndRewrittenKeyedByThePasswordByTheFirstSave) {
    const std::vector<std::string> paths = {"/srv/old", "", "/srv/ältere"};
    for (const std::int32_t version : {1, 7}) {
        SCOPED_TRACE(version);
        SettingsStore store = NewStore();
        const Bytes legacy = EncodeLegacy(version, RawPayload("Paßwort", 0, 3, paths));
        WriteBytes(store.SettingsFilePath(), legacy);

        EXPECT_TRUE(store.LoadSettings());
        EXPECT_EQ(store.GeneralPassword, "Paßwort");
        EXPECT_FALSE(store.StrongHide);
        EXPECT_EQ(store.StoredPaths, paths);
        EXPECT_EQ(ReadBytes(store.SettingsFilePath()), legacy); // loading never rewrites

        store.WriteSettingsFile();
        EXPECT_EQ(OpenPasswordImage(ReadBytes(store.SettingsFilePath()), "Paßwort"),
                  RawPasswordPayload(0, paths, {}, 0));
    }
}

TEST_F(SettingsTest, LegacyFileThatTheReaderRejectsLoadsNothing) {
    Bytes cut = EncodeLegacy(1, RawPayload("pw", 1, 2, {"/a", "/b"}));
    cut.resize(cut.size() - 1);
    struct Case {
        const char* name;
        Bytes image;
    };
    const std::vector<Case> cases = {
        {"version 0", EncodeLegacy(0, RawPayload("pw", 0, 1, {"/a"}))},
        {"version -1", EncodeLegacy(-1, RawPayload("pw", 0, 1, {"/a"}))},
        {"negative password length", EncodeLegacy(1, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"path missing its last byte", cut},
        {"too short for a version", {0x12, 0x34}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(NewStore().SettingsFilePath(), c.image);
        SettingsStore store = NewStore();
        EXPECT_FALSE(store.LoadSettings());
        ExpectFirstRunState(store); // nothing taken over from a file that was rejected part-way
    }
}

} // namespace vk::test
