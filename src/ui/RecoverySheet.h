#pragma once

// The recovery sheet: the recovery codes of the lockers a run has just
// created, written to a text file the user chooses. Whoever holds the file
// can open those lockers; without the password and the sheet nothing can be
// recovered.

#include <QDateTime>
#include <QString>
#include <vector>

namespace vk {

struct RecoveryEntry {
    QString ItemPath;   // the hidden item's path
    QString LockerPath; // its locker
    QString Code;       // the locker's recovery code
    QDateTime Created;  // when the locker was made
};

// The sheet's text: a translated warning, then one block per locker with its
// path, locker, code and date (ISO 8601, local time with offset).
QString RecoverySheetText(const std::vector<RecoveryEntry>& entries);

// Writes text to path as a new file readable by its owner alone (an existing
// file is replaced as a whole, never through a link). Empty on success, else
// the reason.
QString WriteRecoverySheet(const QString& path, const QString& text);

// The question asked before the sheet is saved: how many lockers were made,
// the warning, and what is lost without it.
QString RecoverySheetOffer(std::size_t lockerCount);

} // namespace vk
