#include "translation/translation.h"

#include "support/ScopedVariable.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vk {
namespace {

using test::ScopedVariable;

// Three languages; the second text has no German translation, the third
// repeats the second's key with one (which must not count), the fourth key
// ends with a space.
// clang-format off
const std::vector<std::string> ThreeLanguages = {
    "3",
    "English",  "Deutsch",       "Francais",
    "en",       "de",            "fr",
    "Yes",      "Ja",            "Oui",
    "Cancel",   "",              "Annuler",
    "Cancel",   "Abbrechen",     "Annuler!",
    "Version ", "Version (de) ", "",
};
// clang-format on

std::string Joined(const std::vector<std::string>& lines, const std::string& ending) {
    std::string text;
    for (const std::string& line : lines)
        text += line + ending;
    return text;
}

class TranslationTest : public ::testing::Test {
protected:
    test::TempFolder Temp;
    ScopedVariable Locale{"LC_ALL", "C.UTF-8"};

    void Load(const std::string& content, std::optional<std::string> stored) {
        test::WriteFile(Temp / "transl.dt", content);
        LoadTranslation(stored, Temp / "transl.dt");
    }
    void TearDown() override { LoadTranslation(std::nullopt, Temp / "missing"); }
};

TEST_F(TranslationTest, ChosenColumnTranslatesExactKeysOnly) {
    Load(Joined(ThreeLanguages, "\n"), "de");
    EXPECT_EQ(LanguageIndex(), 1);
    EXPECT_EQ(TranslateText("Yes"), "Ja");
    EXPECT_EQ(TranslateText("yes"), "yes");   // letter case counts
    EXPECT_EQ(TranslateText("Yes "), "Yes "); // so does a trailing space
    EXPECT_EQ(TranslateText("Version "), "Version (de) ");
    EXPECT_EQ(TranslateText("Version"), "Version");
    EXPECT_EQ(TranslateText("Unknown"), "Unknown");
    // An empty entry shows the English text, and the first of two equal keys
    // counts even though the later one has a translation.
    EXPECT_EQ(TranslateText("Cancel"), "Cancel");
    // Names and codes are records like any other.
    EXPECT_EQ(TranslateText("English"), "Deutsch");
    EXPECT_EQ(TranslateText("en"), "de");
}

TEST_F(TranslationTest, StoredCodeChoosesTheColumn) {
    const std::string file = Joined(ThreeLanguages, "\n");
    const std::pair<std::optional<std::string>, std::int32_t> cases[] = {
        {"FR", 2}, {"De", 1}, {"en", 0}, {"ru", 0}, {"", 0}, {std::nullopt, 0} /* system: C */,
    };
    for (const auto& [stored, index] : cases) {
        Load(file, stored);
        EXPECT_EQ(LanguageIndex(), index) << stored.value_or("(none)");
        if (stored) {
            EXPECT_EQ(LanguageCode(), *stored); // kept as stored, also when not in the file
        }
    }
    Load(file, "en");
    EXPECT_EQ(TranslateText("Yes"), "Yes"); // column 0 translates nothing
}

TEST_F(TranslationTest, WithoutStoredCodeTheSystemLanguageChooses) {
    ScopedVariable locale("LC_ALL", "fr_CA.UTF-8");
    Load(Joined(ThreeLanguages, "\n"), std::nullopt);
    EXPECT_EQ(LanguageCode(), "fr");
    EXPECT_EQ(TranslateText("Cancel"), "Annuler");
}

TEST_F(TranslationTest, LineEndingsAndByteOrderMarkDoNotMatter) {
    const std::string endings[] = {"\n", "\r\n", "\r"};
    for (const std::string& ending : endings) {
        for (const std::string& prefix : {std::string(), std::string("\xEF\xBB\xBF")}) {
            Load(prefix + Joined(ThreeLanguages, ending), "fr");
            EXPECT_EQ(TranslateText("Cancel"), "Annuler") << testing::PrintToString(ending + prefix);
            EXPECT_EQ(TranslateText("Version "), "Version ");
            EXPECT_EQ(LanguageTable()[2].size(), 6u);
        }
    }
    // Mixed endings, and no break after the last line.
    Load("2\r\nEnglish\nDeutsch\ren\r\nde\nYes\r\nJa", "de");
    EXPECT_EQ(TranslateText("Yes"), "Ja");
    Load("2\n\nDeutsch\n\nde\n\n\n", "de"); // empty lines are empty entries
    EXPECT_EQ(LanguageIndex(), 1);
    EXPECT_EQ(LanguageTable()[0], (std::vector<std::string>{"", "", ""}));
}

TEST_F(TranslationTest, IncompleteLastRecordIsIgnored) {
    // N = 3 and eight lines: names and codes, the eighth line is ignored.
    Load("3\nEnglish\nDeutsch\nFrancais\nen\nde\nfr\nYes", "de");
    EXPECT_EQ(LanguageIndex(), 1);
    ASSERT_EQ(LanguageTable().size(), 3u);
    for (const auto& column : LanguageTable())
        EXPECT_EQ(column.size(), 2u);
    EXPECT_EQ(TranslateText("Yes"), "Yes");
}

TEST_F(TranslationTest, MalformedFilesLoadAsNoTranslation) {
    const std::string cases[] = {
        "",                                  // no count line
        "x\nEnglish\nen",                    // count not an integer
        "2 \nEnglish\nDeutsch\nen\nde",      // nor with a space
        "-1\nEnglish\nen",                   // negative
        "0\nEnglish\nen",                    // no languages
        "99999999999999999999\nEnglish\nde", // beyond any integer
        "4000000000\nEnglish\nde",           // far more languages than lines
        "2\nEnglish\nDeutsch\nen",           // breaks off before the second code
        "\xEF\xBB\xBF",                      // a mark and nothing else
    };
    for (const std::string& content : cases) {
        Load(content, "de");
        EXPECT_EQ(LanguageIndex(), 0) << content;
        EXPECT_EQ(TranslateText("English"), "English") << content;
        // The Language menu may still pick a column of a half-loaded table.
        SetLanguageIndex(1);
        EXPECT_NO_THROW(TranslateText("English")) << content;
        SetLanguageIndex(7);
        EXPECT_EQ(TranslateText("English"), "English") << content;
    }
    Load("0", "de");
    EXPECT_TRUE(LanguageTable().empty());
    LoadTranslation("de", Temp / "missing");
    EXPECT_TRUE(LanguageTable().empty());
    EXPECT_EQ(LanguageCode(), "de");
}

TEST(SystemLanguageCodeTest, MapsTheUiLanguageToTheFilesCodes) {
    const std::pair<const char*, const char*> cases[] = {
        {"de_DE.UTF-8", "de"}, {"zh_CN", "cn"}, {"ja_JP", "jp"}, {"ko_KR", "kr"}, {"el_GR", "el"},
        {"pt_BR", "pt"},       {"tr_TR", "tr"}, {"ar_EG", "ar"}, {"ru_RU", "en"}, {"C", "en"},
    };
    for (const auto& [locale, code] : cases) {
        ScopedVariable all("LC_ALL", locale);
        EXPECT_EQ(SystemLanguageCode(), code) << locale;
    }
}

} // namespace
} // namespace vk
