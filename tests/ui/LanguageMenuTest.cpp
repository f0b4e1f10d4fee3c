// The Language menu with the shipped translation file: the entries, the
// switch at run time, the stored choice and the re-captioned window.

#include "support/ScopedVariable.h"
#include "translation/translation.h"
#include "ui/LanguageChoice.h"
#include "ui/RunsFixture.h"
#include "ui/UiText.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>

namespace vk::test {
namespace {

const std::filesystem::path ShippedFile = std::filesystem::path(VEILKEEP_SOURCE_ROOT) / "resources" / "transl.dt";

enum class Kind { Menu, Button, Plain };

// One translated text of the main window: its English key and where it shows.
struct WindowText {
    const char* key;
    Kind kind;
    std::function<QString(const TfrmMain&)> shown;
};

const std::vector<WindowText>& WindowTexts() {
    static const std::vector<WindowText> texts = {
        {"File", Kind::Menu, [](const TfrmMain& w) { return w.File1->title(); }},
        {"Add Folder...", Kind::Menu, [](const TfrmMain& w) { return w.AddFolder1->text(); }},
        {"Add File...", Kind::Menu, [](const TfrmMain& w) { return w.AddFile1->text(); }},
        {"Import Locker...", Kind::Menu, [](const TfrmMain& w) { return w.ImportLocker1->text(); }},
        {"Exit", Kind::Menu, [](const TfrmMain& w) { return w.Exit1->text(); }},
        {"Encrypt", Kind::Menu, [](const TfrmMain& w) { return w.Edit1->title(); }},
        {"Encrypt && Hide Selected", Kind::Menu, [](const TfrmMain& w) { return w.EncryptHideSelected1->text(); }},
        {"Decrypt && Unhide Selected", Kind::Menu, [](const TfrmMain& w) { return w.DencryptUnhideSelected1->text(); }},
        {"Encrypt && Hide All", Kind::Menu, [](const TfrmMain& w) { return w.EncryptHideAll1->text(); }},
        {"Decrypt && Unhide All", Kind::Menu, [](const TfrmMain& w) { return w.DencryptUnhideAll1->text(); }},
        {"Tools", Kind::Menu, [](const TfrmMain& w) { return w.ools1->title(); }},
        {"Change Password...", Kind::Menu, [](const TfrmMain& w) { return w.ChangePassword1->text(); }},
        {"Language", Kind::Menu, [](const TfrmMain& w) { return w.mmLanguage->title(); }},
        {"Help", Kind::Menu, [](const TfrmMain& w) { return w.Help1->title(); }},
        {"Tutorial", Kind::Menu, [](const TfrmMain& w) { return w.utorial1->text(); }},
        {"Contact Us", Kind::Menu, [](const TfrmMain& w) { return w.ContactUs1->text(); }},
        {"Visit Website", Kind::Menu, [](const TfrmMain& w) { return w.VisitWebsite1->text(); }},
        {"About...", Kind::Menu, [](const TfrmMain& w) { return w.About1->text(); }},
        {"Add Folder...", Kind::Plain, [](const TfrmMain& w) { return w.btnAddFolder->toolTip(); }},
        {"Add File...", Kind::Plain, [](const TfrmMain& w) { return w.btnAddFile->toolTip(); }},
        {"Remove Selected From List", Kind::Plain, [](const TfrmMain& w) { return w.btnRemove->toolTip(); }},
        {"Encrypt and Hide Selected Paths", Kind::Plain,
         [](const TfrmMain& w) { return w.btnEncryptAndHideSelected->toolTip(); }},
        {"Decrypt and Unhide Selected Paths", Kind::Plain,
         [](const TfrmMain& w) { return w.btnDecryptAndUnhideSelected->toolTip(); }},
        {"Encrypt and Hide All Paths in List", Kind::Plain,
         [](const TfrmMain& w) { return w.btnEncryptAndHideAll->toolTip(); }},
        {"Decrypt and Unhide All Paths in List", Kind::Plain,
         [](const TfrmMain& w) { return w.btnDecryptAndUnhideAll->toolTip(); }},
        {"Import Locker File (Lost Path)...", Kind::Plain,
         [](const TfrmMain& w) { return w.btnImportLocker->toolTip(); }},
        {"About Program...", Kind::Plain, [](const TfrmMain& w) { return w.btnAboutProgram->toolTip(); }},
        {"Change Password...", Kind::Button, [](const TfrmMain& w) { return w.btnChangePassword->text(); }},
        {"Ready", Kind::Plain, [](const TfrmMain& w) { return w.lblStatus->text(); }},
        {"Stop", Kind::Button, [](const TfrmMain& w) { return w.btnStop->text(); }},
        {"Path", Kind::Plain, [](const TfrmMain& w) { return w.ListViewPaths->headerItem()->text(0); }},
        {"Status", Kind::Plain, [](const TfrmMain& w) { return w.ListViewPaths->headerItem()->text(1); }},
    };
    return texts;
}

// The file's entry for an English text in a language column, read from the
// table itself rather than through the lookup under test.
QString Entry(const std::string& english, int column) {
    if (column == 0)
        return QString::fromStdString(english);
    const TLanguageTable& table = LanguageTable();
    const auto& keys = table.at(0);
    const auto record = static_cast<std::size_t>(std::find(keys.begin(), keys.end(), english) - keys.begin());
    EXPECT_LT(record, keys.size()) << "no row for " << english;
    if (record >= keys.size())
        return QString::fromStdString(english);
    return QString::fromStdString(table.at(static_cast<std::size_t>(column)).at(record));
}

int ColumnOf(const std::string& code) {
    const TLanguageTable& table = LanguageTable();
    for (std::size_t c = 0; c < table.size(); ++c)
        if (table[c].size() > 1 && table[c][1] == code)
            return static_cast<int>(c);
    ADD_FAILURE() << "no language " << code;
    return 0;
}

QString Expected(const WindowText& text, int column) {
    const QString entry = Entry(text.key, column);
    switch (text.kind) {
    case Kind::Menu:
        return MenuCaption(entry);
    case Kind::Button:
        return QString(entry).replace(u'&', QStringLiteral("&&"));
    case Kind::Plain:
        break;
    }
    return entry;
}

class LanguageMenuTest : public MainWindowTest {
protected:
    void TearDown() override { LoadTranslation(std::nullopt, temp / "none"); }

    // A start of the program as far as the language goes: the stored choice
    // (or the system's language) and the shipped file.
    void StartWithShippedFile() {
        std::optional<std::string> stored;
        if (const std::optional<QString> choice = ReadLanguageChoice())
            stored = choice->toStdString();
        LoadTranslation(stored, ShippedFile);
    }
    // One visible row and one hidden row (its locker exists).
    void ListTwoPaths() {
        settings.StoredPaths = {MakeFile("plain.txt").toStdString(), MakeFile("secret.txt").toStdString()};
        WriteFile(temp / "secret.txt.vklocker", "locker");
    }
    QAction* Entry(int index) const { return window->mmLanguage->actions().at(index); }
    std::vector<bool> CheckMarks() const {
        std::vector<bool> marks;
        for (const QAction* entry : window->mmLanguage->actions())
            marks.push_back(entry->isChecked());
        return marks;
    }
    void ExpectWindowIn(int column) const {
        for (const WindowText& text : WindowTexts())
            EXPECT_EQ(text.kind == Kind::Menu ? MenuCaption(text.shown(*window)) : text.shown(*window),
                      Expected(text, column))
                << text.key;
        EXPECT_EQ(StatusOf(0), vk::test::Entry(StatusVisible, column));
        EXPECT_EQ(StatusOf(1), vk::test::Entry(StatusEncryptedHidden, column));
    }

    test::ScopedVariable locale{"LC_ALL", "C.UTF-8"}; // an English system
};

TEST_F(LanguageMenuTest, WithoutATranslationFileTheMenuIsEmptyAndTheWindowEnglish) {
    LoadTranslation(std::nullopt, temp / "transl.dt");
    ListTwoPaths();
    OpenWindow();
    EXPECT_TRUE(window->mmLanguage->actions().isEmpty());
    ExpectWindowIn(0);
    EXPECT_EQ(MenuCaption(window->File1->title()), QStringLiteral("File"));
    EXPECT_EQ(StatusOf(1), QStringLiteral("Encrypted & Hidden"));
}

TEST_F(LanguageMenuTest, ShippedLanguagesAppearInFileOrderWithTheFirstChecked) {
    StartWithShippedFile();
    OpenWindow();
    const TLanguageTable& table = LanguageTable();
    ASSERT_GE(table.size(), 7u);
    ASSERT_EQ(window->mmLanguage->actions().size(), static_cast<qsizetype>(table.size()));
    for (std::size_t c = 0; c < table.size(); ++c) {
        EXPECT_EQ(Entry(static_cast<int>(c))->text(), QString::fromStdString(table[c][0]));
        EXPECT_EQ(Entry(static_cast<int>(c))->data().toInt(), static_cast<int>(c));
    }
    std::vector<bool> firstOnly(table.size(), false);
    firstOnly[0] = true;
    EXPECT_EQ(CheckMarks(), firstOnly);
    // Choosing the entry that is already checked keeps its mark.
    Entry(0)->trigger();
    EXPECT_EQ(CheckMarks(), firstOnly);
}

TEST_F(LanguageMenuTest, ChoosingGermanSwitchesAtOnceAndIsKeptForTheNextStart) {
    StartWithShippedFile();
    ListTwoPaths();
    OpenWindow();
    const int german = ColumnOf("de");
    const int refreshesBefore = window->Refreshes;

    Entry(german)->trigger();

    std::vector<bool> germanOnly(LanguageTable().size(), false);
    germanOnly[static_cast<std::size_t>(german)] = true;
    EXPECT_EQ(CheckMarks(), germanOnly);
    EXPECT_EQ(ReadLanguageChoice(), QStringLiteral("de"));
    EXPECT_EQ(window->Refreshes, refreshesBefore + 1);
    ExpectWindowIn(german);
    EXPECT_EQ(MenuCaption(window->File1->title()), QStringLiteral("Datei"));
    EXPECT_EQ(StatusOf(0), QStringLiteral("Sichtbar"));
    // Qt's own texts (standard buttons, pickers) switch with ours.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));

    // A new start comes up in German.
    window.reset();
    StartWithShippedFile();
    EXPECT_EQ(LanguageIndex(), german);
    OpenWindow();
    EXPECT_EQ(CheckMarks(), germanOnly);
    ExpectWindowIn(german);
}

TEST_F(LanguageMenuTest, ChoosingTheFirstColumnBringsEveryTextBackToEnglish) {
    WriteLanguageChoice(QStringLiteral("de"));
    StartWithShippedFile();
    ListTwoPaths();
    OpenWindow();
    ExpectWindowIn(ColumnOf("de"));

    Entry(0)->trigger();

    EXPECT_EQ(LanguageIndex(), 0);
    EXPECT_EQ(ReadLanguageChoice(), QStringLiteral("en"));
    ExpectWindowIn(0);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    EXPECT_EQ(StatusOf(1), QStringLiteral("Encrypted & Hidden"));
}

class LanguageSwitchDuringRunTest : public RunsTest {
protected:
    void TearDown() override {
        RunsTest::TearDown();
        LoadTranslation(std::nullopt, temp / "none");
    }
    test::ScopedVariable locale{"LC_ALL", "C.UTF-8"};
};

// The switch happens at the first progress report of a hide run over two
// files: the label shows the translated "Ready" until the run writes its
// counter again, and the run goes on in the new language without skipping
// the second row (it compares the rows' statuses in the language they are
// shown in).
TEST_F(LanguageSwitchDuringRunTest, TheLabelShowsTheTranslatedReadyUntilTheRunNextUpdatesIt) {
    LoadTranslation(std::nullopt, ShippedFile);
    const fs::path first = temp / "first.txt";
    const fs::path second = temp / "second.txt";
    WriteFile(first, "one");
    WriteFile(second, "two");
    HookedMainWindow& main = OpenWindowWith({ToQ(first), ToQ(second)});
    QAction* german = main.mmLanguage->actions().at(ColumnOf("de"));
    QStringList labelsAfterSwitch;
    main.OnProgress = [&](std::int64_t, std::int64_t) {
        if (labelsAfterSwitch.isEmpty()) {
            german->trigger();
            labelsAfterSwitch << main.lblStatus->text();
        }
    };

    main.btnEncryptAndHideAllClick();

    EXPECT_EQ(labelsAfterSwitch, QStringList{QStringLiteral("Bereit")});
    EXPECT_EQ(main.LabelsSeen.last(), QStringLiteral("2/2"));
    EXPECT_TRUE(prompts.Asked.empty());
    EXPECT_TRUE(platform::FileExists(LockerOf(first)));
    EXPECT_TRUE(platform::FileExists(LockerOf(second)));
    EXPECT_EQ(StatusOf(0), QStringLiteral("Verschlüsselt"));
    EXPECT_EQ(StatusOf(1), QStringLiteral("Verschlüsselt"));
}

// A file that breaks off before the code record leaves columns without a code
// (or without any entry): the menu offers no language that could not be
// stored, and the window comes up in English without fault.
TEST_F(LanguageMenuTest, IncompleteColumnsBuildAMenuWithoutFault) {
    ListTwoPaths();
    for (const std::string content : {"3\nEnglish\nDeutsch\nFrancais\nen\n", "3\nEnglish\nDeutsch\n", "2\n"}) {
        SCOPED_TRACE(content);
        WriteFile(temp / "transl.dt", content);
        LoadTranslation(std::string("de"), temp / "transl.dt");
        OpenWindow();
        for (QAction* entry : window->mmLanguage->actions())
            entry->trigger();
        EXPECT_EQ(LanguageIndex(), 0);
        ExpectWindowIn(0);
    }
}

} // namespace
} // namespace vk::test
