#include "locker/LockerPaths.h"
#include "platform/Error.h"
#include "platform/uPlatform.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vk::platform {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// The core's UTF-8 and the system's UTF-16 name the same item both ways.
TEST(WinPathText, Utf8AndUtf16NameTheSameItem) {
    struct Case {
        std::string Utf8;
        std::wstring Utf16;
    };
    const std::vector<Case> cases = {
        {"", L""},
        {"plain.txt", L"plain.txt"},
        {"\xc3\xa9t\xc3\xa9.txt", L"\u00e9t\u00e9.txt"},
        {"\xe6\x97\xa5\xe6\x9c\xac\\\xc3\x9f", L"\u65e5\u672c\\\u00df"},
        {"\xf0\x9f\x98\x80", L"\xd83d\xde00"}, // beyond 16 bits: a surrogate pair
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PathFromUtf8(c.Utf8).native(), c.Utf16) << c.Utf8;
        EXPECT_EQ(Utf8FromPath(fs::path(c.Utf16)), c.Utf8) << c.Utf8;
    }
}

// A guess at bytes that are not UTF-8 could name another item: refused.
TEST(WinPathText, BytesThatAreNotUtf8AreNoName) {
    for (const std::string bytes : {"\xff", "caf\xe9", "cut \xc3", "\xc0\xaf", "\xed\xa0\x80"}) {
        try {
            PathFromUtf8(bytes);
            ADD_FAILURE() << "accepted " << bytes;
        } catch (const Error& e) {
            EXPECT_THAT(e.what(), HasSubstr("is not UTF-8 text")) << bytes;
        }
    }
}

// A Windows name may hold an unpaired surrogate: it shows with U+FFFD and is
// never stored in a locker under a name that would come back as another.
TEST(WinPathText, UnpairedSurrogateShowsAsReplacementAndIsNotStored) {
    const fs::path name(std::wstring(L"a") + L'\xd800' + L"b");
    EXPECT_EQ(Utf8FromPath(name), "a\xef\xbf\xbd"
                                  "b");
    try {
        StoredRelativePath(fs::path(L"folder") / name);
        ADD_FAILURE() << "stored";
    } catch (const Error& e) {
        EXPECT_THAT(e.what(), HasSubstr("it is not Unicode text"));
    }
}

// Names that differ only in letter case are one item on Windows: a locker
// from a system that tells them apart is refused before anything is written,
// never extracted with the later entry replacing the earlier one.
TEST(WinPathText, EntriesThatDifferOnlyInLetterCaseAreRefused) {
    struct Case {
        std::string First, Second;
        bool Refused;
    };
    const std::vector<Case> cases = {
        {"A.txt", "a.txt", true},
        {"\xc3\x89t\xc3\xa9.txt", "\xc3\xa9t\xc3\xa9.txt", true}, // Été.txt, été.txt
        {"\xce\xa9\xce\xbc\xce\xad\xce\xb3\xce\xb1", "\xcf\x89\xce\xbc\xce\xad\xce\xb3\xce\xb1", true}, // Ωμέγα, ωμέγα
        {"a.txt", "b.txt", false},
        {"\xc3\xa9t\xc3\xa9.txt", "ete.txt", false}, // accents count
    };
    for (const Case& c : cases) {
        std::vector<TEntryInfo> entries(2);
        entries[0].RelativePath = c.First;
        entries[1].RelativePath = c.Second;
        try {
            CheckEntryTable("Root", true, entries);
            EXPECT_FALSE(c.Refused) << c.Second;
        } catch (const Error& e) {
            EXPECT_TRUE(c.Refused) << c.Second << ": " << e.what();
            EXPECT_THAT(e.what(), HasSubstr("only in letter case")) << c.Second;
        }
    }
}

} // namespace
} // namespace vk::platform
