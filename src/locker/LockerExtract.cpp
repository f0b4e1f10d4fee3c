#include "locker/ChunkPipeline.h"
#include "locker/LockerEntryTable.h"
#include "locker/LockerFormat.h"
#include "locker/LockerItemTimes.h"
#include "locker/LockerPaths.h"
#include "locker/LockerProgress.h"
#include "locker/LockerReader.h"
#include "locker/LockerSpace.h"
#include "locker/uLocker.h"
#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "translation/translation.h"

#include <algorithm>
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

constexpr const char* DamagedTimesWarning =
    "The locker's record of modification times and permissions is damaged: the items were restored with the "
    "time of the restore and owner-only permissions.";

[[noreturn]] void RaiseChanged() {
    throw Error(TranslateText("The locker changed while it was being read."));
}

// The open folders from the root item down to the folder last written to.
// Entries come folder before contents, so each entry opens only the levels
// where its path leaves the previous one; every level is opened relative to
// the one above it, never through a link.
class TFolderChain {
public:
    explicit TFolderChain(platform::FolderHandle root) { FHandles.push_back(std::move(root)); }

    // The folder reached by the first levels components, opened or created.
    const platform::FolderHandle& Enter(const std::vector<std::string>& components, std::size_t levels) {
        std::size_t common = 0;
        while (common < FNames.size() && common < levels && FNames[common] == components[common])
            ++common;
        FNames.erase(FNames.begin() + static_cast<std::ptrdiff_t>(common), FNames.end());
        FHandles.erase(FHandles.begin() + static_cast<std::ptrdiff_t>(common) + 1, FHandles.end());
        for (std::size_t level = common; level < levels; ++level) {
            FHandles.push_back(FHandles.back().Folder(components[level]));
            FNames.push_back(components[level]);
        }
        return FHandles.back();
    }

private:
    std::vector<platform::FolderHandle> FHandles; // the root, then one per name
    std::vector<std::string> FNames;
};

fs::path ShownPath(const fs::path& rootOut, const std::vector<std::string>& components) {
    fs::path path = rootOut;
    for (const std::string& component : components)
        path /= platform::PathFromUtf8(component);
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

// A file of at least this size is written on a thread of its own while the
// next chunks are read and decrypted; below it, starting that thread and its
// buffers costs more than the overlap saves.
constexpr std::int64_t OverlappedWriteSize = 4 * static_cast<std::int64_t>(ChunkCount * ChunkSize);

// Decrypts size bytes of a file's content a piece of at most pieceSize bytes
// at a time into the room that room() gives, passes each piece to
// put(data, count) and reports after it.
template <typename Room, typename Put, typename Report>
void DecryptContent(TLockerReader& reader, std::int64_t size, std::size_t pieceSize, Room room, Put put, Report report,
                    const TLockerCancelFunc& cancel) {
    for (std::int64_t remaining = size; remaining > 0;) {
        CheckCancelled(cancel);
        const auto piece =
            static_cast<std::int32_t>(std::min<std::int64_t>(remaining, static_cast<std::int64_t>(pieceSize)));
        std::uint8_t* space = room();
        reader.Read(space, piece);
        put(space, static_cast<std::size_t>(piece));
        remaining -= piece;
        report();
    }
}

// The content goes through a pipeline whose one stage writes each chunk.
// What was decrypted before a failure or a cancel is still written, as when
// each chunk is written at once; a failure to write an earlier chunk is
// raised in its place.
template <typename Report>
void WriteOverlapped(TLockerReader& reader, platform::FileStream& output, std::int64_t size, Report report,
                     const TLockerCancelFunc& cancel) {
    TChunkPipeline writes({[&output](const std::uint8_t* data, std::size_t count) { output.Write(data, count); }});
    try {
        DecryptContent(
            reader, size, ChunkSize, [&writes] { return writes.Current(); },
            [&writes](const std::uint8_t*, std::size_t count) { writes.Publish(count); }, report, cancel);
    } catch (...) {
        writes.Finish();
        throw;
    }
    writes.Finish();
}

// A file or folder gets its stored permission bits, when the locker has
// them, in place of owner-only, then its time. Failures are not checked, as
// for the attribute bits.
template <typename Item> void ApplyTimes(Item& item, const TItemTimes& times) {
    if (times.Permissions)
        item.SetPermissions(*times.Permissions);
    item.SetModifyTime(times.ModifyTime);
}

void ExtractFile(TLockerReader& reader, const platform::FolderHandle& folder, const std::string& name,
                 const fs::path& outPath, const TEntryInfo& entry, const TItemTimes* times, Bytes& buffer,
                 std::int64_t payloadLength, TProgressThrottle& progress, const TLockerCancelFunc& cancel) {
    // Content must come from the authenticated payload, never from bytes
    // that may follow it; checked before the output file is created.
    if (entry.Size > reader.Remaining())
        throw Error("Stream read error");
    platform::FileStream output = folder.CreateFile(name);
    const auto report = [&] {
        progress.ReportThrottled(platform::Utf8FromPath(outPath), reader.Done(), payloadLength);
    };
    if (entry.Size >= OverlappedWriteSize)
        WriteOverlapped(reader, output, entry.Size, report, cancel);
    else
        DecryptContent(
            reader, entry.Size, buffer.size(), [&buffer] { return buffer.data(); },
            [&output](const std::uint8_t* data, std::size_t count) { output.Write(data, count); }, report, cancel);
    // Stored bits apply without hidden and system; failures are not checked.
    const auto applied =
        static_cast<std::uint32_t>(entry.Attr) & ~(platform::FILE_ATTRIBUTE_HIDDEN | platform::FILE_ATTRIBUTE_SYSTEM);
    folder.SetFileAttributes(output, name, applied);
    if (times != nullptr)
        ApplyTimes(output, *times);
    output.Close();
}

// The folders' times and modes, set once everything inside them is written
// (a new name in a folder changes its time, and a mode without write access
// would refuse the name). Every folder comes before its contents in the
// table, so in reverse order each folder is done after all that lies below
// it; reaching it opens only folders not done yet.
void ApplyFolderTimes(TFolderChain& chain, const std::vector<TEntryInfo>& entries,
                      const std::vector<TItemTimes>& records) {
    for (std::size_t i = entries.size(); i-- > 0;) {
        if (!entries[i].IsDir)
            continue;
        const std::vector<std::string> components = EntryComponents(entries[i].RelativePath);
        ApplyTimes(chain.Enter(components, components.size()), records[i + 1]);
    }
    ApplyTimes(chain.Enter({}, 0), records[0]);
}

} // namespace

TLockerResult ExtractLocker(const std::string& lockerPath, const std::string& targetFolder, const std::string& secret,
                            const TLockerProgressProc& progressProc, const TLockerCancelFunc& cancel) {
    TLockerResult result;
    const fs::path locker = platform::PathFromUtf8(lockerPath);
    if (!platform::FileExists(locker)) {
        result.MessageText = TranslateText("Locker file does not exist.");
        return result;
    }
    Bytes buffer;
    Bytes masterKey, encKey, sealKey;
    WipeOnExit wipe{&buffer, &masterKey, &encKey, &sealKey};

    // Raised to the caller rather than reported: no target, or a locker
    // that cannot be opened.
    if (targetFolder.empty())
        throw Error("Unable to create directory");
    const fs::path target = platform::PathFromUtf8(targetFolder);
    try {
        CreateDirectories(target);
    } catch (const Error&) {
        // Not reported here: opening the target folder says so.
    }
    platform::FileStream stream(locker, platform::FileStream::Mode::Read);

    try {
        const TLockerHeader header = ReadLockerHeader(stream, RecoverySlotReading::Read);
        // The files' content is at most the payload: checked before any work.
        CheckFreeSpace(target, static_cast<std::uint64_t>(header.PayloadLength));
        // The MAC pass seals the bytes it authenticates under a key of this
        // call alone; the decryption pass must see bytes of the same seal.
        sealKey = RandomBytes(TPayloadSeal::KeyLength);
        TOpenedLocker opened = OpenLockerWithSecret(stream, header, secret, &sealKey);
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
        const TItemTimesBlock times = ReadItemTimes(stream, masterKey, header, ItemTimesRecordCount(table));
        const auto timesOf = [&times, &table](std::size_t index) -> const TItemTimes* {
            if (times.State != ItemTimesState::Valid)
                return nullptr;
            return &times.Records[index + (table.RootIsFolder ? 1 : 0)];
        };
        // Allocated once, no larger than the largest file needs: file content
        // is decrypted into it and written a chunk at a time.
        std::int64_t largest = 0;
        for (const TEntryInfo& entry : table.Entries)
            largest = std::max(largest, entry.IsDir ? 0 : entry.Size);
        buffer.resize(static_cast<std::size_t>(std::min(largest, static_cast<std::int64_t>(ChunkSize))));

        TLockerReader reader(stream, encKey, sealKey, header.Nonce, header.PayloadLength);
        const std::string rootName = reader.ReadString();
        const bool rootIsFolder = reader.ReadByte() != 0;
        const std::int32_t count = reader.ReadInt32();
        if (rootName != table.RootName || rootIsFolder != table.RootIsFolder ||
            count != static_cast<std::int32_t>(table.Entries.size()))
            RaiseChanged();

        // Everything below the target folder is created relative to an open
        // folder handle; the target itself is named by the caller.
        platform::FolderHandle targetHandle = platform::FolderHandle::Open(target);
        const fs::path rootOut = rootIsFolder ? target / platform::PathFromUtf8(rootName) : target;
        TFolderChain chain(rootIsFolder ? targetHandle.Folder(rootName) : std::move(targetHandle));

        TProgressThrottle progress(progressProc);
        progress.Reset();
        progress.Report(lockerPath, reader.Done(), header.PayloadLength);
        for (std::size_t index = 0; index < table.Entries.size(); ++index) {
            const TEntryInfo& entry = table.Entries[index];
            CheckCancelled(cancel);
            ReadSameEntry(reader, entry);
            const std::vector<std::string> components = EntryComponents(entry.RelativePath);
            const fs::path outPath = ShownPath(rootOut, components);
            progress.ReportThrottled(platform::Utf8FromPath(outPath), reader.Done(), header.PayloadLength);
            if (entry.IsDir) {
                chain.Enter(components, components.size()); // a folder's stored bits are not applied
                continue;
            }
            const platform::FolderHandle& folder = chain.Enter(components, components.size() - 1);
            ExtractFile(reader, folder, components.back(), outPath, entry, timesOf(index), buffer, header.PayloadLength,
                        progress, cancel);
        }
        if (!reader.SealMatches(opened.PayloadSeal))
            RaiseChanged();
        if (times.State == ItemTimesState::Valid && rootIsFolder)
            ApplyFolderTimes(chain, table.Entries, times.Records);
        if (times.State == ItemTimesState::Damaged)
            result.WarningText = TranslateText(DamagedTimesWarning);
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
