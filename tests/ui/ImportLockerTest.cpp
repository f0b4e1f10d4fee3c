// Importing a lost locker: decrypted beside itself with its password or
// recovery code, deleted, and its path listed again as a visible row.

#include "platform/uPlatform.h"
#include "ui/LockerFixture.h"
#include "ui/MainWindowFixture.h"

#include <QProgressBar>
#include <QPushButton>
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

// A large locker is imported with the run's progress and Stop: the bar moves,
// the commands are held, and Stop leaves the locker and nothing under its name.
TEST_F(ImportLockerTest, ImportShowsProgressAndStops) {
    const fs::path big = temp / "Old" / "Big";
    WriteFile(big / "data.bin", std::string(6 * 1024 * 1024, '\x33'));
    LockAway(big, temp / "Old" / "Big.vklocker", Password);
    std::vector<bool> heldAndShown;
    bool stopped = false;
    QObject::connect(window->ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
        if (value <= 0 || stopped)
            return;
        heldAndShown = {window->FBusy, !window->btnImportLocker->isEnabled(), window->btnStop->isEnabled(),
                        !window->ProgressBar1->isHidden()};
        stopped = true;
        window->btnStop->click();
    });

    Import(temp / "Old" / "Big.vklocker", Password);

    EXPECT_EQ(heldAndShown, std::vector<bool>(4, true)) << prompts.Messages().join(u'|').toStdString();
    EXPECT_TRUE(fs::exists(temp / "Old" / "Big.vklocker"));
    EXPECT_FALSE(fs::exists(big));
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_FALSE(window->FBusy);
    EXPECT_TRUE(window->btnImportLocker->isEnabled());
}

// A locker added as a path is no item to hide: it lists the path it hides,
// is imported, or adds nothing, as the user answers.
TEST_F(ImportLockerTest, AddingALockerAsksWhatItIs) {
    const fs::path locker = temp / "Old" / "Photos.vklocker";
    const QString question = QStringLiteral("This is a locker file:\n") + ToQ(locker) +
                             QStringLiteral("\n\nYes - list the path it hides, which it gives back with the "
                                            "program's password:\n") +
                             ToQ(photos) +
                             QStringLiteral("\nNo - import it with its own password or recovery code.\n"
                                            "Cancel - add nothing.");
    prompts.YesNoCancelAnswers = {Prompts::Answer::Cancel};
    window->AddPathAsUser(ToQ(locker));
    EXPECT_EQ(prompts.TextsOf(Kind::AskYesNoCancel), QStringList{question});
    EXPECT_TRUE(Rows().isEmpty());

    prompts.YesNoCancelAnswers = {Prompts::Answer::Yes};
    window->AddPathAsUser(ToQ(locker));
    ASSERT_EQ(Rows(), QStringList{ToQ(photos)});
    EXPECT_EQ(StatusOf(0), QStringLiteral("Encrypted & Hidden"));
    delete window->RowOf(ToQ(photos));

    prompts.YesNoCancelAnswers = {Prompts::Answer::No};
    prompts.SecretAnswers = {QString::fromStdString(Password)};
    window->AddPathAsUser(ToQ(locker));
    EXPECT_EQ(prompts.TextsOf(Kind::AskSecret), QStringList{PasswordPrompt});
    EXPECT_TRUE(PhotosRecreated());
    EXPECT_FALSE(fs::exists(locker));
    EXPECT_EQ(Rows(), QStringList{ToQ(photos)});
    EXPECT_EQ(StatusOf(0), QStringLiteral("Visible"));
}

// A path inside a listed folder, or a folder around a listed path, is listed
// only when the user agrees after being told what hiding does then.
TEST_F(ImportLockerTest, AddingAPathInsideOrAroundAListedOneAsksFirst) {
    const fs::path work = temp / "Work";
    const fs::path docs = work / "Docs";
    WriteFile(docs / "plan.txt", "plan");
    WriteFile(work / "Docs2", "x");
    const QString plan = ToQ(docs / "plan.txt");
    window->AddPathAsUser(ToQ(docs));
    ASSERT_TRUE(prompts.Asked.empty());
    const QString inside = QStringLiteral("The path lies inside a listed folder:\n") + plan + u'\n' + ToQ(docs) +
                           QStringLiteral("\n\nHiding the folder hides this path with it, and its row reads \"Not "
                                          "found\" until the folder is restored. Add it anyway?");
    const QString around = QStringLiteral("The folder holds a listed path:\n") + ToQ(work) + u'\n' + ToQ(docs) +
                           QStringLiteral("\n\nHiding the folder hides the listed path with it, and that row reads "
                                          "\"Not found\" until the folder is restored. Add it anyway?");
    prompts.OkCancelAnswers = {false, false};
    window->AddPathAsUser(plan);
    window->AddPathAsUser(ToQ(work));
    EXPECT_EQ(prompts.TextsOf(Kind::ConfirmOkCancel), (QStringList{inside, around}));
    EXPECT_EQ(Rows(), QStringList{ToQ(docs)});

    prompts.OkCancelAnswers = {true};
    window->AddPathAsUser(plan);
    EXPECT_EQ(Rows(), (QStringList{ToQ(docs), plan}));
    // A name that only begins like the folder's is no path inside it.
    prompts.Asked.clear();
    window->AddPathAsUser(ToQ(work / "Docs2"));
    EXPECT_TRUE(prompts.Asked.empty());
    EXPECT_EQ(Rows().size(), 3);
}

} // namespace
} // namespace vk::test
