// Offering the recovery codes of the lockers a run has just created: the
// password opens every locker, but a forgotten password leaves only the
// recovery codes, and the window is the one place that learns them.

#include "ui/Prompts.h"
#include "ui/RecoverySheet.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QDate>

namespace vk {

void TfrmMain::OfferRecoverySheet() {
    const std::vector<RecoveryEntry> entries = std::move(FNewRecoveryCodes);
    FNewRecoveryCodes.clear();
    if (entries.empty())
        return;
    if (!FPrompts.ConfirmOkCancel(RecoverySheetOffer(entries.size())))
        return;
    const QString suggested =
        QStringLiteral("veilkeep-recovery-%1.txt").arg(QDate::currentDate().toString(Qt::ISODate));
    // Asked again after a failed write, so the codes are not lost to one bad folder.
    for (;;) {
        const std::optional<QString> file = FPrompts.PickSaveFile(TranslatedText("Save Recovery Sheet"), suggested);
        if (!file)
            return;
        const QString failure = WriteRecoverySheet(*file, RecoverySheetText(entries));
        if (failure.isEmpty()) {
            FPrompts.Message(TranslatedText("The recovery sheet was saved to:") + u'\n' + *file,
                             Prompts::Icon::Information);
            return;
        }
        FPrompts.Message(TranslatedText("The recovery sheet could not be saved:") + u'\n' + *file + u'\n' + failure,
                         Prompts::Icon::Error);
    }
}

} // namespace vk
