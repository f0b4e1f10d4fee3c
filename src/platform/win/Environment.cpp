#include "platform/win/Text.h"
#include "platform/win/WinApi.h"

#include <cstdlib>
#include <vector>

namespace vk::platform {

namespace {

// A Win32 call that fills a buffer of UTF-16 units and reports its length;
// empty when the call fails.
template <typename Call> std::wstring Filled(DWORD capacity, Call call) {
    std::vector<wchar_t> buffer(capacity, L'\0');
    DWORD length = capacity;
    if (!call(buffer.data(), &length))
        return {};
    return std::wstring(buffer.data(), wcsnlen(buffer.data(), buffer.size()));
}

} // namespace

fs::path ExecutableFolder() {
    std::vector<wchar_t> buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            std::error_code ec;
            return FullPath(fs::current_path(ec));
        }
        if (length < buffer.size())
            return fs::path(std::wstring(buffer.data(), length)).parent_path();
        buffer.resize(buffer.size() * 2);
    }
}

fs::path TempFolder() {
    wchar_t buffer[MAX_PATH + 2] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH + 1) {
        std::error_code ec;
        return FullPath(fs::temp_directory_path(ec));
    }
    return FullPath(fs::path(std::wstring(buffer, length)));
}

std::string HostName() {
    return detail::Utf8(Filled(MAX_COMPUTERNAME_LENGTH + 1,
                               [](wchar_t* buffer, DWORD* length) { return ::GetComputerNameW(buffer, length) != 0; }));
}

std::string UserName() {
    // Up to 256 characters for a user name, and the terminating null.
    return detail::Utf8(
        Filled(257, [](wchar_t* buffer, DWORD* length) { return ::GetUserNameW(buffer, length) != 0; }));
}

fs::path ConfigBaseFolder() {
    // The user's roaming application data, else the executable's folder.
    const wchar_t* appData = ::_wgetenv(L"APPDATA");
    if (appData != nullptr && fs::path(appData).is_absolute())
        return FullPath(appData);
    return ExecutableFolder();
}

std::uint16_t SystemUiLanguage() {
    return ::GetSystemDefaultUILanguage();
}

} // namespace vk::platform
