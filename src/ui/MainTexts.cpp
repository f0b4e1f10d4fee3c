// The main window's translated texts: menu captions, toolbar hints, the bottom
// bar and the column titles. Run at creation and again whenever the language
// changes. Every key is written out at its call, so that the test that checks
// the translation file against the sources finds each of them.

#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

namespace vk {

namespace {

// Menu captions are stored with "&&" for a shown "&".
void SetCaption(QMenu* menu, const QString& storedCaption) {
    menu->setTitle(MenuCaption(storedCaption));
}
void SetCaption(QAction* item, const QString& storedCaption) {
    item->setText(MenuCaption(storedCaption));
}

// Each captioned item of a menu (separators have none) gets an access key
// of its own.
void GiveAccessKeys(const QList<QAction*>& items) {
    QList<QAction*> captioned;
    QStringList captions;
    for (QAction* item : items)
        if (!item->isSeparator() && !item->text().isEmpty()) {
            captioned << item;
            captions << item->text();
        }
    const QStringList marked = WithAccessKeys(captions);
    for (qsizetype i = 0; i < captioned.size(); ++i)
        captioned[i]->setText(marked[i]);
}

// Button captions are not menu captions: a literal "&" is doubled so that Qt
// shows it and assigns no access key.
QString ButtonCaption(const QString& text) {
    return QString(text).replace(u'&', QStringLiteral("&&"));
}

} // namespace

// Leaves the window caption, the hint of Stop, the hidden strong-hide check
// box, the separators and the Language entries as they are.
void TfrmMain::ApplyTranslation() {
    SetCaption(File1, TranslatedText("File"));
    SetCaption(AddFolder1, TranslatedText("Add Folder..."));
    SetCaption(AddFile1, TranslatedText("Add File..."));
    SetCaption(ImportLocker1, TranslatedText("Import Locker..."));
    SetCaption(Exit1, TranslatedText("Exit"));
    SetCaption(Edit1, TranslatedText("Encrypt"));
    SetCaption(EncryptHideSelected1, TranslatedText("Encrypt && Hide Selected"));
    SetCaption(DencryptUnhideSelected1, TranslatedText("Decrypt && Unhide Selected"));
    SetCaption(EncryptHideAll1, TranslatedText("Encrypt && Hide All"));
    SetCaption(DencryptUnhideAll1, TranslatedText("Decrypt && Unhide All"));
    SetCaption(ools1, TranslatedText("Tools"));
    SetCaption(ChangePassword1, TranslatedText("Change Password..."));
    SetCaption(mmLanguage, TranslatedText("Language"));
    SetCaption(Help1, TranslatedText("Help"));
    SetCaption(utorial1, TranslatedText("Tutorial"));
    SetCaption(ContactUs1, TranslatedText("Contact Us"));
    SetCaption(VisitWebsite1, TranslatedText("Visit Website"));
    SetCaption(About1, TranslatedText("About..."));

    btnAddFolder->setToolTip(TranslatedText("Add Folder..."));
    btnAddFile->setToolTip(TranslatedText("Add File..."));
    btnRemove->setToolTip(TranslatedText("Remove Selected From List"));
    btnEncryptAndHideSelected->setToolTip(TranslatedText("Encrypt and Hide Selected Paths"));
    btnDecryptAndUnhideSelected->setToolTip(TranslatedText("Decrypt and Unhide Selected Paths"));
    btnEncryptAndHideAll->setToolTip(TranslatedText("Encrypt and Hide All Paths in List"));
    btnDecryptAndUnhideAll->setToolTip(TranslatedText("Decrypt and Unhide All Paths in List"));
    btnImportLocker->setToolTip(TranslatedText("Import Locker File (Lost Path)..."));
    btnAboutProgram->setToolTip(TranslatedText("About Program..."));

    btnChangePassword->setText(ButtonCaption(TranslatedText("Change Password...")));
    lblStatus->setText(TranslatedText("Ready"));
    btnStop->setText(ButtonCaption(TranslatedText("Stop")));

    ListViewPaths->headerItem()->setText(0, TranslatedText("Path"));
    ListViewPaths->headerItem()->setText(1, TranslatedText("Status"));

    // Access keys are given per language, so that Alt and a letter open each
    // menu and pick each item whatever the translation.
    GiveAccessKeys(menuBar()->actions());
    for (QMenu* menu : {File1, Edit1, ools1, Help1})
        GiveAccessKeys(menu->actions());
}

} // namespace vk
