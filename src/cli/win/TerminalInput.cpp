#include "cli/SecretInput.h"

#include "platform/Error.h"
#include "platform/win/Text.h"
#include "security/uSecurityUtils.h"

#include <windows.h>

namespace vk::cli {

namespace {

// The console's input and output (CONIN$/CONOUT$, whatever the standard
// handles are redirected to); closes them and puts the echo back however the
// reading ends.
class ConsoleSession {
public:
    ConsoleSession()
        : FInput(::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr)),
          FOutput(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr)) {}
    ~ConsoleSession() {
        if (FEchoOff)
            ::SetConsoleMode(FInput, FSavedMode);
        if (FInput != INVALID_HANDLE_VALUE)
            ::CloseHandle(FInput);
        if (FOutput != INVALID_HANDLE_VALUE)
            ::CloseHandle(FOutput);
    }
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    bool IsOpen() const {
        DWORD mode = 0;
        return FInput != INVALID_HANDLE_VALUE && FOutput != INVALID_HANDLE_VALUE && ::GetConsoleMode(FInput, &mode);
    }

    void Write(const std::string& text) {
        const std::wstring wide = platform::detail::Utf16(text);
        DWORD written = 0;
        ::WriteConsoleW(FOutput, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    }

    void EchoOff() {
        if (!::GetConsoleMode(FInput, &FSavedMode))
            return;
        FEchoOff = ::SetConsoleMode(FInput, FSavedMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
    }

    // Reads up to the end of the line, in UTF-16 from the console and handed
    // back as UTF-8. Ctrl-C ends the read with nothing: it cancels.
    std::string ReadLine() {
        std::wstring line;
        wchar_t c = 0;
        for (;;) {
            DWORD got = 0;
            if (!::ReadConsoleW(FInput, &c, 1, &got, nullptr) || got == 0) {
                if (::GetLastError() == ERROR_OPERATION_ABORTED) {
                    SecureZeroMemory(line.data(), line.size() * sizeof(wchar_t));
                    Write("\n");
                    throw Error("Operation cancelled by user.");
                }
                break;
            }
            if (c == L'\n')
                break;
            line.push_back(c);
        }
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (FEchoOff)
            Write("\n"); // the Enter the console did not echo
        std::string text = platform::detail::Utf8(line);
        SecureZeroMemory(line.data(), line.size() * sizeof(wchar_t));
        return text;
    }

private:
    HANDLE FInput;
    HANDLE FOutput;
    DWORD FSavedMode = 0;
    bool FEchoOff = false;
};

} // namespace

std::optional<std::string> AskOnTerminal(const std::string& prompt) {
    ConsoleSession console;
    if (!console.IsOpen())
        return std::nullopt;
    console.EchoOff();
    console.Write(prompt);
    return console.ReadLine();
}

} // namespace vk::cli
