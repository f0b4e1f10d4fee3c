#include "settings/SettingsFileIo.h"

#include "platform/Error.h"
#include "platform/uPlatform.h"

#include <string>
#include <system_error>

namespace vk {

namespace fs = std::filesystem;

namespace {

// A name no other save (of this or another running copy) uses at the same time.
fs::path TemporaryNameFor(const fs::path& target) {
    fs::path temporary = target;
    temporary += "." + BytesToHex(RandomBytes(8)) + ".tmp";
    return temporary;
}

// Gives file a second name without replacing anything there: a hard link where
// the file system has them, else a copy made with exclusive creation. The
// standard library does either atomically on both systems. False when target
// exists already; raises vk::Error on any other failure.
bool AddNameUnlessTaken(const fs::path& file, const fs::path& target) {
    std::error_code linkError;
    fs::create_hard_link(file, target, linkError);
    if (!linkError)
        return true;
    if (linkError == std::errc::file_exists)
        return false;
    std::error_code copyError;
    fs::copy_file(file, target, fs::copy_options::none, copyError);
    if (copyError == std::errc::file_exists)
        return false;
    if (copyError)
        throw Error(copyError.message() + ": " + platform::Utf8FromPath(target));
    platform::FileStream copy(target, platform::FileStream::Mode::Read);
    copy.Sync();
    return true;
}

} // namespace

fs::path MoveToFreeName(const fs::path& file, const std::string& stem, const std::string& extension) {
    const fs::path folder = file.parent_path();
    for (int number = 1;; ++number) {
        const fs::path target =
            folder /
            platform::PathFromUtf8(number == 1 ? stem + extension : stem + "-" + std::to_string(number) + extension);
        if (!AddNameUnlessTaken(file, target))
            continue;
        platform::FlushFolder(folder);
        platform::DeleteFile(file);
        platform::FlushFolder(folder);
        return target;
    }
}

Bytes ReadWholeFile(const fs::path& path) {
    platform::FileStream in(path, platform::FileStream::Mode::Read);
    Bytes contents;
    std::uint8_t buffer[64 * 1024];
    while (const std::size_t count = in.Read(buffer, sizeof buffer))
        contents.insert(contents.end(), buffer, buffer + count);
    return contents;
}

void ReplaceFileContents(const fs::path& target, const Bytes& contents) {
    const fs::path temporary = TemporaryNameFor(target);
    try {
        platform::FileStream out(temporary, platform::FileStream::Mode::CreatePrivate);
        out.Write(contents.data(), contents.size());
        out.Sync();
        out.Close();
        platform::RenameFile(temporary, target);
    } catch (...) {
        try {
            if (platform::FileExists(temporary))
                platform::DeleteFile(temporary);
        } catch (...) {
            // The original error is the one to report.
        }
        throw;
    }
    platform::FlushFolder(target.parent_path());
}

void CreateFolderWithParents(const fs::path& folder) {
    fs::path partial;
    for (const fs::path& part : folder) {
        partial /= part;
        if (!platform::DirectoryExists(partial))
            platform::CreateDirectory(partial);
    }
}

void MakeFolderOwnerOnly(const fs::path& folder) {
    // The standard library serves both systems here; on Windows the per-user
    // application-data folder is private already and this changes nothing.
    std::error_code ignored;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ignored);
}

} // namespace vk
