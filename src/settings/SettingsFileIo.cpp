#include "settings/SettingsFileIo.h"

#include "platform/uPlatform.h"

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

} // namespace

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
