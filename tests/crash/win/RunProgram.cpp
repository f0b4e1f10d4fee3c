#include "crash/RunProgram.h"

#include "platform/win/Text.h"

#include <algorithm>
#include <cwctype>
#include <stdexcept>
#include <windows.h>

namespace vk::test {

namespace {

using platform::detail::Utf16;
using platform::detail::Utf8;

// Closes a handle when it goes out of scope.
struct OwnedHandle {
    HANDLE Handle = INVALID_HANDLE_VALUE;
    explicit OwnedHandle(HANDLE handle) : Handle(handle) {}
    ~OwnedHandle() {
        if (Handle && Handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(Handle);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
};

std::runtime_error SystemFailure(const std::string& what) {
    return std::runtime_error(what + " failed (Win32 error " + std::to_string(::GetLastError()) + ")");
}

// One argument as the C runtime of the child splits its command line again:
// quoted when it holds a blank or a quote or is empty; a quote escaped with a
// backslash, and backslashes doubled where a quote follows them.
std::wstring Quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return arg;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L'"';
}

std::wstring CommandLine(const std::vector<std::string>& argv) {
    std::wstring line;
    for (const std::string& arg : argv)
        line += (line.empty() ? L"" : L" ") + Quoted(Utf16(arg));
    return line;
}

std::wstring UpperName(const std::wstring& variable) {
    std::wstring name = variable.substr(0, variable.find(L'=', 1));
    std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) { return std::towupper(c); });
    return name;
}

// The variables as one block of NUL-ended strings, sorted by name without
// regard to case as Windows keeps them, closed by an empty string.
std::wstring EnvironmentBlock(const std::vector<std::string>& environment) {
    std::vector<std::wstring> variables;
    for (const std::string& variable : environment)
        variables.push_back(Utf16(variable));
    std::stable_sort(variables.begin(), variables.end(),
                     [](const std::wstring& a, const std::wstring& b) { return UpperName(a) < UpperName(b); });
    std::wstring block;
    for (const std::wstring& variable : variables)
        block += variable + L'\0';
    return block + L'\0';
}

HANDLE InheritableFile(const std::wstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable,
                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

std::vector<std::string> InheritedEnvironment() {
    wchar_t* const block = ::GetEnvironmentStringsW();
    if (!block)
        throw SystemFailure("GetEnvironmentStringsW");
    std::vector<std::string> variables;
    for (const wchar_t* variable = block; *variable; variable += std::wcslen(variable) + 1)
        variables.push_back(Utf8(variable));
    ::FreeEnvironmentStringsW(block);
    return variables;
}

bool VariableNamesIgnoreCase() {
    return true;
}

std::optional<int> RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                              const std::filesystem::path& outputFile) {
    const OwnedHandle output(InheritableFile(outputFile.native(), GENERIC_WRITE, CREATE_ALWAYS));
    if (output.Handle == INVALID_HANDLE_VALUE)
        throw SystemFailure("creating " + outputFile.string());
    // Nothing to read: a command that asks for input gets an end of file.
    const OwnedHandle input(InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING));
    if (input.Handle == INVALID_HANDLE_VALUE)
        throw SystemFailure("opening NUL");

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.Handle;
    startup.hStdOutput = output.Handle;
    startup.hStdError = output.Handle;
    const std::wstring program = Utf16(argv.at(0));
    std::wstring commandLine = CommandLine(argv); // CreateProcessW may write into it
    std::wstring block = EnvironmentBlock(environment);
    PROCESS_INFORMATION process{};
    // Under load Wine now and then fails a start with ERROR_INTERNAL_ERROR
    // before the new process runs any of its own code: such a start is tried
    // again, any other failure is the test's.
    bool settled = false; // started, or failed for good
    for (int attempt = 0; attempt < 3 && !settled; ++attempt)
        settled = ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                   CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &startup, &process) != 0 ||
                  ::GetLastError() != ERROR_INTERNAL_ERROR;
    if (!process.hProcess)
        throw SystemFailure("starting " + argv.at(0));
    const OwnedHandle child(process.hProcess);
    ::CloseHandle(process.hThread);

    DWORD exitCode = 0;
    if (::WaitForSingleObject(child.Handle, INFINITE) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(child.Handle, &exitCode))
        throw SystemFailure("waiting for " + argv.at(0));
    // Exception codes (0xC0000005 and the like) are an abnormal end, not an exit.
    if (exitCode >= 0xC0000000u)
        return std::nullopt;
    return static_cast<int>(exitCode);
}

} // namespace vk::test
