// A crash of vklocker while it holds a password leaves no core file behind,
// even where core files are allowed: the program turns dumps off for itself.

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vk::test {
namespace {

namespace fs = std::filesystem;

// Starts argv in folder with the core-file limit raised as far as allowed.
pid_t StartWithCoreFilesAllowed(const fs::path& folder, std::vector<std::string> argv) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        struct rlimit limit {};
        ::getrlimit(RLIMIT_CORE, &limit);
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_CORE, &limit);
        if (::chdir(folder.c_str()) != 0)
            ::_exit(127);
        std::vector<char*> args;
        for (std::string& arg : argv)
            args.push_back(arg.data());
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

// Crashes the child with a signal whose default action dumps core and reports
// whether it did. SIGABRT rather than SIGSEGV: AddressSanitizer catches the
// latter in the sanitizer build and exits instead of dying by the signal.
bool CrashDumpsCore(pid_t pid) {
    ::kill(pid, SIGABRT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    return WIFSIGNALED(status) && WCOREDUMP(status);
}

bool HoldsCoreFile(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("core"))
            return true;
    return false;
}

TEST(ProcessDumps, ACrashedVklockerHoldingAPasswordWritesNoCoreFile) {
    TempFolder temp;
    // The same crash of a program that keeps the default dumps one here;
    // where none is written at all, the test cannot tell anything.
    const fs::path control = temp / "control";
    fs::create_directory(control);
    const pid_t sleeper = StartWithCoreFilesAllowed(control, {"sleep", "30"});
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    if (!CrashDumpsCore(sleeper) && !HoldsCoreFile(control))
        GTEST_SKIP() << "this machine writes no core files (see /proc/sys/kernel/core_pattern)";

    // vklocker waits for the rest of its password file, a pipe, with the
    // first bytes of the password already read.
    const fs::path run = temp / "run";
    fs::create_directory(run);
    WriteFile(run / "item.txt", "readable");
    const fs::path pipe = run / "password";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const pid_t vklocker =
        StartWithCoreFilesAllowed(run, {VEILKEEP_VKLOCKER, "create", "--password-file", pipe.string(), "item.txt"});
    int writer = -1;
    for (int attempt = 0; attempt < 1000 && writer < 0; ++attempt) {
        writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GE(writer, 0) << "vklocker never opened its password file";
    const std::string secret = "Geheim-im-Speicher-42";
    ASSERT_EQ(::write(writer, secret.data(), secret.size()), static_cast<ssize_t>(secret.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    EXPECT_FALSE(CrashDumpsCore(vklocker));
    ::close(writer);
    EXPECT_FALSE(HoldsCoreFile(run));
    EXPECT_FALSE(fs::exists(run / "item.txt.vklocker"));
}

} // namespace
} // namespace vk::test
