#include "locker/LockerEntries.h"
#include "locker/LockerFormat.h"
#include "locker/LockerPaths.h"
#include "locker/LockerProgress.h"
#include "locker/LockerSpace.h"
#include "locker/LockerStreams.h"
#include "locker/LockerText.h"
#include "locker/LockerWriter.h"
#include "locker/uLocker.h"
#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "security/uSecurityUtils.h"
#include "translation/translation.h"

#include <cstring>
#include <utility>

namespace vk {

namespace fs = std::filesystem;

namespace {

struct TSource {
    fs::path Root;
    std::string RootName;
    bool RootIsFolder = false;
};

// Root is the source with one trailing separator removed; its name is the
// last component. "/" and names that only point elsewhere (".", "..") have
// no name a locker could give back.
bool ResolveSource(const std::string& sourcePath, TSource& source) {
    // Windows separates with either slash; elsewhere a backslash is part of a name.
    const char* separators = std::filesystem::path::preferred_separator == '\\' ? "/\\" : "/";
    std::string root = sourcePath;
    if (!root.empty() && std::strchr(separators, root.back()) != nullptr)
        root.pop_back();
    source.Root = platform::PathFromUtf8(root);
    source.RootIsFolder = platform::DirectoryExists(root.empty() ? fs::path("/") : source.Root);
    const std::size_t slash = root.find_last_of(separators);
    source.RootName = slash == std::string::npos ? root : root.substr(slash + 1);
    return !source.RootName.empty() && source.RootName != "." && source.RootName != "..";
}

// The entries, and the times block's records: the root folder's first.
TEntryList Enumerate(const std::string& sourcePath, const fs::path& sourceFile, const TSource& source,
                     std::vector<TItemTimes>& times) {
    TEntryList list;
    times.push_back(ItemTimesOf(source.RootIsFolder ? source.Root : sourceFile));
    if (source.RootIsFolder) {
        CollectEntries(source.Root, source.Root, list, &times);
        return list;
    }
    TEntryInfo entry;
    entry.RelativePath = StoredRelativePath(platform::PathFromUtf8(source.RootName));
    entry.SourceFullPath = sourcePath;
    entry.Attr = FileAttributesOrZero(sourceFile);
    entry.Size = static_cast<std::int64_t>(fs::file_size(sourceFile));
    list.push_back(entry);
    return list;
}

// Creating the locker truncates whatever lies at its path; that must never
// be the source or one of its files.
void CheckLockerOutsideSource(const fs::path& locker, const fs::path& source, const TEntryList& list) {
    if (!platform::PathExists(locker))
        return;
    std::error_code ec;
    bool clash = fs::equivalent(locker, source, ec);
    for (const TEntryInfo& entry : list)
        clash = clash || (!entry.IsDir && fs::equivalent(locker, platform::PathFromUtf8(entry.SourceFullPath), ec));
    if (clash)
        throw Error(TranslateFormat("The locker file \"%s\" cannot be one of the items it locks.",
                                    platform::Utf8FromPath(locker)));
}

// Reads one file's content straight into the writer's chunks. The stored
// size was taken during enumeration; a file that has since grown or shrunk
// fails the creation, since its entry could not be read back. Each read asks
// for one byte more than the file should still hold, so a small file's
// content and its end come from one call.
void WriteFileContent(TLockerWriter& writer, const TEntryInfo& entry, std::int64_t done, std::int64_t total,
                      TProgressThrottle& progress, const TLockerCancelFunc& cancel) {
    platform::FileStream input(platform::PathFromUtf8(entry.SourceFullPath), platform::FileStream::Mode::ReadRegular);
    std::int64_t position = 0;
    for (;;) {
        CheckCancelled(cancel);
        std::size_t room = 0;
        std::uint8_t* space = writer.Space(room);
        const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(entry.Size - position + 1, room));
        const std::size_t got = input.ReadOnce(space, wanted);
        position += static_cast<std::int64_t>(got);
        if (got == 0 || position > entry.Size)
            break; // the end, or a byte the entry has no room for
        writer.Commit(got);
        progress.ReportThrottled(entry.SourceFullPath, done + position, total);
        if (position == entry.Size && got < wanted)
            break; // the byte asked for beyond the stored size is not there
    }
    if (position != entry.Size)
        throw Error(TranslateFormat("The file \"%s\" changed while it was being locked.", entry.SourceFullPath));
    input.Close();
}

// The payload in file order: the root, then each entry's header and content.
void WritePayload(TLockerWriter& writer, const std::string& sourcePath, const TSource& source, const TEntryList& list,
                  std::int64_t total, TProgressThrottle& progress, const TLockerCancelFunc& cancel) {
    writer.WriteString(source.RootName);
    writer.WriteByte(source.RootIsFolder ? 1 : 0);
    writer.WriteInt32(static_cast<std::int32_t>(list.size()));
    std::int64_t done = EncodedStringSize(source.RootName) + 5;

    progress.Reset();
    progress.Report(sourcePath, done, total);
    for (const TEntryInfo& entry : list) {
        CheckCancelled(cancel);
        writer.WriteString(entry.RelativePath);
        writer.WriteByte(entry.IsDir ? 1 : 0);
        writer.WriteInt32(entry.Attr);
        writer.WriteInt64(entry.Size);
        done += EntryHeaderSize(entry);
        if (entry.IsDir) {
            progress.ReportThrottled(entry.SourceFullPath, done, total);
            continue;
        }
        WriteFileContent(writer, entry, done, total, progress, cancel);
        done += entry.Size;
        progress.Report(entry.SourceFullPath, done, total);
    }
}

} // namespace

TLockerResult CreateLocker(const std::string& sourcePath, const std::string& lockerPath, const std::string& password,
                           const TLockerProgressProc& progressProc, const TLockerCancelFunc& cancel) {
    TLockerResult result;
    Bytes masterKey, encKey, macKey;
    WipeOnExit wipe{&masterKey, &encKey, &macKey};
    fs::path locker;
    bool lockerOpened = false;
    try {
        const fs::path sourceFile = platform::PathFromUtf8(sourcePath);
        locker = platform::PathFromUtf8(lockerPath);
        if (!platform::PathExists(sourceFile)) {
            result.MessageText = TranslateText("Source path does not exist.");
            return result;
        }
        if (password.empty()) {
            result.MessageText = TranslateText("Locker password cannot be empty.");
            return result;
        }
        TSource source;
        if (!ResolveSource(sourcePath, source)) {
            result.MessageText = TranslateText("Invalid source path.");
            return result;
        }
        // A name extraction would refuse is refused before anything is written.
        if (!IsPlainRootName(source.RootName))
            throw Error(TranslateFormat("Cannot store the name \"%s\": it contains a backslash.", source.RootName));
        TNewLockerKeys keys = DrawNewLockerKeys(password);
        masterKey = std::move(keys.MasterKey);
        TLockerHeader& header = keys.Header;

        std::vector<TItemTimes> times;
        const TEntryList list = Enumerate(sourcePath, sourceFile, source, times);
        // A table that extraction would refuse is never written.
        CheckEntryTable(source.RootName, source.RootIsFolder, list);
        const std::int64_t total = TotalPayloadSize(source.RootName, list);
        CheckLockerOutsideSource(locker, sourceFile, list);
        CheckFreeSpace(platform::FullPath(locker).parent_path(),
                       static_cast<std::uint64_t>(LockerHeaderSize + total) + ItemTimesSize(times.size()));

        encKey = DeriveSubKey(masterKey, "enc");
        macKey = DeriveSubKey(masterKey, "mac");

        platform::FileStream stream(locker, platform::FileStream::Mode::CreateNew);
        lockerOpened = true;
        // Room for the header: its wrapped keys, MAC and length come at the end.
        header.PasswordSlot.WrappedKey.assign(LockerKeyLength, 0);
        header.RecoverySlot.WrappedKey.assign(LockerKeyLength, 0);
        header.PayloadMac.assign(LockerMacLength, 0);
        header.PayloadLength = 0;
        WriteLockerHeader(stream, header);

        TLockerWriter writer(stream, macKey, encKey, header.Nonce);
        TProgressThrottle progress(progressProc);
        try {
            WritePayload(writer, sourcePath, source, list, total, progress, cancel);
            header.PayloadMac = writer.Finish();
        } catch (...) {
            writer.FinishAfterFailure();
            throw;
        }
        WriteItemTimes(stream, masterKey, header.PayloadMac, times);
        header.PayloadLength = writer.Written();
        keys.PutWrappedKeys();
        stream.Seek(0);
        WriteLockerHeader(stream, header);
        stream.Close();

        result.Success = true;
        result.MessageText = TranslateText("Locker created successfully.");
        result.RecoveryCode = keys.RecoveryCode;
    } catch (const std::exception& e) {
        result = TLockerResult();
        result.MessageText = e.what();
    }
    // A failed creation leaves no partial locker. Only a file this call
    // created is removed; a failure to remove it is raised to the caller.
    if (!result.Success && lockerOpened && platform::PathExists(locker))
        platform::DeleteFile(locker);
    return result;
}

namespace {
constexpr std::size_t TemporaryDigits = 12;
constexpr const char* TemporaryEnd = ".tmp";
} // namespace

std::string TemporaryLockerPath(const std::string& lockerPath) {
    return lockerPath + "." + BytesToHex(RandomBytes(TemporaryDigits / 2)) + TemporaryEnd;
}

bool IsTemporaryLockerName(const std::string& fileName, const std::string& lockerName) {
    const std::string end = TemporaryEnd;
    if (fileName.size() != lockerName.size() + 1 + TemporaryDigits + end.size() ||
        fileName.compare(0, lockerName.size(), lockerName) != 0 || fileName[lockerName.size()] != '.' ||
        fileName.compare(fileName.size() - end.size(), end.size(), end) != 0)
        return false;
    const std::string digits = fileName.substr(lockerName.size() + 1, TemporaryDigits);
    return digits.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

} // namespace vk
