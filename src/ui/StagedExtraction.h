#pragma once

// Extracting a locker beside itself without ever replacing what lies there.
// The engine writes into an existing item of the same name; an import must
// not, since the item found there is not known to be the locker's own.

#include "locker/uLocker.h"

#include <QString>
#include <QStringList>

namespace vk {

struct TStagedExtraction {
    TLockerResult Result;
    QStringList Placed; // the items moved into the target folder, full paths
};

// Extracts the locker into a fresh private folder inside targetFolder, then
// moves every item it recreated into targetFolder. When a recreated name is
// taken there already (file, folder or link), nothing is moved and the
// result fails with "Cannot import: an item of the same name already exists:"
// and the path. The private folder is removed however this ends, partial
// output of a failed extraction included. Raises what ExtractLocker raises,
// and vk::Error when the private folder cannot be made or an item cannot be
// moved (items moved before are removed again).
TStagedExtraction ExtractLockerWithoutReplacing(const QString& lockerPath, const QString& targetFolder,
                                                const std::string& secret);

} // namespace vk
