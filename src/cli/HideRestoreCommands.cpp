// vklocker extract, hide and restore: the same transactions the window runs,
// with the conflict question answered by --on-conflict. Each builds its item
// under a private name and moves it into place in one step.

#include "cli/CommandSupport.h"
#include "cli/ProgressLine.h"
#include "platform/uPlatform.h"
#include "protect/uProtect.h"
#include "translation/translation.h"

#include <filesystem>

namespace vk::cli {

namespace {

namespace fs = std::filesystem;

// Lockers made here carry the hidden and the system attribute, as the
// window's default strong hide gives them.
constexpr bool StrongHide = true;

TProtectCallbacks CallbacksWithProgress(ProgressLine& progress, const Command& command) {
    TProtectCallbacks callbacks;
    callbacks.Progress = [&progress](const std::string&, std::int64_t done, std::int64_t total) {
        progress.Update(done, total);
    };
    callbacks.Cancel = command.Cancel();
    return callbacks;
}

TConflictAnswer AnswerFor(ConflictChoice choice) {
    switch (choice) {
    case ConflictChoice::Replace:
        return TConflictAnswer::Replace;
    case ConflictChoice::Keep:
        return TConflictAnswer::Keep;
    case ConflictChoice::Cancel:
        break;
    }
    return TConflictAnswer::Skip;
}

bool AnythingAt(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// A leftover beside the item that this program could not prove its own, or
// a version it kept: named, never acted on.
void ShowLeftover(const TProtectOutcome& outcome, const Console& console) {
    if (!outcome.LeftoverPath.empty() && outcome.End != TProtectEnd::Failed)
        console.Out << "Left in place: " << outcome.LeftoverPath << '\n';
}

// The recovery code of a locker this run made and kept, shown whatever else
// happened; false when standard output did not take it.
bool ShowRecoveryCode(const std::string& code, const Console& console) {
    console.Out << "Recovery code: " << code << '\n'
                << "Keep this recovery code somewhere safe: it opens the locker if the password is lost, "
                   "and it is shown only this once.\n";
    console.Out.flush();
    return static_cast<bool>(console.Out);
}

// A restore that succeeded may still have something to say (times and
// modes it could not bring back).
void WarnAbout(const TProtectOutcome& outcome, const Console& console) {
    if (!outcome.WarningText.empty())
        console.Err << "vklocker: " << outcome.WarningText << '\n';
}

} // namespace

int RunExtract(const Arguments& args, const Console& console) {
    Command command(args, console);
    const fs::path locker = platform::FullPath(platform::PathFromUtf8(args.First));
    const fs::path folder =
        args.Second ? platform::FullPath(platform::PathFromUtf8(*args.Second)) : locker.parent_path();
    if (!platform::FileExists(locker))
        return command.Fail(TranslateText("Locker file does not exist."));

    int exitCode = ExitFailure;
    std::optional<std::string> secret =
        command.ReadSecret(SecretKind::PasswordOrRecoveryCode, InterruptMode::CancelThenStop, exitCode);
    if (!secret)
        return exitCode;
    SecretHolder holder(std::move(*secret));

    ProgressLine progress(console.ProgressOut, console.ShowProgress);
    TProtectOutcome outcome = ExtractWithoutReplacing(platform::Utf8FromPath(locker), platform::Utf8FromPath(folder),
                                                      holder.Get(), CallbacksWithProgress(progress, command));
    progress.Clear();
    SecretHolder usedRecoveryCode(std::move(outcome.RecoveryCode));
    if (outcome.End == TProtectEnd::Failed)
        return command.Fail(outcome.MessageText);
    WarnAbout(outcome, console);
    ShowLeftover(outcome, console);
    console.Out << TranslateText("Locker extracted successfully.") << '\n'
                << "Extracted into: " << platform::Utf8FromPath(folder) << '\n';
    if (!usedRecoveryCode.Get().empty())
        console.Out << "The locker was opened with its recovery code.\n";
    return ExitSuccess;
}

int RunHide(const Arguments& args, const Console& console) {
    Command command(args, console);
    const fs::path item = platform::FullPath(platform::PathFromUtf8(args.First));
    const fs::path locker = platform::PathFromUtf8(LockerPathOf(platform::Utf8FromPath(item)));
    // A repeated hide after an interruption may find only the locker: the
    // transaction then finishes what the first run left.
    if (!AnythingAt(item) && !platform::FileExists(locker))
        return command.Fail("Path not found: " + platform::Utf8FromPath(item));

    int exitCode = ExitFailure;
    std::optional<std::string> secret =
        command.ReadSecret(SecretKind::NewPassword, InterruptMode::CancelThenStop, exitCode);
    if (!secret)
        return exitCode;
    SecretHolder password(std::move(*secret));

    ProgressLine progress(console.ProgressOut, console.ShowProgress);
    TProtectOutcome outcome =
        HideItem(platform::Utf8FromPath(item), password.Get(), StrongHide, CallbacksWithProgress(progress, command));
    progress.Clear();
    SecretHolder recoveryCode(std::move(outcome.RecoveryCode));
    // A locker this run made and kept opens with this code, even when the
    // hide failed after it.
    const bool codeShown = recoveryCode.Get().empty() || ShowRecoveryCode(recoveryCode.Get(), console);
    if (outcome.End != TProtectEnd::Hidden)
        return command.Fail(outcome.MessageText);

    console.Out << "Hidden: " << platform::Utf8FromPath(item) << '\n'
                << "Locker: " << platform::Utf8FromPath(locker) << '\n';
    ShowLeftover(outcome, console);
    if (recoveryCode.Get().empty())
        console.Out << "The locker was made by an earlier run, which showed its recovery code.\n";
    console.Out.flush();
    if (!codeShown || !console.Out)
        return command.Fail("The recovery code could not be written to standard output. \"" +
                            platform::Utf8FromPath(item) + "\" is hidden in \"" + platform::Utf8FromPath(locker) +
                            "\", which opens with its password.");
    return ExitSuccess;
}

int RunRestore(const Arguments& args, const Console& console) {
    Command command(args, console);
    const fs::path item = platform::FullPath(platform::PathFromUtf8(args.First));
    const fs::path locker = platform::PathFromUtf8(LockerPathOf(platform::Utf8FromPath(item)));
    if (!platform::FileExists(locker) && !AnythingAt(item))
        return command.Fail("Locker file not found: " + platform::Utf8FromPath(locker));

    int exitCode = ExitFailure;
    std::optional<std::string> secret =
        command.ReadSecret(SecretKind::PasswordOrRecoveryCode, InterruptMode::CancelThenStop, exitCode);
    if (!secret)
        return exitCode;
    SecretHolder password(std::move(*secret));

    ProgressLine progress(console.ProgressOut, console.ShowProgress);
    TProtectCallbacks callbacks = CallbacksWithProgress(progress, command);
    callbacks.Conflict = [choice = args.OnConflict](const std::string&) { return AnswerFor(choice); };
    TProtectOutcome outcome = RestoreItem(platform::Utf8FromPath(item), password.Get(), StrongHide, callbacks);
    progress.Clear();
    switch (outcome.End) {
    case TProtectEnd::Failed:
        return command.Fail(outcome.MessageText);
    case TProtectEnd::NothingChanged:
        ShowLeftover(outcome, console);
        if (!outcome.Skipped) { // the item is in place and has no locker
            console.Out << outcome.MessageText << '\n';
            return ExitSuccess;
        }
        return command.Fail("Both \"" + platform::Utf8FromPath(item) +
                            "\" and its locker exist; nothing was changed. " +
                            "Run again with --on-conflict=replace or --on-conflict=keep to choose.");
    case TProtectEnd::Kept:
        console.Out << "Kept the existing " << platform::Utf8FromPath(item) << "; its locker was deleted.\n";
        break;
    case TProtectEnd::Restored:
    case TProtectEnd::Hidden:
        console.Out << "Restored: " << (outcome.ItemPath.empty() ? platform::Utf8FromPath(item) : outcome.ItemPath)
                    << '\n';
        break;
    }
    WarnAbout(outcome, console);
    ShowLeftover(outcome, console);
    return ExitSuccess;
}

} // namespace vk::cli
