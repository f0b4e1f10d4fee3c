#include "ui/StagedExtraction.h"

#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "ui/ScopeExit.h"
#include "ui/UiText.h"
#include "ui/UnitMain.h"

#include <QDir>
#include <QTemporaryDir>
#include <filesystem>
#include <system_error>

namespace vk {

namespace {

namespace fs = std::filesystem;

// True for anything at path, a link that leads nowhere included.
bool AnythingAt(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// Removes what a failed import left behind; what cannot be removed stays.
void RemoveQuietly(const QString& path) {
    try {
        TfrmMain::DeletePath(path);
    } catch (const std::exception&) {
    }
}

} // namespace

TStagedExtraction ExtractLockerWithoutReplacing(const QString& lockerPath, const QString& targetFolder,
                                                const std::string& secret) {
    // Owner-only, hidden by its leading dot, and on the target's file system
    // so that moving the items out is a rename.
    QTemporaryDir staging(QDir(targetFolder).filePath(QStringLiteral(".vkimport-XXXXXX")));
    if (!staging.isValid())
        throw Error(TranslateText("Unable to create directory") + ": " + targetFolder.toStdString());
    staging.setAutoRemove(false);
    const QString stagingPath = staging.path();
    ScopeExit removeStaging([&stagingPath] { RemoveQuietly(stagingPath); });

    TStagedExtraction outcome;
    outcome.Result = ExtractLocker(lockerPath.toStdString(), stagingPath.toStdString(), secret);
    if (!outcome.Result.Success)
        return outcome;

    const QStringList names =
        QDir(stagingPath).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QString target = QDir(targetFolder).filePath(name);
        if (AnythingAt(ToPath(target))) {
            outcome.Result.Success = false;
            outcome.Result.MessageText =
                TranslateText("Cannot import: an item of the same name already exists:") + "\n" + target.toStdString();
            return outcome;
        }
    }
    try {
        for (const QString& name : names) {
            const QString target = QDir(targetFolder).filePath(name);
            platform::RenameFile(ToPath(QDir(stagingPath).filePath(name)), ToPath(target));
            outcome.Placed << target;
        }
    } catch (const std::exception&) {
        for (const QString& placed : outcome.Placed)
            RemoveQuietly(placed);
        throw;
    }
    return outcome;
}

} // namespace vk
