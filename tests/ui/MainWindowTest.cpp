// The main window's layout, texts, enabling rules, About box and Help links.

#include "ui/MainWindowFixture.h"
#include "ui/UiText.h"
#include "ui/VisualStyle.h"

#include <QAction>
#include <QCheckBox>
#include <QDate>
#include <QDesktopServices>
#include <QHeaderView>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

namespace vk::test {
namespace {

// The text a menu shows for an action's Qt text: "&&" is one "&", a single
// "&" marks an access key and is not shown.
QString ShownText(const QString& qtText) {
    QString shown;
    for (qsizetype i = 0; i < qtText.size(); ++i) {
        if (qtText[i] == u'&' && i + 1 < qtText.size())
            ++i;
        shown += qtText[i];
    }
    return shown;
}

TEST_F(MainWindowTest, CaptionLayoutAndTexts) {
    TfrmMain& main = OpenWindow();
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Orvan Veilkeep 2.4"));

    const QList<QToolButton*> toolbar = {main.btnAddFolder,
                                         main.btnAddFile,
                                         main.btnRemove,
                                         main.btnEncryptAndHideSelected,
                                         main.btnDecryptAndUnhideSelected,
                                         main.btnEncryptAndHideAll,
                                         main.btnDecryptAndUnhideAll,
                                         main.btnImportLocker,
                                         main.btnAboutProgram};
    for (QToolButton* button : toolbar) {
        EXPECT_EQ(button->size(), QSize(72, 65)) << button->objectName().toStdString();
        EXPECT_EQ(button->iconSize(), QSize(40, 40));
        EXPECT_FALSE(button->icon().pixmap(40, 40).isNull()) << button->objectName().toStdString();
        EXPECT_TRUE(button->text().isEmpty());
        EXPECT_TRUE(button->autoRaise());
    }
    EXPECT_EQ(main.btnImportLocker->toolTip(), QStringLiteral("Import Locker File (Lost Path)..."));
    EXPECT_EQ(main.btnDecryptAndUnhideAll->toolTip(), QStringLiteral("Decrypt and Unhide All Paths in List"));

    main.resize(900, 500);
    main.show();
    QApplication::processEvents();
    // The first eight are packed from the left; About sits at the right edge.
    EXPECT_EQ(main.btnAddFolder->x(), 0);
    EXPECT_EQ(main.btnImportLocker->x(), 7 * 72);
    EXPECT_EQ(main.btnAboutProgram->geometry().right(), main.Panel1->width() - 1);
    // The bottom bar keeps Stop and the label at the right and stretches the bar.
    EXPECT_EQ(main.Panel2->width() - main.btnStop->geometry().right(), 760 - 750 + 1);
    EXPECT_EQ(main.ProgressBar1->width(), 300 + 900 - 760);
    // The counter is never cut off, also while a run stops.
    EXPECT_GE(main.lblStatus->width(),
              main.lblStatus->fontMetrics().horizontalAdvance(QStringLiteral("12/12 stopping...")));
    EXPECT_EQ(main.btnChangePassword->geometry(), QRect(7, 5, 158, 32));

    EXPECT_EQ(main.ListViewPaths->headerItem()->text(0), QStringLiteral("Path"));
    EXPECT_EQ(main.ListViewPaths->headerItem()->text(1), QStringLiteral("Status"));
    EXPECT_EQ(main.ListViewPaths->columnWidth(0), 480);
    EXPECT_EQ(main.ListViewPaths->columnWidth(1), 120);
    EXPECT_EQ(main.ListViewPaths->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(main.ListViewPaths->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(main.ListViewPaths->editTriggers(), QAbstractItemView::NoEditTriggers);
    const QPalette palette = main.ListViewPaths->palette();
    EXPECT_EQ(palette.color(QPalette::Inactive, QPalette::Highlight),
              palette.color(QPalette::Active, QPalette::Highlight));

    EXPECT_EQ(main.btnChangePassword->text(), QStringLiteral("Change Password..."));
    EXPECT_EQ(main.btnStop->text(), QStringLiteral("Stop"));
    EXPECT_EQ(main.btnStop->toolTip(), QStringLiteral("Stop Operation"));
    EXPECT_EQ(main.lblStatus->text(), QStringLiteral("Ready"));
    EXPECT_FALSE(main.lblStatus->isEnabled());
    EXPECT_FALSE(main.ProgressBar1->isVisible());
    EXPECT_FALSE(main.chkStrongHide->isVisible());
    EXPECT_TRUE(main.chkStrongHide->isChecked()); // the store's default
}

TEST_F(MainWindowTest, MenuCaptionsShowSingleAmpersandsAndOneAccessKeyEach) {
    TfrmMain& main = OpenWindow();
    const std::pair<QAction*, const char*> encryptMenu[] = {
        {main.EncryptHideSelected1, "Encrypt & Hide Selected"},
        {main.DencryptUnhideSelected1, "Decrypt & Unhide Selected"},
        {main.EncryptHideAll1, "Encrypt & Hide All"},
        {main.DencryptUnhideAll1, "Decrypt & Unhide All"},
    };
    for (const auto& [action, shown] : encryptMenu)
        EXPECT_EQ(ShownText(action->text()), QString::fromUtf8(shown));

    EXPECT_EQ(MenuCaption(main.Edit1->title()), QStringLiteral("Encrypt"));
    EXPECT_EQ(MenuCaption(main.ools1->title()), QStringLiteral("Tools"));
    // Alt and a letter reach every menu and every item, each letter once per menu.
    const auto expectDistinctKeys = [](const QList<QAction*>& items) {
        QStringList keys;
        for (const QAction* item : items) {
            if (item->isSeparator())
                continue;
            const QString key = QKeySequence::mnemonic(item->text()).toString();
            EXPECT_FALSE(key.isEmpty()) << item->text().toStdString();
            EXPECT_FALSE(keys.contains(key)) << item->text().toStdString();
            keys << key;
        }
    };
    expectDistinctKeys(main.menuBar()->actions());
    for (QMenu* menu : {main.File1, main.Edit1, main.ools1, main.Help1})
        expectDistinctKeys(menu->actions());
    // A translated caption with a single "&" still marks no key of its own.
    EXPECT_EQ(MenuCaption(QStringLiteral("Save & Go && Back")), QStringLiteral("Save  Go && Back"));
}

// The first free letter of each caption becomes its key; "&&" is never one.
TEST(AccessKeysTest, TheFirstFreeLetterOfEachCaptionIsItsKey) {
    EXPECT_EQ(WithAccessKeys({QStringLiteral("File"), QStringLiteral("Folder"), QStringLiteral("fix"),
                              QStringLiteral("&&Fi"), QStringLiteral("12")}),
              (QStringList{QStringLiteral("&File"), QStringLiteral("F&older"), QStringLiteral("f&ix"),
                           QStringLiteral("&&Fi"), QStringLiteral("12")}));
    EXPECT_EQ(WithAccessKeys({QStringLiteral("Übersicht"), QStringLiteral("über")}),
              (QStringList{QStringLiteral("&Übersicht"), QStringLiteral("ü&ber")}));
}

// One row of the enabling table: the state and what must be enabled in it.
struct EnablingCase {
    const char* name;
    int rows;
    bool selectRow;
    bool busy;
    bool selectedCommands; // Remove and the two commands for the selected paths
    bool allCommands;      // the two commands for all paths
    bool idleCommands;     // add, import, change password
};

class EnablingTableTest : public MainWindowTest, public ::testing::WithParamInterface<EnablingCase> {};

TEST_P(EnablingTableTest, ToolbarAndMenuFollowTheTable) {
    const EnablingCase& state = GetParam();
    for (int i = 0; i < state.rows; ++i)
        settings.StoredPaths.push_back(MakeFile("file" + std::to_string(i) + ".txt").toStdString());
    TfrmMain& main = OpenWindow();
    if (state.selectRow)
        main.ListViewPaths->topLevelItem(0)->setSelected(true); // the selection event updates the commands
    if (state.busy) {
        main.FBusy = true;
        main.UpdateCommandStates();
    }

    auto expect = [](QObject* command, bool enabled) {
        const bool actual = qobject_cast<QAction*>(command) ? qobject_cast<QAction*>(command)->isEnabled()
                                                            : qobject_cast<QWidget*>(command)->isEnabled();
        EXPECT_EQ(actual, enabled) << command->objectName().toStdString();
    };
    for (QObject* command :
         std::initializer_list<QObject*>{main.btnRemove, main.btnEncryptAndHideSelected, main.EncryptHideSelected1,
                                         main.btnDecryptAndUnhideSelected, main.DencryptUnhideSelected1})
        expect(command, state.selectedCommands);
    for (QObject* command : std::initializer_list<QObject*>{main.btnEncryptAndHideAll, main.EncryptHideAll1,
                                                            main.btnDecryptAndUnhideAll, main.DencryptUnhideAll1})
        expect(command, state.allCommands);
    for (QObject* command : std::initializer_list<QObject*>{main.btnAddFolder, main.AddFolder1, main.btnAddFile,
                                                            main.AddFile1, main.btnImportLocker, main.ImportLocker1,
                                                            main.btnChangePassword, main.ChangePassword1})
        expect(command, state.idleCommands);
    expect(main.btnStop, state.busy);
    // Always available, also during a run.
    for (QObject* command :
         std::initializer_list<QObject*>{main.btnAboutProgram, main.Exit1, main.About1, main.utorial1, main.ContactUs1,
                                         main.VisitWebsite1, main.mmLanguage->menuAction()})
        expect(command, true);
}

INSTANTIATE_TEST_SUITE_P(States, EnablingTableTest,
                         ::testing::Values(EnablingCase{"EmptyList", 0, false, false, false, false, true},
                                           EnablingCase{"RowsWithoutSelection", 2, false, false, false, true, true},
                                           EnablingCase{"SelectedRow", 2, true, false, true, true, true},
                                           EnablingCase{"Busy", 2, true, true, false, false, false}),
                         [](const ::testing::TestParamInfo<EnablingCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(MainWindowTest, ClearingTheSelectionDisablesTheSelectedCommandsAgain) {
    settings.StoredPaths.push_back(MakeFile("a.txt").toStdString());
    TfrmMain& main = OpenWindow();
    main.ListViewPaths->topLevelItem(0)->setSelected(true);
    EXPECT_TRUE(main.EncryptHideSelected1->isEnabled());
    main.ListViewPaths->clearSelection();
    EXPECT_FALSE(main.EncryptHideSelected1->isEnabled());
    EXPECT_FALSE(main.btnRemove->isEnabled());
}

TEST_F(MainWindowTest, AboutBoxLines) {
    TfrmMain& main = OpenWindow();
    main.btnAboutProgram->click();
    ASSERT_EQ(prompts.Asked.size(), 1u);
    EXPECT_EQ(prompts.Asked[0].icon, Prompts::Icon::Information);
    const QStringList lines = prompts.Asked[0].text.split(u'\n');
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(lines[0], QStringLiteral("Orvan Veilkeep"));
    EXPECT_EQ(lines[1], QStringLiteral("Version: 2.4"));
    EXPECT_EQ(lines[2], QString());
    EXPECT_EQ(lines[3], QStringLiteral("Website: www.veilkeep.example"));
    EXPECT_EQ(lines[4], QString());
    EXPECT_EQ(lines[9], QString());
    const QString year = QString::number(QDate::currentDate().year());
    EXPECT_TRUE(lines[10].contains(year)) << lines[10].toStdString();
    EXPECT_TRUE(lines[10].endsWith(QStringLiteral("All rights reserved."))) << lines[10].toStdString();
    // The menu twin shows the same box.
    main.About1->trigger();
    EXPECT_EQ(prompts.Messages().size(), 2);
}

// Receives the URLs the Help menu asks the desktop to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Opened;
public slots:
    void Open(const QUrl& url) { Opened << url; }
};

TEST_F(MainWindowTest, HelpLinksOpenTheSitePagesOverHttps) {
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "Open");
    TfrmMain& main = OpenWindow();
    main.FHelpSources.SiteAnswers = [](const QUrl&) { return true; };
    main.utorial1->trigger();
    main.ContactUs1->trigger();
    main.VisitWebsite1->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(recorder.Opened.size(), 3);
    EXPECT_EQ(recorder.Opened[0].toString(),
              QStringLiteral("https://www.veilkeep.example/redirect/tutorial-orvan-veilkeep.html"));
    EXPECT_EQ(recorder.Opened[1].toString(), QStringLiteral("https://www.veilkeep.example/support.html"));
    EXPECT_EQ(recorder.Opened[2].toString(), QStringLiteral("https://www.veilkeep.example"));
    EXPECT_TRUE(prompts.Asked.empty());
}

// Without the site the Help items open the README shipped beside the program;
// when that cannot be opened either, the user is told where it lies.
TEST_F(MainWindowTest, HelpWithoutTheSiteOpensTheShippedReadmeOrSaysWhereItIs) {
    TfrmMain& main = OpenWindow();
    QList<QUrl> opened;
    const QString readme = ToQ(temp / "README.md");
    main.FHelpSources = {[](const QUrl&) { return false; },
                         [&](const QUrl& target) {
                             opened << target;
                             return true;
                         },
                         readme};
    main.utorial1->trigger();
    EXPECT_TRUE(opened.isEmpty()) << "no README yet";
    ASSERT_EQ(prompts.Messages().size(), 1);
    EXPECT_TRUE(prompts.Messages().first().endsWith(u'\n' + readme)) << prompts.Messages().first().toStdString();
    EXPECT_EQ(prompts.Asked.front().icon, Prompts::Icon::Error);

    WriteFile(temp / "README.md", "# Help");
    main.ContactUs1->trigger();
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(readme)});
    EXPECT_EQ(prompts.Messages().size(), 1);
}

// Keyboard use: the focused button wears a visible frame, and Enter presses
// it as Space does.
TEST_F(MainWindowTest, TheFocusedButtonIsVisibleAndEnterPressesIt) {
    ASSERT_TRUE(ApplyBuiltInStyle(QtTestApp()));
    settings.GeneralPassword = "pw";
    TfrmMain& main = OpenWindow();
    main.show();
    QApplication::setActiveWindow(&main);
    QCoreApplication::processEvents();
    for (QWidget* button : std::initializer_list<QWidget*>{main.btnAboutProgram, main.btnChangePassword}) {
        SCOPED_TRACE(button->objectName().toStdString());
        main.ListViewPaths->setFocus();
        const QImage unfocused = button->grab().toImage();
        button->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(button->hasFocus());
        EXPECT_NE(button->grab().toImage(), unfocused);
    }
    QTest::keyClick(main.btnAboutProgram, Qt::Key_Return);
    EXPECT_EQ(prompts.Messages(), QStringList{TfrmMain::AboutText()});
    QTest::keyClick(main.btnAboutProgram, Qt::Key_Enter);
    EXPECT_EQ(prompts.Messages().size(), 2);
}

TEST_F(MainWindowTest, ExitClosesTheWindowAndWritesNothing) {
    TfrmMain& main = OpenWindow();
    main.show();
    main.Exit1->trigger();
    EXPECT_FALSE(main.isVisible());
    EXPECT_FALSE(std::filesystem::exists(settings.SettingsFilePath()));
}

} // namespace
} // namespace vk::test

#include "MainWindowTest.moc"
