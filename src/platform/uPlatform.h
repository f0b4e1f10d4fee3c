#pragma once

// The seam to the operating system. Every call the core makes to the file
// system, the environment or the host goes through here, so that a second
// backend (Win32) can serve the same interface. The Linux backend lives in
// platform/posix/.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vk::platform {

namespace fs = std::filesystem;

// Windows attribute bits: the interface stays this bit set on every platform.
inline constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x4;
inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// --- text and paths ------------------------------------------------------

// The core's text is UTF-8; a path holds the system's own form (bytes on
// POSIX, UTF-16 on Windows). These two are the only way between them, so a
// name outside ASCII names the same item everywhere. PathFromUtf8 raises
// vk::Error for text the system cannot take as a name (bytes that are not
// UTF-8, on Windows). Utf8FromPath never raises: a name that is no text (an
// unpaired UTF-16 surrogate, on Windows) gets U+FFFD in its place, so
// converting it back does not give the same path.
fs::path PathFromUtf8(std::string_view text);
std::string Utf8FromPath(const fs::path& path);

// --- paths ---------------------------------------------------------------

// Absolute, lexically normalised, no trailing separator except for the root.
// Links are not resolved.
fs::path FullPath(const fs::path& path);
bool FileExists(const fs::path& path);      // exists and is not a folder
bool DirectoryExists(const fs::path& path); // exists and is a folder (following links)
bool PathExists(const fs::path& path);      // file or folder

// What a path below a target folder may hold on this system: bytes of one
// name, bytes of the whole path below the target (separators included), and
// folder levels. Extraction refuses a locker beyond them before writing.
struct PathLimits {
    std::size_t MaxNameLength;
    std::size_t MaxPathLength;
    std::size_t MaxDepth;
};
PathLimits SystemPathLimits();

// A name (or a relative path) in the form this system compares names in: two
// names of the same form name one item here. POSIX compares the bytes; Windows
// does not tell letter case apart. The UTF-8 text must be a valid name here.
std::string NameAsCompared(const std::string& name);

// --- attributes ----------------------------------------------------------

// The Windows bit set of the item; INVALID_FILE_ATTRIBUTES when it is missing.
std::uint32_t GetFileAttributes(const fs::path& path);
// What one look-up of an item gives: its bit set as GetFileAttributes returns
// it, and the size of a regular file (none for a folder, a missing item or a
// device, pipe or socket).
struct ItemAttributes {
    std::uint32_t Bits = INVALID_FILE_ATTRIBUTES;
    std::optional<std::uint64_t> FileSize;
};
// The same for the items of one folder, read many at a time: the folder's own
// record of hidden names is read once for all of them, not once per item.
class FolderAttributes {
public:
    explicit FolderAttributes(const fs::path& folder);
    // GetFileAttributes of an item directly inside the folder, with its size.
    ItemAttributes Get(const fs::path& item) const;

private:
    // Made full once: each item's full path is this and its name.
    fs::path FFolder;
    std::vector<std::string> FHiddenNames;
};
// Applies read-only, hidden, system and archive; false when the item is
// missing or a change fails. Directory and normal bits are ignored.
bool SetFileAttributes(const fs::path& path, std::uint32_t attributes);

// --- files and folders ---------------------------------------------------
// These raise vk::Error with the operating system's message on failure.

// Replaces an existing file. The hidden attribute moves with the item.
void RenameFile(const fs::path& from, const fs::path& to);
// Deleting leaves the folder's list of hidden names alone (it may be the very
// folder being emptied): clear the attributes first, as a delete with its
// attributes cleared does.
void DeleteFile(const fs::path& path);
void CreateDirectory(const fs::path& path); // an existing folder is fine
void RemoveDirectory(const fs::path& path); // must be empty
// Flushes the folder's entries (after a rename or create) to the disk.
void FlushFolder(const fs::path& folder);

// Renames only while nothing (not even a dangling link) lies at `to`; the
// check and the rename are one step where the file system allows it. Raises
// vk::Error like RenameFile; a taken name reports "File exists".
void RenameNoReplace(const fs::path& from, const fs::path& to);
// Creates a folder that only its owner can enter. Raises vk::Error when
// anything already lies at path.
void CreatePrivateDirectory(const fs::path& path);

// What identifies an item and its content without reading it: a rewrite of a
// file changes its change time even when its size and modification time are
// put back.
struct TItemStamp {
    enum class Kind { File, Folder, Link, Other };
    Kind Type = Kind::Other;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::int64_t Size = 0;
    std::int64_t ChangeTimeNs = 0;
    std::int64_t ModifyTimeNs = 0;
    bool operator==(const TItemStamp&) const = default;
};
// The item itself (a link is not followed); false when nothing lies there.
bool ReadItemStamp(const fs::path& path, TItemStamp& stamp);

// A binary file stream with an explicit flush to the disk. Writes fail with
// vk::Error carrying the system's message (a full disk says so).
class FileStream {
public:
    // Read opens an existing file. ReadRegular opens one the caller has just
    // seen to be a regular file, with one system call less: a folder put in
    // its place fails at the first read rather than at the open, and a pipe
    // does not hold the open up. Create truncates or creates a file that can
    // also be read back and patched; CreatePrivate does the same and leaves
    // the file readable and writable by its owner alone.
    enum class Mode { Read, ReadRegular, Create, CreatePrivate };
    FileStream(const fs::path& path, Mode mode);
    ~FileStream();
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Reads up to count bytes; returns how many were read (0 at the end).
    std::size_t Read(void* buffer, std::size_t count);
    // At most count bytes with one call to the system: fewer at the end of
    // the file (0 there), and for a regular file only there.
    std::size_t ReadOnce(void* buffer, std::size_t count);
    void Write(const void* buffer, std::size_t count);
    void Seek(std::int64_t position);
    std::int64_t Position() const;
    std::int64_t Size() const;
    void Sync();  // data and metadata reach the disk (fsync)
    void Close(); // raises when the close reports a failure

private:
    friend class FolderHandle; // makes files relative to a folder's handle
    FileStream(int handle, fs::path path) : FHandle(handle), FPath(std::move(path)) {}
    int FHandle = -1;
    fs::path FPath;
};

// A folder held open: items are created inside it by name, relative to the
// handle, so a link put in place of a name is never followed and nothing
// outside the folder is opened for writing or changed. Names are single
// components. Raises vk::Error with the operating system's message; shown
// paths only name the item in messages.
class FolderHandle {
public:
    // Opens an existing folder at path (links on the way are the caller's choice).
    static FolderHandle Open(const fs::path& path);
    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    ~FolderHandle();
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    // The folder name inside this one, opened; created owner-only when it is
    // missing. A link or any other item under the name fails.
    FolderHandle Folder(const std::string& name) const;
    // A new file name inside this one, owner-only, never opened through a
    // link: an existing plain file of that name is removed first (its
    // content is never written to); a link or a folder under the name fails.
    FileStream CreateFile(const std::string& name) const;
    // Applies read-only, system and archive to a file made by CreateFile and
    // the hidden bit to name in this folder's list; false when a part fails.
    bool SetFileAttributes(FileStream& file, const std::string& name, std::uint32_t attributes) const;

    const fs::path& Path() const { return FPath; }

private:
    FolderHandle(int handle, fs::path path) : FHandle(handle), FPath(std::move(path)) {}
    int FHandle = -1;
    fs::path FPath;
    // True while the folder is known to have no record of hidden names (it
    // was created empty by this handle's maker): a shown item needs no look-up.
    mutable bool FNoHiddenRecord = false;
};

// --- host and environment ------------------------------------------------

fs::path ExecutableFolder();
fs::path TempFolder();
std::string HostName();
std::string UserName();

// Keeps this process's memory (passwords, keys) out of crash dumps and away
// from other processes of the same user, for the rest of its life. Linux: the
// process is made non-dumpable (no core file, no ptrace attach, /proc/PID/mem
// closed to others) and its core-file limit set to 0. Windows: Windows Error
// Reporting is not invoked for a crash, so it writes no dump. Failures are
// ignored: the program runs on as before.
void KeepMemoryOutOfDumps();
// $XDG_CONFIG_HOME, else $HOME/.config, else the executable's folder.
fs::path ConfigBaseFolder();
// Windows language identifier of the user-interface language (from LC_ALL,
// LC_MESSAGES or LANG); only the low 8 bits (primary language) carry meaning.
std::uint16_t SystemUiLanguage();

// --- fault injection for tests -----------------------------------------
// Lets tests prove that nothing is lost when the disk fails part-way.
namespace faults {
enum class Op { Write, Rename, Delete, RemoveDirectory, CreateDirectory, SetAttributes, Sync };
// The nth (1-based) future call of op fails as the system would.
void FailAt(Op op, int nth);
// Writes fail with "No space left on device" once this many more bytes are written.
void FailWriteAfter(std::int64_t bytes);

// Crash tests: the process ends at once (_exit with ExitAtStepStatus, no
// clean-up, no destructors) when it reaches the nth (1-based) future guarded
// step of any kind, before that step touches the disk. A child process run
// this way is left as a kill at that moment leaves it. Every call of an
// operation listed in Op is a step, except that a run of writes with nothing
// else between them is one: a kill inside it leaves what a kill before its
// first write leaves, a partly written file.
inline constexpr int ExitAtStepStatus = 86;
void ExitAtStep(int nth);
// Guarded steps reached since the process started or since Clear.
int StepsTaken();

void Clear();
} // namespace faults

} // namespace vk::platform
