#include "locker/LockerFormat.h"
#include "locker/LockerPaths.h"
#include "locker/LockerProgress.h"
#include "locker/LockerReader.h"
#include "locker/uLocker.h"
#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "translation/translation.h"

namespace vk {

namespace fs = std::filesystem;

namespace {

// Creates the folder and its missing parents.
void CreateDirectories(const fs::path& folder) {
    if (folder.empty() || platform::DirectoryExists(folder))
        return;
    if (folder.has_parent_path() && folder.parent_path() != folder)
        CreateDirectories(folder.parent_path());
    platform::CreateDirectory(folder);
}

// Where an entry goes. Stored names are checked first, so that nothing is
// ever placed outside the root item's own place in the target folder.
fs::path OutputPath(const fs::path& targetFolder, const fs::path& rootOut, bool rootIsFolder,
                    const std::string& rootName, const std::string& relativePath) {
    if (relativePath.empty())
        return rootIsFolder ? rootOut : targetFolder / rootName;
    return (rootIsFolder ? rootOut : targetFolder) / SafeRelativePath(relativePath);
}

void ExtractFile(TLockerReader& reader, const fs::path& outPath, const TEntryInfo& entry, Bytes& buffer,
                 std::int64_t payloadLength, TProgressThrottle& progress, const TLockerCancelFunc& cancel) {
    // Content must come from the authenticated payload, never from bytes
    // that may follow it; checked before the output file is created.
    if (entry.Size > reader.Remaining())
        throw Error("Stream read error");
    CreateDirectories(outPath.parent_path());
    platform::FileStream output(outPath, platform::FileStream::Mode::Create);
    for (std::int64_t remaining = entry.Size; remaining > 0;) {
        CheckCancelled(cancel);
        const auto piece = static_cast<std::int32_t>(std::min<std::int64_t>(remaining, LockerIoBufferSize));
        reader.Read(buffer.data(), piece);
        output.Write(buffer.data(), static_cast<std::size_t>(piece));
        remaining -= piece;
        progress.ReportThrottled(outPath.string(), reader.Done(), payloadLength);
    }
    output.Close();
    // Stored bits apply without hidden and system; failures are not checked.
    const auto applied =
        static_cast<std::uint32_t>(entry.Attr) & ~(platform::FILE_ATTRIBUTE_HIDDEN | platform::FILE_ATTRIBUTE_SYSTEM);
    platform::SetFileAttributes(outPath, applied);
}

} // namespace

TLockerResult ExtractLocker(const std::string& lockerPath, const std::string& targetFolder, const std::string& secret,
                            const TLockerProgressProc& progressProc, const TLockerCancelFunc& cancel) {
    TLockerResult result;
    if (!platform::FileExists(lockerPath)) {
        result.MessageText = TranslateText("Locker file does not exist.");
        return result;
    }
    Bytes buffer(static_cast<std::size_t>(LockerIoBufferSize));
    Bytes masterKey, encKey;
    WipeOnExit wipe{&buffer, &masterKey, &encKey};

    // Raised to the caller rather than reported: no target, or a locker
    // that cannot be opened.
    if (targetFolder.empty())
        throw Error("Unable to create directory");
    try {
        CreateDirectories(targetFolder);
    } catch (const Error&) {
        // Not reported here: the first item that cannot be written says so.
    }
    platform::FileStream stream(lockerPath, platform::FileStream::Mode::Read);

    try {
        const TLockerHeader header = ReadLockerHeader(stream, RecoverySlotReading::Read);
        TOpenedLocker opened = OpenLockerWithSecret(stream, header, secret);
        masterKey = std::move(opened.MasterKey);
        if (opened.Slot == OpenedSlot::None) {
            result.MessageText = TranslateText("Invalid password or recovery code.");
            return result;
        }
        if (opened.Slot == OpenedSlot::Recovery)
            result.RecoveryCode = secret;

        encKey = DeriveSubKey(masterKey, "enc");
        TLockerReader reader(stream, encKey, header.Nonce, header.PayloadLength);
        const std::string rootName = reader.ReadString();
        const bool rootIsFolder = reader.ReadByte() != 0;
        const std::int32_t count = reader.ReadInt32();
        if (count < 0)
            throw Error(TranslateText("Invalid locker entry count."));
        CheckRootName(rootName);
        const fs::path target(targetFolder);
        const fs::path rootOut = rootIsFolder ? target / rootName : target;
        if (rootIsFolder)
            CreateDirectories(rootOut);

        TProgressThrottle progress(progressProc);
        progress.Reset();
        progress.Report(lockerPath, reader.Done(), header.PayloadLength);
        for (std::int32_t i = 0; i < count; ++i) {
            CheckCancelled(cancel);
            TEntryInfo entry;
            entry.RelativePath = SanitizeRelativePath(reader.ReadString());
            entry.IsDir = reader.ReadByte() != 0;
            entry.Attr = reader.ReadInt32();
            entry.Size = reader.ReadInt64();
            if (entry.Size < 0)
                throw Error(TranslateText("Invalid entry size in locker."));
            const fs::path outPath = OutputPath(target, rootOut, rootIsFolder, rootName, entry.RelativePath);
            progress.ReportThrottled(outPath.string(), reader.Done(), header.PayloadLength);
            if (entry.IsDir)
                CreateDirectories(outPath); // a folder's stored bits are not applied
            else
                ExtractFile(reader, outPath, entry, buffer, header.PayloadLength, progress, cancel);
        }
        progress.Report(lockerPath, header.PayloadLength, header.PayloadLength);
        result.Success = true;
        result.MessageText = TranslateText("Locker extracted successfully.");
    } catch (const std::exception& e) {
        result.Success = false;
        result.MessageText = e.what();
    }
    return result;
}

} // namespace vk
