// Re-encrypting one locker in place: the new locker is written under a
// private, unpredictable name beside the old one, created only where nothing
// lies and never through a link, verified, flushed, given the old locker's
// hiding bits and renamed over it; then the folder is flushed.

#include "locker/LockerText.h"
#include "platform/Error.h"
#include "protect/Outcome.h"
#include "protect/ProtectSteps.h"
#include "protect/uPasswordChange.h"
#include "security/uSecurityUtils.h"

namespace vk {

using namespace protect;

namespace {

const char* const RekeyTag = ".vkrekey-";

// "." + the locker's name (or a digest of a long one) + ".vkrekey-".
std::string RekeyPrefix(const fs::path& locker) {
    std::string name = platform::Utf8FromPath(locker.filename());
    if (name.size() > 150)
        name = BytesToHex(Sha256Bytes(Utf8Bytes(name))).substr(0, 32);
    return "." + name + RekeyTag;
}

fs::path NewRekeyPath(const fs::path& locker) {
    return locker.parent_path() / platform::PathFromUtf8(RekeyPrefix(locker) + BytesToHex(RandomBytes(16)));
}

// An earlier re-encryption of this locker killed before its rename left a
// file that is at most a copy of the locker under another password; the
// locker itself is complete. Only plain files are removed (a link as itself).
void RemoveEarlierRekeyFiles(const fs::path& locker) {
    const std::string prefix = RekeyPrefix(locker);
    std::error_code error;
    for (fs::directory_iterator it(locker.parent_path(), error), end; !error && it != end; it.increment(error)) {
        const std::string name = platform::Utf8FromPath(it->path().filename());
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        platform::TItemStamp stamp;
        if (platform::ReadItemStamp(it->path(), stamp) && stamp.Type != platform::TItemStamp::Kind::Folder) {
            try {
                platform::DeleteFile(it->path());
            } catch (const std::exception&) {
                // left for the next run
            }
        }
    }
}

} // namespace

TRekeyOutcome RekeyLockerFile(const std::string& lockerPath, const std::string& oldSecret,
                              const std::string& newPassword, const TProtectCallbacks& callbacks) {
    TRekeyOutcome outcome;
    fs::path temporary;
    try {
        const fs::path locker = platform::FullPath(platform::PathFromUtf8(lockerPath));
        if (!platform::FileExists(locker)) {
            outcome.MessageText = TranslateText("Locker file does not exist.");
            return outcome;
        }
        RemoveEarlierRekeyFiles(locker);
        const std::uint32_t hiding =
            platform::GetFileAttributes(locker) & (platform::FILE_ATTRIBUTE_HIDDEN | platform::FILE_ATTRIBUTE_SYSTEM);
        temporary = NewRekeyPath(locker);
        const TLockerResult rekeyed = RekeyLocker(platform::Utf8FromPath(locker), platform::Utf8FromPath(temporary),
                                                  oldSecret, newPassword, callbacks.Progress, callbacks.Cancel);
        if (!rekeyed.Success) {
            outcome.MessageText = rekeyed.MessageText;
            outcome.SecretRefused = rekeyed.SecretRefused;
            return outcome;
        }
        if (Cancelled(callbacks))
            throw Error(CancelledText());
        FlushFile(temporary);
        if (hiding != 0 && !platform::SetFileAttributes(temporary, platform::GetFileAttributes(temporary) | hiding))
            throw Error(TranslateFormat("Path not found: %s", platform::Utf8FromPath(temporary)));
        platform::RenameFile(temporary, locker);
        temporary.clear();
        outcome.Success = true;
        outcome.RecoveryCode = rekeyed.RecoveryCode;
        // Where the hidden bit is a folder's list of names, a name starting
        // with a dot is hidden by itself and the bit did not travel.
        const std::uint32_t now = platform::GetFileAttributes(locker);
        if ((now & hiding) != hiding)
            platform::SetFileAttributes(locker, now | hiding); // the locker is in place either way
        try {
            platform::FlushFolder(locker.parent_path());
        } catch (const std::exception&) {
            // the new locker is in place; the rename is as durable as the folder makes it
        }
        return outcome;
    } catch (const std::exception& error) {
        std::string message = error.what();
        try {
            if (!temporary.empty() && platform::FileExists(temporary))
                platform::DeleteFile(temporary);
        } catch (const std::exception& removal) {
            message += "\n" + std::string(removal.what());
        }
        outcome = TRekeyOutcome();
        outcome.MessageText = message;
        return outcome;
    }
}

} // namespace vk
