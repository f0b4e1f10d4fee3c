#pragma once

#include "locker/uLocker.h"
#include "platform/uPlatform.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace vk::test {

namespace fs = std::filesystem;

// Creates a locker and insists that it worked; returns the recovery code.
inline std::string CreateOk(const fs::path& source, const fs::path& locker, const std::string& password = "secret") {
    const TLockerResult result = CreateLocker(source.string(), locker.string(), password);
    EXPECT_TRUE(result.Success) << result.MessageText;
    EXPECT_EQ(result.MessageText, "Locker created successfully.");
    return result.RecoveryCode;
}

// Where a locker's payload ends: its header and the stored payload length.
// The block of times and modes follows it.
inline std::int64_t PayloadEnd(const fs::path& locker) {
    const std::string raw = ReadFile(locker);
    std::uint64_t length = 0;
    for (int i = 7; i >= 0; --i)
        length = (length << 8) | static_cast<std::uint8_t>(raw.at(165 + static_cast<std::size_t>(i)));
    return 173 + static_cast<std::int64_t>(length);
}

// Every item below a folder: relative path -> content ("<dir>" for folders).
inline std::map<std::string, std::string> TreeOf(const fs::path& root) {
    std::map<std::string, std::string> tree;
    if (!fs::exists(root))
        return tree;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(item.path(), root).generic_string();
        tree[relative] = item.is_directory() ? "<dir>" : ReadFile(item.path());
    }
    return tree;
}

inline std::string SomeData(std::size_t size, unsigned seed) {
    std::string data(size, '\0');
    std::uint32_t state = seed * 2654435761u + 1;
    for (char& c : data) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return data;
}

inline void FlipBit(const fs::path& file, std::int64_t offset) {
    std::string raw = ReadFile(file);
    raw[static_cast<std::size_t>(offset)] = static_cast<char>(raw[static_cast<std::size_t>(offset)] ^ 0x10);
    WriteFile(file, raw);
}

inline void Patch(const fs::path& file, std::int64_t offset, const std::string& bytes) {
    std::string raw = ReadFile(file);
    raw.replace(static_cast<std::size_t>(offset), bytes.size(), bytes);
    WriteFile(file, raw);
}

} // namespace vk::test
