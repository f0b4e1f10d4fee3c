// Command plumbing of the main window: the enabling rules, the error display
// around every command, the About box, the Help items and Exit.

#include "settings/uSettings.h"
#include "ui/HelpPages.h"
#include "ui/Prompts.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"
#include "update/rules/SiteUrls.h"

#include <QAction>
#include <QDate>
#include <QPushButton>
#include <QStringList>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <initializer_list>

namespace vk {

namespace {

void SetEnabled(std::initializer_list<QObject*> commands, bool enabled) {
    for (QObject* command : commands) {
        if (auto* action = qobject_cast<QAction*>(command))
            action->setEnabled(enabled);
        else if (auto* widget = qobject_cast<QWidget*>(command))
            widget->setEnabled(enabled);
    }
}

} // namespace

void TfrmMain::UpdateCommandStates() {
    const bool idle = !FBusy;
    const bool selected = !ListViewPaths->selectedItems().isEmpty();
    const bool rows = ListViewPaths->topLevelItemCount() > 0;

    SetEnabled({btnRemove, btnEncryptAndHideSelected, EncryptHideSelected1, btnDecryptAndUnhideSelected,
                DencryptUnhideSelected1},
               idle && selected);
    SetEnabled({btnEncryptAndHideAll, EncryptHideAll1, btnDecryptAndUnhideAll, DencryptUnhideAll1}, idle && rows);
    SetEnabled({btnAddFolder, AddFolder1, btnAddFile, AddFile1, btnImportLocker, ImportLocker1, btnChangePassword,
                ChangePassword1},
               idle);
    SetEnabled({btnStop}, FBusy);
    SetEnabled({btnAboutProgram}, true);
    // Exit, the menus, the Language entries, the Help items and About stay
    // enabled at all times, also during a run.
}

void TfrmMain::ListViewPathsSelectItem() {
    UpdateCommandStates();
}

QString TfrmMain::AboutText() {
    const QString year = QString::number(QDate::currentDate().year());
    const QStringList lines = {
        QString::fromUtf8(ApplicationTitle),
        TranslatedText("Version: ") + QString::fromUtf8(ApplicationVersion),
        QString(),
        TranslatedText("Website: ") + QUrl(QString::fromUtf8(SiteBaseUrl)).host(),
        QString(),
        TranslatedText("This program is provided as is, without warranty of any kind."),
        TranslatedText("The authors are not liable for any loss of data arising from its use."),
        TranslatedText("A locker cannot be opened without its password or its recovery code."),
        TranslatedText("Keep copies of important files before you hide them."),
        QString(),
        QStringLiteral("\u00A9 ") + year + u' ' + QString::fromUtf8(ApplicationTitle) + QStringLiteral(". ") +
            TranslatedText("All rights reserved."),
    };
    return lines.join(u'\n');
}

void TfrmMain::btnAboutProgramClick() {
    FPrompts.Message(AboutText(), Prompts::Icon::Information);
}

void TfrmMain::OpenSitePage(const char* path) {
    const QString failure = OpenHelp(QUrl(QString::fromUtf8(SiteBaseUrl) + QString::fromUtf8(path)), FHelpSources);
    if (!failure.isEmpty())
        FPrompts.Message(failure, Prompts::Icon::Error);
}

void TfrmMain::utorial1Click() {
    OpenSitePage(TutorialPagePath);
}
void TfrmMain::ContactUs1Click() {
    OpenSitePage(SupportPagePath);
}
void TfrmMain::VisitWebsite1Click() {
    OpenSitePage("");
}

void TfrmMain::Exit1Click() {
    close();
}

// Whatever the command did, lockers it created are offered for the recovery
// sheet once it has ended, also when it ended in an error.
void TfrmMain::RunCommand(void (TfrmMain::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& error) {
        ShowError(error);
    }
    try {
        OfferRecoverySheet();
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

void TfrmMain::ShowError(const std::exception& error) {
    FPrompts.Message(QString::fromStdString(error.what()), Prompts::Icon::Error);
}

void TfrmMain::ConnectCommand(QAction* action, void (TfrmMain::*handler)()) {
    connect(action, &QAction::triggered, this, [this, handler] { RunCommand(handler); });
}

void TfrmMain::ConnectCommand(QAbstractButton* button, void (TfrmMain::*handler)()) {
    connect(button, &QAbstractButton::clicked, this, [this, handler] { RunCommand(handler); });
}

} // namespace vk
