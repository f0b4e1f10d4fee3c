#include "locker/LockerPaths.h"

#include "locker/LockerText.h"
#include "locker/uLocker.h"
#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "translation/translation.h"

#include <algorithm>

namespace vk {

namespace {

// Smallest header of an entry: path length, one path byte, kind, attributes, size.
constexpr std::int64_t SmallestEntrySize = 4 + 1 + 1 + 4 + 8;

// A name such as "C:x" or "C:\x" is resolved against a drive on Windows; a
// locker holding one is refused on every platform alike.
bool NamesADrive(const std::string& text) {
    const auto letter = static_cast<unsigned char>(text.size() >= 2 ? text[0] : 0);
    return ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) && text[1] == ':';
}

// Longest part of a stored name a message shows.
constexpr std::size_t ShownLength = 120;

// A stored name as a message shows it: a NUL would end the message text, and
// a name of thousands of bytes is cut (at a character's start) and marked.
std::string Shown(std::string name) {
    if (name.size() > ShownLength) {
        std::size_t cut = ShownLength;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name = name.substr(0, cut) + "...";
    }
    for (char& c : name)
        if (c == '\0')
            c = '?';
    return name;
}

[[noreturn]] void RefuseEntry(const char* format, const std::string& path) {
    throw Error(TranslateFormat(format, Shown(path)));
}

// The folder part of a stored path; empty for a name directly below the root.
std::string ParentOf(const std::string& storedPath) {
    const std::size_t slash = storedPath.rfind('\\');
    return slash == std::string::npos ? std::string() : storedPath.substr(0, slash);
}

void CheckComponents(const std::string& rootName, const std::string& storedPath, bool rootIsFolder) {
    if (storedPath.empty() || storedPath.find_first_of(std::string("/\0", 2)) != std::string::npos ||
        NamesADrive(storedPath))
        RefuseEntry("Unsafe entry path in locker: \"%s\".", storedPath);
    const std::vector<std::string> components = EntryComponents(storedPath);
    const platform::PathLimits limits = platform::SystemPathLimits();
    for (const std::string& component : components) {
        if (component.empty() || component == "." || component == "..")
            RefuseEntry("Unsafe entry path in locker: \"%s\".", storedPath);
        if (component.size() > limits.MaxNameLength)
            RefuseEntry("The entry \"%s\" exceeds the limits of this system.", storedPath);
        // Raises for a name this system cannot take (bytes that are not UTF-8 on Windows).
        platform::PathFromUtf8(component);
    }
    // Below the target, a folder root adds its own name and one level.
    const std::size_t length = rootIsFolder ? rootName.size() + 1 + storedPath.size() : storedPath.size();
    const std::size_t depth = components.size() + (rootIsFolder ? 1 : 0);
    if (length > limits.MaxPathLength || depth > limits.MaxDepth)
        RefuseEntry("The entry \"%s\" exceeds the limits of this system.", storedPath);
}

} // namespace

std::string SanitizeRelativePath(const std::string& path) {
    std::string result = path;
    for (char& c : result)
        if (c == '/')
            c = '\\';
    std::size_t start = result.find_first_not_of('\\');
    result.erase(0, start == std::string::npos ? result.size() : start);
    while (result.compare(0, 3, "..\\") == 0)
        result.erase(0, 3);
    if (result == "..")
        result.clear();
    return result;
}

std::string StoredRelativePath(const std::filesystem::path& relative) {
    std::string stored;
    for (const auto& component : relative) {
        const std::string name = platform::Utf8FromPath(component);
        if (name.find('\\') != std::string::npos)
            throw Error(TranslateFormat("Cannot store the name \"%s\": it contains a backslash.",
                                        platform::Utf8FromPath(relative)));
        // A Windows name with an unpaired surrogate has no UTF-8 form that gives it back.
        if (platform::PathFromUtf8(name) != component)
            throw Error(TranslateFormat("Cannot store the name \"%s\": it is not Unicode text.",
                                        platform::Utf8FromPath(relative)));
        if (!stored.empty())
            stored.push_back('\\');
        stored += name;
    }
    return stored;
}

bool IsPlainRootName(const std::string& rootName) {
    return !rootName.empty() && rootName != "." && rootName != ".." &&
           rootName.find_first_of(std::string("/\\\0", 3)) == std::string::npos && !NamesADrive(rootName);
}

void CheckRootName(const std::string& rootName) {
    if (!IsPlainRootName(rootName))
        throw Error(TranslateFormat("Unsafe root name in locker: \"%s\".", Shown(rootName)));
    if (rootName.size() > platform::SystemPathLimits().MaxNameLength)
        throw Error(TranslateFormat("The entry \"%s\" exceeds the limits of this system.", Shown(rootName)));
    platform::PathFromUtf8(rootName);
}

std::vector<std::string> EntryComponents(const std::string& storedPath) {
    std::vector<std::string> components;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = storedPath.find('\\', begin);
        components.push_back(storedPath.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
        if (end == std::string::npos)
            return components;
        begin = end + 1;
    }
}

TEntryTableRule::TEntryTableRule(const std::string& rootName, bool rootIsFolder, std::int32_t count,
                                 std::int64_t payloadLeft)
    : FRootName(rootName), FRootIsFolder(rootIsFolder), FCount(count), FPayloadLeft(payloadLeft) {
    CheckRootName(rootName);
    if (count < 0 || count > payloadLeft / SmallestEntrySize)
        throw Error(TranslateText("Invalid locker entry count."));
    if (!rootIsFolder && count != 1)
        throw Error(TranslateText("A one-file locker must hold exactly one file."));
}

void TEntryTableRule::Check(const TEntryInfo& entry) {
    if (FSeen == FCount)
        throw Error(TranslateText("Invalid locker entry count."));
    ++FSeen;
    if (entry.Size < 0 || (entry.IsDir && entry.Size != 0))
        throw Error(TranslateText("Invalid entry size in locker."));
    const std::string& path = entry.RelativePath;
    CheckComponents(FRootName, path, FRootIsFolder);
    if (!FRootIsFolder && (entry.IsDir || path != FRootName))
        throw Error(TranslateText("A one-file locker must hold exactly one file."));
    const std::string parent = ParentOf(path);
    if (!parent.empty() && FFolders.count(parent) == 0)
        RefuseEntry("The entry \"%s\" comes before its folder in the locker.", path);
    if (!FPaths.insert(path).second)
        RefuseEntry("Duplicate entry in locker: \"%s\".", path);
    // Names this system does not tell apart would be one item here, the later
    // entry replacing the earlier one.
    if (!FNamesHere.insert(platform::NameAsCompared(path)).second)
        RefuseEntry("The entry \"%s\" differs from an earlier one only in letter case, which this system does not "
                    "tell apart.",
                    path);
    if (entry.IsDir)
        FFolders.insert(path);
    const std::int64_t used = SmallestEntrySize - 1 + static_cast<std::int64_t>(path.size());
    if (entry.Size > FPayloadLeft - used)
        throw Error("Stream read error");
    FPayloadLeft -= used + entry.Size;
}

void TEntryTableRule::Finish() const {
    if (FSeen != FCount)
        throw Error(TranslateText("Invalid locker entry count."));
    if (FPayloadLeft != 0)
        throw Error(TranslateText("The locker's entries do not fill its payload."));
}

void CheckEntryTable(const std::string& rootName, bool rootIsFolder, const std::vector<TEntryInfo>& entries) {
    if (entries.size() > static_cast<std::size_t>(INT32_MAX))
        throw Error(TranslateText("Invalid locker entry count."));
    std::int64_t payload = 0;
    for (const TEntryInfo& entry : entries)
        payload += SmallestEntrySize - 1 + static_cast<std::int64_t>(entry.RelativePath.size()) +
                   std::max<std::int64_t>(entry.Size, 0);
    TEntryTableRule rule(rootName, rootIsFolder, static_cast<std::int32_t>(entries.size()), payload);
    for (const TEntryInfo& entry : entries)
        rule.Check(entry);
    rule.Finish();
}

bool IsLockerFileName(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    const std::string extension = name.substr(dot);
    const std::string wanted = LockerExtension;
    if (extension.size() != wanted.size())
        return false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        char c = extension[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != wanted[i])
            return false;
    }
    return true;
}

} // namespace vk
