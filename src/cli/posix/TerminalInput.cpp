#include "cli/SecretInput.h"

#include "platform/Error.h"
#include "security/uSecurityUtils.h"

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace vk::cli {

namespace {

// Closes the terminal and puts its echo back however the reading ends.
class TerminalSession {
public:
    TerminalSession() : FHandle(open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    ~TerminalSession() {
        if (FEchoOff)
            tcsetattr(FHandle, TCSAFLUSH, &FSaved);
        if (FHandle >= 0)
            close(FHandle);
    }
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    bool IsOpen() const { return FHandle >= 0; }

    void Write(const std::string& text) {
        std::size_t written = 0;
        while (written < text.size()) {
            ssize_t n = write(FHandle, text.data() + written, text.size() - written);
            if (n < 0 && errno == EINTR)
                throw Error("Operation cancelled by user.");
            if (n <= 0)
                return;
            written += static_cast<std::size_t>(n);
        }
    }

    void EchoOff() {
        if (tcgetattr(FHandle, &FSaved) != 0)
            return;
        termios quiet = FSaved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        FEchoOff = tcsetattr(FHandle, TCSAFLUSH, &quiet) == 0;
    }

    // Reads up to the end of the line; a read interrupted by a signal
    // (Ctrl-C, whose handler does not restart calls) cancels.
    std::string ReadLine() {
        std::string line;
        char c = 0;
        for (;;) {
            ssize_t n = read(FHandle, &c, 1);
            if (n < 0 && errno == EINTR) {
                SecureWipe(line);
                Write("\n");
                throw Error("Operation cancelled by user.");
            }
            if (n <= 0 || c == '\n')
                break;
            line.push_back(c);
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return line;
    }

private:
    int FHandle;
    termios FSaved{};
    bool FEchoOff = false;
};

} // namespace

std::optional<std::string> AskOnTerminal(const std::string& prompt) {
    TerminalSession terminal;
    if (!terminal.IsOpen())
        return std::nullopt;
    terminal.EchoOff();
    terminal.Write(prompt);
    return terminal.ReadLine();
}

} // namespace vk::cli
