#pragma once

// Writes lockers field by field, so tests can craft the files a sound reader
// must refuse: hostile names, odd versions, altered bytes. The payload is
// encrypted and authenticated exactly as the engine does it, so a crafted
// locker opens with its password and only its content is unusual.

#include "locker/LockerFormat.h"
#include "locker/uLocker.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vk::test {

struct CraftedEntry {
    CraftedEntry(std::string relativePath, bool isDir, std::int32_t attr, std::string content,
                 std::optional<std::int64_t> size = std::nullopt)
        : RelativePath(std::move(relativePath)), IsDir(isDir), Attr(attr), Content(std::move(content)), Size(size) {}

    std::string RelativePath;
    bool IsDir;
    std::int32_t Attr;
    std::string Content;
    std::optional<std::int64_t> Size; // default: the content's length
};

struct CraftedLocker {
    std::string Magic = LockerMagic;
    std::int32_t Version = LockerVersion;
    std::string Password = "pw";
    std::string RecoveryCode = "0000-1111-2222-3333-4444-5555-6666-7777";
    std::int32_t PasswordIterations = 1000; // low, so tests stay quick
    std::int32_t RecoveryIterations = 1000;
    std::string RootName = "root";
    bool RootIsFolder = true;
    std::optional<std::int32_t> EntryCount; // default: the number of entries
    std::vector<CraftedEntry> Entries;

    void WriteTo(const std::filesystem::path& path) const;
};

} // namespace vk::test
