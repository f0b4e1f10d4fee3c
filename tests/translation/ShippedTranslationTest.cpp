// Checks the shipped translation file against the program's sources: every
// text the program passes to the lookup must have a row, and every language
// must translate it with the same placeholders in the same order. Without
// this, a new or reworded text silently stays English.
//
// The scan finds the English texts written at the call: a string literal (or
// adjacent literals) as the first argument of TranslateText, TranslatedText
// or TranslateFormat, or a named constant defined as a literal somewhere in
// the sources. Texts assembled at run time are not keys by design: their
// callers look up the fixed parts one by one.

#include "translation/translation.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace vk {
namespace {

namespace fs = std::filesystem;

const fs::path SourceRoot = fs::path(VEILKEEP_SOURCE_ROOT) / "src";
const fs::path ShippedFile = fs::path(VEILKEEP_SOURCE_ROOT) / "resources" / "transl.dt";

const std::vector<std::string> LookupFunctions = {"TranslateText", "TranslatedText", "TranslateFormat"};

struct SourceFile {
    fs::path Path;
    std::string Text;
};

std::vector<SourceFile> ReadSources() {
    std::vector<SourceFile> sources;
    for (const auto& entry : fs::recursive_directory_iterator(SourceRoot)) {
        const std::string extension = entry.path().extension().string();
        if (entry.is_regular_file() && (extension == ".cpp" || extension == ".h"))
            sources.push_back({entry.path(), test::ReadFile(entry.path())});
    }
    return sources;
}

bool IsIdentifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

std::size_t SkipSpace(const std::string& text, std::size_t at) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])) != 0)
        ++at;
    return at;
}

// Reads the string literal that starts at text[at] (the opening quote) and
// returns its value with the usual escapes resolved; at ends after the
// closing quote.
std::string ReadLiteral(const std::string& text, std::size_t& at) {
    std::string value;
    for (++at; at < text.size() && text[at] != '"'; ++at) {
        if (text[at] != '\\') {
            value += text[at];
            continue;
        }
        const char escaped = text[++at];
        value += escaped == 'n' ? '\n' : escaped == 'r' ? '\r' : escaped == 't' ? '\t' : escaped;
    }
    ++at;
    return value;
}

// Literals defined under a name, such as `StatusVisible = "Visible"`.
std::map<std::string, std::string> NamedLiterals(const std::vector<SourceFile>& sources) {
    const std::regex definition(R"re(\b([A-Za-z_]\w*)\s*=\s*"((?:[^"\\\n]|\\.)*)")re");
    std::map<std::string, std::string> named;
    for (const SourceFile& source : sources)
        for (auto match = std::sregex_iterator(source.Text.begin(), source.Text.end(), definition);
             match != std::sregex_iterator(); ++match) {
            // Adjacent literals form one text, as the compiler joins them.
            std::size_t at = static_cast<std::size_t>(match->position(2)) - 1;
            std::string value;
            while (at < source.Text.size() && source.Text[at] == '"') {
                value += ReadLiteral(source.Text, at);
                at = SkipSpace(source.Text, at);
            }
            named.emplace((*match)[1].str(), value);
        }
    return named;
}

// The identifiers of an argument expression, for `a ? NameOne : NameTwo`.
std::vector<std::string> Identifiers(const std::string& expression) {
    std::vector<std::string> names;
    std::string current;
    for (const char c : expression + ' ') {
        if (IsIdentifierChar(c)) {
            current += c;
        } else if (!current.empty()) {
            names.push_back(current);
            current.clear();
        }
    }
    return names;
}

// Where each text was found, for the failure messages.
using TextsFound = std::map<std::string, std::string>;

TextsFound ScanLookedUpTexts() {
    const std::vector<SourceFile> sources = ReadSources();
    const std::map<std::string, std::string> named = NamedLiterals(sources);
    TextsFound found;
    for (const SourceFile& source : sources) {
        const std::string& text = source.Text;
        const std::string where = fs::relative(source.Path, SourceRoot).string();
        for (const std::string& function : LookupFunctions) {
            for (std::size_t hit = text.find(function); hit != std::string::npos; hit = text.find(function, hit + 1)) {
                const std::size_t end = hit + function.size();
                if ((hit > 0 && IsIdentifierChar(text[hit - 1])) || (end < text.size() && IsIdentifierChar(text[end])))
                    continue;
                std::size_t at = SkipSpace(text, end);
                if (at >= text.size() || text[at] != '(')
                    continue;
                at = SkipSpace(text, at + 1);
                if (at < text.size() && text[at] == '"') {
                    std::string value;
                    while (at < text.size() && text[at] == '"') {
                        value += ReadLiteral(text, at);
                        at = SkipSpace(text, at);
                    }
                    found.emplace(value, where);
                    continue;
                }
                // A named argument: the constants it may stand for.
                const std::size_t close = text.find_first_of(",)", at);
                for (const std::string& name : Identifiers(text.substr(at, close - at)))
                    if (const auto literal = named.find(name); literal != named.end())
                        found.emplace(literal->second, where);
            }
        }
    }
    return found;
}

std::vector<std::string> Placeholders(const std::string& text) {
    static const std::regex placeholder(R"(%[-+ #0-9.]*[a-zA-Z%])");
    std::vector<std::string> found;
    for (auto match = std::sregex_iterator(text.begin(), text.end(), placeholder); match != std::sregex_iterator();
         ++match)
        found.push_back(match->str());
    return found;
}

class ShippedTranslationTest : public ::testing::Test {
protected:
    void SetUp() override { LoadTranslation("en", ShippedFile); }
    void TearDown() override { LoadTranslation(std::nullopt, Temp / "none"); }

    // The entries of record r, one per language.
    static std::vector<std::string> Record(std::size_t r) {
        std::vector<std::string> entries;
        for (const auto& column : LanguageTable())
            entries.push_back(r < column.size() ? column[r] : std::string());
        return entries;
    }
    // The record of an English text: its first occurrence in column 0.
    static std::optional<std::size_t> RecordOf(const std::string& english) {
        const auto& keys = LanguageTable().at(0);
        const auto key = std::find(keys.begin(), keys.end(), english);
        if (key == keys.end() || key - keys.begin() < 2)
            return std::nullopt;
        return static_cast<std::size_t>(key - keys.begin());
    }

    test::TempFolder Temp;
};

TEST_F(ShippedTranslationTest, HoldsCompleteLanguagesWithDistinctCodes) {
    const TLanguageTable& table = LanguageTable();
    ASSERT_GE(table.size(), 2u) << ShippedFile;
    const std::vector<std::string> codes = Record(1);
    EXPECT_EQ(codes.front(), "en");
    EXPECT_EQ(std::set<std::string>(codes.begin(), codes.end()).size(), codes.size());
    // The record count of the load equals what the file holds: no line left
    // over, so no entry has slipped into another language's column.
    const std::string file = test::ReadFile(ShippedFile);
    const auto lines = static_cast<std::size_t>(std::count(file.begin(), file.end(), '\n'));
    EXPECT_EQ(lines, 1 + table.size() * table.front().size());
    std::set<std::string> keys;
    for (std::size_t r = 2; r < table.front().size(); ++r)
        EXPECT_TRUE(keys.insert(table.front()[r]).second)
            << "repeated key (only the first counts): " << table.front()[r];
}

TEST_F(ShippedTranslationTest, EveryLanguageIsChosenByItsCode) {
    const std::vector<std::string> codes = Record(1);
    for (std::size_t c = 0; c < codes.size(); ++c) {
        LoadTranslation(codes[c], ShippedFile);
        EXPECT_EQ(LanguageIndex(), static_cast<std::int32_t>(c)) << codes[c];
    }
}

TEST_F(ShippedTranslationTest, EveryLookedUpTextHasARowInEveryLanguage) {
    const TextsFound texts = ScanLookedUpTexts();
    // The scan itself must see the program's texts, also those behind names.
    ASSERT_TRUE(texts.count("Ready") && texts.count("Encrypted & Hidden") && texts.count("Invalid locker file."))
        << "the scan of " << SourceRoot << " missed known texts";
    const std::vector<std::string> codes = Record(1);
    for (const auto& [english, where] : texts) {
        const std::optional<std::size_t> record = RecordOf(english);
        if (!record) {
            ADD_FAILURE() << where << ": no row for \"" << english << "\"";
            continue;
        }
        const std::vector<std::string> entries = Record(*record);
        for (std::size_t c = 1; c < entries.size(); ++c)
            EXPECT_FALSE(entries[c].empty()) << codes[c] << " leaves \"" << english << "\" untranslated";
    }
}

TEST_F(ShippedTranslationTest, TranslationsKeepPlaceholdersSpacesAndAmpersands) {
    const TLanguageTable& table = LanguageTable();
    const std::vector<std::string> codes = Record(1);
    for (std::size_t r = 2; r < table.front().size(); ++r) {
        const std::string& english = table.front()[r];
        const auto trailingSpaces = [](const std::string& text) {
            return text.size() - text.find_last_not_of(' ') - 1;
        };
        for (std::size_t c = 1; c < table.size(); ++c) {
            const std::string& translated = table[c][r];
            SCOPED_TRACE(codes[c] + ": \"" + english + "\" -> \"" + translated + "\"");
            // Values are filled in after the lookup, in the English order.
            EXPECT_EQ(Placeholders(translated), Placeholders(english));
            // A key ending in a space is followed directly by a value.
            EXPECT_EQ(trailingSpaces(translated), trailingSpaces(english));
            // Menu captions show "&&" as "&"; a single "&" would vanish.
            if (english.find("&&") != std::string::npos) {
                std::string rest = translated;
                for (std::size_t at; (at = rest.find("&&")) != std::string::npos;)
                    rest.erase(at, 2);
                EXPECT_EQ(rest.find('&'), std::string::npos);
            }
        }
    }
}

// Texts that the program tells apart after translating them: the two row
// statuses, and the update dialog's button, whose caption "Abort" means a
// download is running.
TEST_F(ShippedTranslationTest, TextsThatAreComparedStayDistinctInEveryLanguage) {
    const std::vector<std::vector<std::string>> groups = {{"Encrypted & Hidden", "Visible"}, {"Abort", "Skip", "Exit"}};
    const std::vector<std::string> codes = Record(1);
    for (const std::string& code : codes) {
        LoadTranslation(code, ShippedFile);
        for (const auto& group : groups) {
            std::set<std::string> shown;
            for (const std::string& english : group) {
                std::string text = TranslateText(english);
                std::transform(text.begin(), text.end(), text.begin(),
                               [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
                shown.insert(text);
            }
            EXPECT_EQ(shown.size(), group.size()) << code << ": " << group.front();
        }
    }
}

} // namespace
} // namespace vk
