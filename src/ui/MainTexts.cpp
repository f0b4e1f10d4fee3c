// The main window's translated texts: menu captions, toolbar hints, column
// titles and the bottom bar. Run again whenever the language changes.

#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <utility>

namespace vk {

void TfrmMain::ApplyTranslation() {
    // Menu captions as stored: "&&" shows a single "&".
    const std::pair<QMenu*, const char*> menus[] = {
        {File1, "File"}, {Edit1, "Encrypt"}, {ools1, "Tools"}, {mmLanguage, "Language"}, {Help1, "Help"}};
    for (const auto& [menu, caption] : menus)
        menu->setTitle(MenuCaption(TranslatedText(caption)));

    const std::pair<QAction*, const char*> items[] = {
        {AddFolder1, "Add Folder..."},
        {AddFile1, "Add File..."},
        {ImportLocker1, "Import Locker..."},
        {Exit1, "Exit"},
        {EncryptHideSelected1, "Encrypt && Hide Selected"},
        {DencryptUnhideSelected1, "Dencrypt && Unhide Selected"},
        {EncryptHideAll1, "Encrypt && Hide All"},
        {DencryptUnhideAll1, "Dencrypt && Unhide All"},
        {ChangePassword1, "Change Password..."},
        {utorial1, "Tutorial"},
        {ContactUs1, "Contact Us"},
        {VisitWebsite1, "Visit Website"},
        {About1, "About..."},
    };
    for (const auto& [action, caption] : items)
        action->setText(MenuCaption(TranslatedText(caption)));

    const std::pair<QToolButton*, const char*> hints[] = {
        {btnAddFolder, "Add Folder..."},
        {btnAddFile, "Add File..."},
        {btnRemove, "Remove Selected From List"},
        {btnEncryptAndHideSelected, "Encrypt and Hide Selected Paths"},
        {btnDecryptAndUnhideSelected, "Dencrypt and Unhide Selected Paths"},
        {btnEncryptAndHideAll, "Encrypt and Hide All Paths in List"},
        {btnDecryptAndUnhideAll, "Dencrypt and Unhide All Paths in List"},
        {btnImportLocker, "Import Locker File (Lost Path)..."},
        {btnAboutProgram, "About Program..."},
    };
    for (const auto& [button, hint] : hints)
        button->setToolTip(TranslatedText(hint));

    ListViewPaths->setHeaderLabels({TranslatedText("Path"), TranslatedText("Status")});

    // Button captions are not menu captions: a literal "&" is doubled so that
    // Qt shows it and assigns no access key.
    btnChangePassword->setText(TranslatedText("Change Password...").replace(u'&', QStringLiteral("&&")));
    btnStop->setText(TranslatedText("Stop").replace(u'&', QStringLiteral("&&")));
    lblStatus->setText(TranslatedText("Ready"));
}

} // namespace vk
