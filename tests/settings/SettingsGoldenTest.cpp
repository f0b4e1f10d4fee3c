#include "settings/SettingsTestSupport.h"

namespace vk::test {

namespace fs = std::filesystem;

// Files written once and kept (see data/settings/README.md): a change that
// breaks either stored layout cannot pass unnoticed.
TEST_F(SettingsTest, GoldenCurrentLayoutFileLoads) {
    SettingsStore store("Orvan Veilkeep", "golden-host", "golden-user");
    fs::copy_file(fs::path(VEILKEEP_TEST_DATA) / "settings" / "current-v2.dt", store.SettingsFilePath());
    ASSERT_TRUE(store.LoadSettings());
    EXPECT_EQ(store.GeneralPassword, "Grüne Tür 7");
    EXPECT_FALSE(store.StrongHide);
    EXPECT_EQ(store.StoredPaths, (std::vector<std::string>{"/home/golden/Документы", "/home/golden/photos 2024"}));
}

TEST_F(SettingsTest, GoldenLegacyLayoutFileLoads) {
    SettingsStore store = NewStore(); // the older layout is not bound to host, user or title
    fs::copy_file(fs::path(VEILKEEP_TEST_DATA) / "settings" / "legacy-v1.dt", store.SettingsFilePath());
    ASSERT_TRUE(store.LoadSettings());
    EXPECT_EQ(store.GeneralPassword, "alt-Paßwort");
    EXPECT_TRUE(store.StrongHide);
    EXPECT_EQ(store.StoredPaths, (std::vector<std::string>{"/srv/old", "", "/srv/ältere"}));
}

} // namespace vk::test
