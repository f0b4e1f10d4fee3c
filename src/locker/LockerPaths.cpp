#include "locker/LockerPaths.h"

#include "locker/LockerText.h"
#include "locker/uLocker.h"
#include "platform/Error.h"

namespace vk {

namespace {

// On Windows a name such as "C:x" is resolved against a drive, so it must not
// appear in a stored name; elsewhere the colon is an ordinary character.
bool NamesADrive(const std::string& text) {
#ifdef _WIN32
    const auto letter = static_cast<unsigned char>(text.size() >= 2 ? text[0] : 0);
    return ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) && text[1] == ':';
#else
    (void)text;
    return false;
#endif
}

// A stored name as a message shows it: a NUL would end the message text.
std::string Shown(std::string name) {
    for (char& c : name)
        if (c == '\0')
            c = '?';
    return name;
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
        const std::string name = component.string();
        if (name.find('\\') != std::string::npos)
            throw Error(TranslateFormat("Cannot store the name \"%s\": it contains a backslash.", relative.string()));
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
}

std::filesystem::path SafeRelativePath(const std::string& storedPath) {
    const auto refuse = [&] {
        throw Error(TranslateFormat("Unsafe entry path in locker: \"%s\".", Shown(storedPath)));
    };
    if (storedPath.empty() || storedPath.find('\0') != std::string::npos || storedPath.find('/') != std::string::npos ||
        storedPath.front() == '\\' || NamesADrive(storedPath))
        refuse();
    std::filesystem::path result;
    std::size_t begin = 0;
    while (begin <= storedPath.size()) {
        std::size_t end = storedPath.find('\\', begin);
        if (end == std::string::npos)
            end = storedPath.size();
        const std::string component = storedPath.substr(begin, end - begin);
        if (component == "..")
            refuse();
        if (!component.empty() && component != ".") {
            if (NamesADrive(component))
                refuse();
            result /= component;
        }
        begin = end + 1;
    }
    if (result.empty() || result.is_absolute())
        refuse();
    return result;
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
