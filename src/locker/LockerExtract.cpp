#include "locker/LockerEntryTable.h"
#include "locker/LockerFormat.h"
#include "locker/LockerPaths.h"
#include "locker/LockerProgress.h"
#include "locker/LockerReader.h"
#include "locker/uLocker.h"
#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "translation/translation.h"

#include <vector>

namespace vk {

namespace fs = std::filesystem;

namespace {

// Creates the folder and its missing parents, one level after the other.
void CreateDirectories(const fs::path& folder) {
    std::vector<fs::path> missing;
    for (fs::path level = folder; !level.empty() && !platform::DirectoryExists(level); level = level.parent_path()) {
        missing.push_back(level);
        if (level.parent_path() == level)
            break;
    }
    for (auto level = missing.rbegin(); level != missing.rend(); ++level)
        platform::CreateDirectory(*level);
}

[[noreturn]] void RaiseChanged() {
    throw Error(TranslateText("The locker changed while it was being read."));
}

fs::path ShownPath(const fs::path& rootOut, const std::vector<std::string>& components) {
    fs::path path = rootOut;
    for (const std::string& component : components)
        path /= component;
    return path;
}

// The entry header as the decryption pass reads it; it must be the one the
// table was checked with.
void ReadSameEntry(TLockerReader& reader, const TEntryInfo& checked) {
    const std::string relativePath = reader.ReadString();
    const bool isDir = reader.ReadByte() != 0;
    const std::int32_t attr = reader.ReadInt32();
    const std::int64_t size = reader.ReadInt64();
    if (relativePath != checked.RelativePath || isDir != checked.IsDir || attr != checked.Attr || size != checked.Size)
        RaiseChanged();
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
    // Stored bits apply without hidden and system; failures are not checked.
    const auto applied =
        static_cast<std::uint32_t>(entry.Attr) & ~(platform::FILE_ATTRIBUTE_HIDDEN | platform::FILE_ATTRIBUTE_SYSTEM);
    output.Close();
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
        // The whole table follows the canonical rule before anything is written.
        const TEntryTable table = ReadEntryTable(stream, encKey, header);

        TLockerReader reader(stream, encKey, header.Nonce, header.PayloadLength);
        const std::string rootName = reader.ReadString();
        const bool rootIsFolder = reader.ReadByte() != 0;
        const std::int32_t count = reader.ReadInt32();
        if (rootName != table.RootName || rootIsFolder != table.RootIsFolder ||
            count != static_cast<std::int32_t>(table.Entries.size()))
            RaiseChanged();

        const fs::path rootOut = rootIsFolder ? fs::path(targetFolder) / rootName : fs::path(targetFolder);
        if (rootIsFolder)
            CreateDirectories(rootOut);

        TProgressThrottle progress(progressProc);
        progress.Reset();
        progress.Report(lockerPath, reader.Done(), header.PayloadLength);
        for (const TEntryInfo& entry : table.Entries) {
            CheckCancelled(cancel);
            ReadSameEntry(reader, entry);
            const std::vector<std::string> components = EntryComponents(entry.RelativePath);
            const fs::path outPath = ShownPath(rootOut, components);
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
