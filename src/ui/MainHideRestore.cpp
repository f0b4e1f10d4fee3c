// Hiding one path into its locker and restoring it from the locker.

#include "ui/UnitMain.h"

namespace vk {

bool TfrmMain::HidePathIntoLocker(const QString& /*P*/, QString& Message) {
    Message = QStringLiteral("Not available yet.");
    return false;
}

bool TfrmMain::RestorePathFromLocker(const QString& /*P*/, QString& Message) {
    Message = QStringLiteral("Not available yet.");
    return false;
}

bool TfrmMain::ResolveRestoreConflict(const QString& /*P*/, bool& Skip, QString& Message) {
    Skip = true;
    Message.clear();
    return true;
}

} // namespace vk
