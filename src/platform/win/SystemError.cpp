#include "platform/win/SystemError.h"

#include "platform/Error.h"
#include "platform/win/Text.h"
#include "platform/win/WinApi.h"

#include <cerrno>
#include <cstring>

namespace vk::platform::detail {

namespace {

// The C library's error number of the Win32 codes the core's callers meet
// most; 0 for the others, which keep the system's own text.
int ErrorNumber(std::uint32_t error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    default:
        return 0;
    }
}

std::string SystemText(std::uint32_t error) {
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
        message.pop_back();
    return message.empty() ? "Windows error " + std::to_string(error) : Utf8(message);
}

} // namespace

std::string Quoted(const std::filesystem::path& path) {
    return "\"" + Utf8(path.native()) + "\"";
}

void RaiseSystemError(const std::string& operation, int error) {
    throw Error(operation + ": " + std::strerror(error));
}

void RaiseWin32Error(const std::string& operation, std::uint32_t error) {
    if (const int number = ErrorNumber(error); number != 0)
        RaiseSystemError(operation, number);
    throw Error(operation + ": " + SystemText(error));
}

void RaiseLastError(const std::string& operation) {
    RaiseWin32Error(operation, ::GetLastError());
}

} // namespace vk::platform::detail
