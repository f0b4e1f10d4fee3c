#include "cli/ProgramStart.h"

#include "platform/win/Text.h"

#include <cstdlib>
#include <windows.h>

// After <windows.h>, which it needs.
#include <shellapi.h>

namespace vk::cli {

namespace {

UINT SavedOutputCodePage = 0;

void RestoreOutputCodePage() {
    ::SetConsoleOutputCP(SavedOutputCodePage);
}

} // namespace

// The narrow argv holds the arguments in the ANSI code page, which cannot
// name every file: they are read again from the UTF-16 command line.
std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr)
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i)
        args.push_back(platform::detail::Utf8(wide[i]));
    ::LocalFree(wide);
    return args;
}

std::optional<std::string> EnvironmentText(const char* name) {
    if (const wchar_t* value = ::_wgetenv(platform::detail::Utf16(std::string(name)).c_str()))
        return platform::detail::Utf8(value);
    return std::nullopt;
}

void PrepareConsoleOutput() {
    SavedOutputCodePage = ::GetConsoleOutputCP();
    if (SavedOutputCodePage == 0 || SavedOutputCodePage == CP_UTF8)
        return; // no console, or one that reads UTF-8 already
    if (::SetConsoleOutputCP(CP_UTF8))
        std::atexit(RestoreOutputCodePage);
}

} // namespace vk::cli
