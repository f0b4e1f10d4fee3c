#include "cli/Commands.h"

#include "cli/Arguments.h"
#include "cli/CommandSupport.h"
#include "cli/ListingFormat.h"
#include "cli/ProgressLine.h"
#include "locker/LockerListing.h"
#include "locker/uLocker.h"
#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "translation/translation.h"

#include <algorithm>
#include <filesystem>

namespace vk::cli {

namespace {

namespace fs = std::filesystem;

// True when path lies inside folder (both already full paths).
bool IsInside(const fs::path& path, const fs::path& folder) {
    auto [folderEnd, pathAt] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return folderEnd == folder.end() && pathAt != path.end();
}

int RunCreate(const Arguments& args, const Console& console) {
    Command command(args, console);
    const fs::path source = platform::FullPath(platform::PathFromUtf8(args.First));
    const fs::path locker =
        args.Second ? platform::FullPath(platform::PathFromUtf8(*args.Second)) : (fs::path(source) += LockerExtension);
    const fs::path temporary = platform::PathFromUtf8(TemporaryLockerPath(platform::Utf8FromPath(locker)));

    if (!platform::PathExists(source))
        return command.Fail(TranslateText("Source path does not exist."));
    if (platform::PathExists(locker))
        return command.Fail("The locker \"" + platform::Utf8FromPath(locker) +
                            "\" already exists; it is not overwritten.");
    if (platform::DirectoryExists(source) && source.has_filename() && IsInside(locker, source))
        return command.Fail("The locker cannot be placed inside the folder it locks.");

    int exitCode = ExitFailure;
    std::optional<std::string> secret = command.ReadSecret(SecretKind::NewPassword, InterruptMode::Cancel, exitCode);
    if (!secret)
        return exitCode;
    SecretHolder password(std::move(*secret));

    // The locker is written under a fresh temporary name and renamed only when
    // it is complete and on the disk, so the final name never holds a partial
    // locker; the rename never replaces what appeared at the name meanwhile.
    ProgressLine progress(console.ProgressOut, console.ShowProgress);
    TLockerResult result = CreateLocker(
        args.First, platform::Utf8FromPath(temporary), password.Get(),
        [&progress](const std::string&, std::int64_t done, std::int64_t total) { progress.Update(done, total); },
        command.Cancel());
    progress.Clear();
    SecretHolder recoveryCode(std::move(result.RecoveryCode));
    if (!result.Success)
        return command.Fail(result.MessageText);

    try {
        platform::FileStream written(temporary, platform::FileStream::Mode::Read);
        written.Sync();
        written.Close();
        platform::RenameNoReplace(temporary, locker);
        platform::FlushFolder(locker.parent_path());
    } catch (const Error& e) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        if (platform::PathExists(locker))
            return command.Fail("The locker \"" + platform::Utf8FromPath(locker) +
                                "\" appeared while this one was written; it is not overwritten.");
        return command.Fail(e.what());
    }

    console.Out << result.MessageText << '\n'
                << "Locker: " << platform::Utf8FromPath(locker) << '\n'
                << "Recovery code: " << recoveryCode.Get() << '\n'
                << "Keep this recovery code somewhere safe: it opens the locker if the password is lost, "
                   "and it is shown only this once.\n";
    console.Out.flush();
    if (!console.Out)
        return command.Fail("The recovery code could not be written to standard output. The locker \"" +
                            platform::Utf8FromPath(locker) + "\" was created and opens with its password.");
    return ExitSuccess;
}

int RunVerify(const Arguments& args, const Console& console) {
    Command command(args, console);
    const fs::path locker = platform::FullPath(platform::PathFromUtf8(args.First));
    if (!platform::FileExists(locker))
        return command.Fail(TranslateText("Locker file does not exist."));

    int exitCode = ExitFailure;
    std::optional<std::string> secret = command.ReadSecret(SecretKind::Password, InterruptMode::Stop, exitCode);
    if (!secret)
        return exitCode;
    SecretHolder password(std::move(*secret));

    std::string message;
    if (!VerifyLocker(platform::Utf8FromPath(locker), password.Get(), message))
        return command.Fail(message);
    console.Out << "Locker verified: the password opens it and its contents are intact.\n";
    return ExitSuccess;
}

int RunList(const Arguments& args, const Console& console) {
    Command command(args, console);
    const fs::path locker = platform::FullPath(platform::PathFromUtf8(args.First));
    if (!platform::FileExists(locker))
        return command.Fail(TranslateText("Locker file does not exist."));

    int exitCode = ExitFailure;
    std::optional<std::string> secret =
        command.ReadSecret(SecretKind::PasswordOrRecoveryCode, InterruptMode::Stop, exitCode);
    if (!secret)
        return exitCode;
    SecretHolder holder(std::move(*secret));

    TLockerListing listing;
    try {
        listing = ListLocker(platform::Utf8FromPath(locker), holder.Get());
    } catch (const Error& e) {
        return command.Fail(e.what());
    }
    console.Out << FormatListing(listing);
    return ExitSuccess;
}

int UsageError(const std::string& reason, CommandKind command, const Console& console) {
    console.Err << "vklocker: " << reason << '\n';
    if (command == CommandKind::None) {
        console.Err << "Run \"vklocker --help\" for usage.\n";
    } else {
        const std::string usage = UsageText(command); // its first line is the synopsis
        console.Err << usage.substr(0, usage.find('\n') + 1);
    }
    return ExitUsage;
}

} // namespace

int RunVklocker(const std::vector<std::string>& args, const Console& console) {
    ParsedArguments parsed = ParseArguments(args);
    if (!parsed.Ok)
        return UsageError(parsed.Error, parsed.Args.Command, console);
    const Arguments& arguments = parsed.Args;
    if (arguments.Help) {
        console.Out << UsageText(arguments.Command);
        return ExitSuccess;
    }
    try {
        switch (arguments.Command) {
        case CommandKind::Create:
            return RunCreate(arguments, console);
        case CommandKind::Extract:
            return RunExtract(arguments, console);
        case CommandKind::Verify:
            return RunVerify(arguments, console);
        case CommandKind::List:
            return RunList(arguments, console);
        case CommandKind::Hide:
            return RunHide(arguments, console);
        case CommandKind::Restore:
            return RunRestore(arguments, console);
        case CommandKind::Rekey:
            return RunRekey(arguments, console);
        case CommandKind::None:
            break;
        }
    } catch (const std::exception& e) {
        // A failure the engine raises instead of reporting (a partial locker
        // that cannot be deleted, a path the system refuses).
        console.Err << "vklocker: " << e.what() << '\n';
        return ExitFailure;
    }
    return UsageError("no command given", CommandKind::None, console);
}

} // namespace vk::cli
