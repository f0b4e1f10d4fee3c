// Importing a lost locker: decrypted beside itself with its password or
// recovery code, deleted, and its path listed again as a visible row.

#include "platform/uPlatform.h"
#include "ui/LockerFixture.h"
#include "ui/MainWindowFixture.h"

#include <QToolButton>
#include <set>

namespace vk::test {
namespace {

namespace fs = std::filesystem;
using Kind = ScriptedPrompts::Kind;

const std::string Password = "Locker password 7";
const QString PasswordPrompt =
    QStringLiteral("Locker Password: Enter the password or the recovery code for this locker file:");

class ImportLockerTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        MakePhotoFolder(photos);
        recoveryCode = LockAway(photos, temp / "Old" / "Photos.vklocker", Password);
        OpenWindow();
    }
    void TearDown() override { platform::faults::Clear(); }

    // Runs the import through the command plumbing, so that an error that
    // escapes it reaches the error display as it would for the user.
    void Import(const fs::path& locker, const std::optional<std::string>& secret) {
        prompts.LockerAnswers = {ToQ(locker)};
        prompts.SecretAnswers = {secret ? std::optional<QString>(QString::fromStdString(*secret)) : std::nullopt};
        window->btnImportLocker->click();
    }
    // The names in the locker's folder, leftovers included, without the
    // folder's list of hidden names.
    std::set<std::string> OldFolder() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(temp / "Old"))
            if (entry.path().filename() != ".hidden")
                names.insert(entry.path().filename().string());
        return names;
    }
    bool IsHidden(const fs::path& path) const {
        return (platform::GetFileAttributes(path) & platform::FILE_ATTRIBUTE_HIDDEN) != 0;
    }
    bool PhotosRecreated() const {
        return ReadFile(photos / "beach.jpg") == "sand and sea" && ReadFile(photos / "2019" / "snow.jpg") == "white";
    }

    const fs::path photos = temp / "Old" / "Photos";
    std::string recoveryCode;
};

TEST_F(ImportLockerTest, ImportRecreatesDeletesListsAndSaves) {
    Import(temp / "Old" / "Photos.vklocker", Password);

    EXPECT_EQ(prompts.TextsOf(Kind::AskSecret), QStringList{PasswordPrompt});
    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
    EXPECT_TRUE(PhotosRecreated());
    EXPECT_EQ(OldFolder(), std::set<std::string>{"Photos"});
    EXPECT_FALSE(fs::exists(temp / "Old" / ".hidden")) << "the deleted locker is still listed as hidden";
    ASSERT_EQ(Rows(), QStringList{ToQ(photos)});
    EXPECT_EQ(StatusOf(0), QStringLiteral("Visible"));
    EXPECT_EQ(SavedPaths(), std::vector<std::string>{photos.string()});
    EXPECT_EQ(window->Saves, 1);
}

TEST_F(ImportLockerTest, ExtensionInAnyCaseAndTheRecoveryCodeAreAccepted) {
    platform::RenameFile(temp / "Old" / "Photos.vklocker", temp / "Old" / "Photos.VKLOCKER");
    Import(temp / "Old" / "Photos.VKLOCKER", recoveryCode);

    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
    EXPECT_TRUE(PhotosRecreated());
    EXPECT_EQ(OldFolder(), std::set<std::string>{"Photos"});
    EXPECT_EQ(Rows(), QStringList{ToQ(photos)});
}

TEST_F(ImportLockerTest, AlreadyListedPathGetsNoSecondRow) {
    window->AddPath(ToQ(photos));
    ASSERT_EQ(StatusOf(0), QStringLiteral("Encrypted & Hidden"));

    Import(temp / "Old" / "Photos.vklocker", Password);

    EXPECT_TRUE(PhotosRecreated());
    ASSERT_EQ(Rows(), QStringList{ToQ(photos)});
    EXPECT_EQ(StatusOf(0), QStringLiteral("Visible"));
}

TEST_F(ImportLockerTest, WrongPasswordLeavesTheLockerAndWritesNothing) {
    Import(temp / "Old" / "Photos.vklocker", std::string("not the password"));

    EXPECT_EQ(prompts.Messages(), QStringList{QStringLiteral("Invalid password or recovery code.")});
    EXPECT_EQ(OldFolder(), std::set<std::string>{"Photos.vklocker"});
    EXPECT_TRUE(IsHidden(temp / "Old" / "Photos.vklocker"));
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_EQ(window->Saves, 0);
}

// A locker renamed by hand comes back under its file's name, whatever name it
// stores; an existing item of the stored name is another item and stays as
// it is.
TEST_F(ImportLockerTest, RenamedLockerComesBackUnderItsFileName) {
    platform::RenameFile(temp / "Old" / "Photos.vklocker", temp / "Old" / "Holiday.vklocker");
    WriteFile(photos / "beach.jpg", "mine");
    Import(temp / "Old" / "Holiday.vklocker", Password);

    const fs::path holiday = temp / "Old" / "Holiday";
    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join(u'|').toStdString();
    EXPECT_EQ(ReadFile(holiday / "beach.jpg"), "sand and sea");
    EXPECT_EQ(ReadFile(holiday / "2019" / "snow.jpg"), "white");
    EXPECT_EQ(ReadFile(photos / "beach.jpg"), "mine");
    EXPECT_FALSE(fs::exists(photos / "2019"));
    EXPECT_EQ(OldFolder(), (std::set<std::string>{"Holiday", "Photos"}));
    EXPECT_EQ(Rows(), QStringList{ToQ(holiday)});
}

// What the locker would recreate exists already: nothing is replaced or
// merged, and the locker stays.
TEST_F(ImportLockerTest, ExistingItemIsNeverOverwritten) {
    WriteFile(photos / "beach.jpg", "mine");

    Import(temp / "Old" / "Photos.vklocker", Password);

    EXPECT_EQ(prompts.Messages(),
              QStringList{QStringLiteral("Cannot import: an item of the same name already exists:\n") + ToQ(photos)});
    EXPECT_EQ(ReadFile(photos / "beach.jpg"), "mine");
    EXPECT_FALSE(fs::exists(photos / "2019"));
    EXPECT_EQ(OldFolder(), (std::set<std::string>{"Photos", "Photos.vklocker"}));
    EXPECT_TRUE(IsHidden(temp / "Old" / "Photos.vklocker"));
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_EQ(window->Saves, 0);
}

// The locker cannot be deleted after a good extraction: the recreated item
// goes again, the locker stays, the error is shown, nothing is listed.
TEST_F(ImportLockerTest, LockerThatCannotBeDeletedLeavesEverythingAsItWas) {
    platform::faults::FailAt(platform::faults::Op::Delete, 1);
    Import(temp / "Old" / "Photos.vklocker", Password);

    ASSERT_EQ(prompts.Messages().size(), 1);
    EXPECT_EQ(OldFolder(), std::set<std::string>{"Photos.vklocker"});
    EXPECT_TRUE(IsHidden(temp / "Old" / "Photos.vklocker"));
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_EQ(window->Saves, 0);
}

TEST_F(ImportLockerTest, StopsBeforeExtracting) {
    const QString locker = ToQ(temp / "Old" / "Photos.vklocker");
    WriteFile(temp / "Old" / "notes.txt", "text");
    fs::create_directories(temp / "Old" / "Folder.vklocker");
    WriteFile(temp / "Old" / "Bare" / ".vklocker", "locker");
    const QString invalid = QStringLiteral("Please select a valid .vklocker file.");
    struct Case {
        const char* name;
        std::optional<QString> picked;
        std::optional<QString> secret;
        QStringList messages;
        int prompts;
    };
    const Case cases[] = {
        {"dialog cancelled", std::nullopt, QStringLiteral("x"), {}, 0},
        {"another extension", ToQ(temp / "Old" / "notes.txt"), QStringLiteral("x"), {invalid}, 0},
        {"a folder", ToQ(temp / "Old" / "Folder.vklocker"), QStringLiteral("x"), {invalid}, 0},
        {"no name before the extension", ToQ(temp / "Old" / "Bare" / ".vklocker"), QStringLiteral("x"), {invalid}, 0},
        {"password prompt cancelled", locker, std::nullopt, {}, 1},
        {"empty password", locker, QString(), {QStringLiteral("Password is required.")}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.Asked.clear();
        prompts.LockerAnswers = {c.picked};
        prompts.SecretAnswers = {c.secret};
        window->btnImportLocker->click();
        EXPECT_EQ(prompts.Messages(), c.messages);
        EXPECT_EQ(prompts.AskedOf(Kind::AskSecret).size(), static_cast<std::size_t>(c.prompts));
        EXPECT_TRUE(fs::exists(temp / "Old" / "Photos.vklocker"));
        EXPECT_FALSE(fs::exists(photos));
        EXPECT_TRUE(Rows().isEmpty());
        EXPECT_EQ(window->Saves, 0);
    }
}

} // namespace
} // namespace vk::test
