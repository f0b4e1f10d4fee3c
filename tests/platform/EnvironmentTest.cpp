#include "platform/uPlatform.h"

#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vk::platform {
namespace {

using test::ScopedVariable;

TEST(EnvironmentTest, UiLanguageFollowsTheMessagesLocale) {
    struct Case {
        const char* LcAll;
        const char* LcMessages;
        const char* Lang;
        std::uint16_t Primary;
    };
    const Case cases[] = {
        {"de_DE.UTF-8", "fr_FR", "it_IT", 7}, // LC_ALL wins
        {"", "ja_JP.UTF-8", "fr_FR", 17},     // an empty variable does not count
        {nullptr, nullptr, "ru_RU.UTF-8", 25}, {nullptr, nullptr, "zh_CN", 4},   {nullptr, nullptr, "pt_BR", 22},
        {nullptr, nullptr, "sr_RS@latin", 26}, {nullptr, nullptr, "C.UTF-8", 9}, {nullptr, nullptr, "POSIX", 9},
        {nullptr, nullptr, nullptr, 9},        {nullptr, nullptr, "xx_YY", 0},
    };
    for (const Case& c : cases) {
        ScopedVariable all("LC_ALL", c.LcAll), messages("LC_MESSAGES", c.LcMessages), lang("LANG", c.Lang);
        EXPECT_EQ(SystemUiLanguage() & 0xFF, c.Primary) << (c.Lang ? c.Lang : "(none)");
    }
}

TEST(EnvironmentTest, ConfigBaseFolderPrefersXdgThenHome) {
    test::TempFolder temp; // points HOME and XDG_CONFIG_HOME into itself
    EXPECT_EQ(ConfigBaseFolder(), temp / "home" / ".config");
    {
        ScopedVariable xdg("XDG_CONFIG_HOME", (temp / "xdg").c_str());
        EXPECT_EQ(ConfigBaseFolder(), temp / "xdg");
    }
    {
        ScopedVariable xdg("XDG_CONFIG_HOME", "relative/is/ignored");
        EXPECT_EQ(ConfigBaseFolder(), temp / "home" / ".config");
    }
    ScopedVariable xdg("XDG_CONFIG_HOME", nullptr), home("HOME", nullptr);
    EXPECT_EQ(ConfigBaseFolder(), ExecutableFolder());
}

TEST(EnvironmentTest, HostAndFoldersAreKnown) {
    EXPECT_FALSE(HostName().empty());
    EXPECT_FALSE(UserName().empty());
    EXPECT_TRUE(DirectoryExists(ExecutableFolder()));
    EXPECT_TRUE(DirectoryExists(TempFolder()));
    EXPECT_TRUE(ExecutableFolder().is_absolute());
}

} // namespace
} // namespace vk::platform
