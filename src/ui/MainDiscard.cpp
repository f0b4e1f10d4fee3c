// What becomes of the version a restore conflict discards (the locker after
// "No", the existing item after "Yes"): it goes to the desktop's trash, from
// which the user can take it back. Where the trash cannot take it, the user
// learns so and chooses between deleting it for good and keeping it.

#include "protect/uProtect.h"
#include "ui/Prompts.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QFile>
#include <QStringList>

namespace vk {

bool MoveToDesktopTrash(const QString& path) {
    return QFile::moveToTrash(path);
}

TDiscardAnswer TfrmMain::DiscardVersion(const QString& path) {
    if (FMoveToTrash(path))
        return TDiscardAnswer::Taken;
    const QStringList lines{
        TranslatedText("The desktop's trash cannot take:"),
        path,
        QString(),
        TranslatedText("Yes - delete it for good."),
        TranslatedText("No - keep it where it is, under a name beside the item."),
    };
    // Only an explicit Yes deletes; closing the box keeps the version.
    return FPrompts.AskYesNoCancel(lines.join(u'\n')) == Prompts::Answer::Yes ? TDiscardAnswer::DeleteForGood
                                                                              : TDiscardAnswer::KeepIt;
}

TDiscardFunc TfrmMain::DiscardCallback() {
    return [this](const std::string& path) { return DiscardVersion(QString::fromStdString(path)); };
}

} // namespace vk
