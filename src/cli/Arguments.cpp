#include "cli/Arguments.h"

#include <array>
#include <string_view>

namespace vk::cli {

namespace {

struct CommandShape {
    CommandKind Kind;
    std::string_view Name;
    bool TakesSecondOperand;
};

constexpr std::array<CommandShape, 7> Commands{{
    {CommandKind::Create, "create", true},
    {CommandKind::Extract, "extract", true},
    {CommandKind::Verify, "verify", false},
    {CommandKind::List, "list", false},
    {CommandKind::Hide, "hide", false},
    {CommandKind::Restore, "restore", false},
    {CommandKind::Rekey, "rekey", false},
}};

const CommandShape* FindCommand(std::string_view name) {
    for (const auto& shape : Commands)
        if (shape.Name == name)
            return &shape;
    return nullptr;
}

constexpr std::string_view PasswordFileOption = "--password-file";
constexpr std::string_view OnConflictOption = "--on-conflict";

std::optional<ConflictChoice> ParseConflictChoice(std::string_view value) {
    if (value == "cancel")
        return ConflictChoice::Cancel;
    if (value == "replace")
        return ConflictChoice::Replace;
    if (value == "keep")
        return ConflictChoice::Keep;
    return std::nullopt;
}

ParsedArguments Fail(ParsedArguments& parsed, std::string reason) {
    parsed.Ok = false;
    parsed.Error = std::move(reason);
    return parsed;
}

} // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
    ParsedArguments parsed;
    Arguments& out = parsed.Args;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    bool onConflictGiven = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            out.Help = true;
        } else if (arg == PasswordFileOption) {
            if (i + 1 >= args.size())
                return Fail(parsed, "option --password-file needs a file name");
            out.PasswordFile = args[++i];
        } else if (arg.starts_with(std::string(PasswordFileOption) + "=")) {
            out.PasswordFile = arg.substr(PasswordFileOption.size() + 1);
        } else if (arg == OnConflictOption || arg.starts_with(std::string(OnConflictOption) + "=")) {
            std::string value;
            if (arg == OnConflictOption) {
                if (i + 1 >= args.size())
                    return Fail(parsed, "option --on-conflict needs cancel, replace or keep");
                value = args[++i];
            } else {
                value = arg.substr(OnConflictOption.size() + 1);
            }
            const std::optional<ConflictChoice> choice = ParseConflictChoice(value);
            if (!choice)
                return Fail(parsed, "option --on-conflict takes cancel, replace or keep, not \"" + value + "\"");
            out.OnConflict = *choice;
            onConflictGiven = true;
        } else {
            return Fail(parsed, "unknown option " + arg);
        }
        if (out.PasswordFile && out.PasswordFile->empty())
            return Fail(parsed, "option --password-file needs a file name");
    }

    if (operands.empty()) {
        if (out.Help) {
            parsed.Ok = true;
            return parsed;
        }
        return Fail(parsed, "no command given");
    }

    const CommandShape* shape = FindCommand(operands.front());
    if (!shape)
        return Fail(parsed, "unknown command " + operands.front());
    out.Command = shape->Kind;
    operands.erase(operands.begin());
    if (out.Help) {
        parsed.Ok = true;
        return parsed;
    }
    if (onConflictGiven && out.Command != CommandKind::Restore)
        return Fail(parsed, "option --on-conflict belongs to restore");

    const std::size_t most = shape->TakesSecondOperand ? 2 : 1;
    if (operands.empty())
        return Fail(parsed, std::string(shape->Name) + ": missing operand");
    if (operands.size() > most)
        return Fail(parsed, std::string(shape->Name) + ": too many operands");
    for (const auto& operand : operands)
        if (operand.empty())
            return Fail(parsed, std::string(shape->Name) + ": an operand is empty");

    out.First = operands[0];
    if (operands.size() == 2)
        out.Second = operands[1];
    parsed.Ok = true;
    return parsed;
}

std::string UsageText(CommandKind command) {
    static const std::string SecretHelp =
        "\n"
        "The secret is read from the first line of --password-file FILE, else from the\n"
        "environment variable VKLOCKER_PASSWORD (when it is not empty), else asked for on\n"
        "the terminal without echo.\n";

    switch (command) {
    case CommandKind::Create:
        return "Usage: vklocker create [--password-file FILE] SOURCE [LOCKER]\n"
               "\n"
               "Encrypts the file or folder SOURCE into the locker file LOCKER (default: the\n"
               "full path of SOURCE followed by \".vklocker\"). SOURCE is never changed, and an\n"
               "existing LOCKER is never overwritten, not even one that appears while the\n"
               "locker is written (under a fresh temporary name beside it). On the terminal\n"
               "the password is asked for twice. The new locker's recovery code is printed\n"
               "once: keep it safe.\n"
               "Ctrl-C stops the creation and leaves no locker behind.\n" +
               SecretHelp;
    case CommandKind::Extract:
        return "Usage: vklocker extract [--password-file FILE] LOCKER [FOLDER]\n"
               "\n"
               "Recreates the file or folder held in LOCKER inside FOLDER (default: the\n"
               "locker's own folder). It is built there under a private name and moved into\n"
               "place in one step; an existing item of the same name is never overwritten\n"
               "(the command fails and changes nothing). The secret is the password or the\n"
               "recovery code. The locker itself is left in place.\n" +
               SecretHelp;
    case CommandKind::Verify:
        return "Usage: vklocker verify [--password-file FILE] LOCKER\n"
               "\n"
               "Checks that the password opens LOCKER and that its contents are intact.\n"
               "Writes nothing. Only the password is accepted here, not the recovery code.\n" +
               SecretHelp;
    case CommandKind::List:
        return "Usage: vklocker list [--password-file FILE] LOCKER\n"
               "\n"
               "Shows the root name and kind of LOCKER and every entry with its attributes\n"
               "and size, after checking the whole locker. Writes nothing. The secret is the\n"
               "password or the recovery code.\n" +
               SecretHelp;
    case CommandKind::Hide:
        return "Usage: vklocker hide [--password-file FILE] PATH\n"
               "\n"
               "Hides the file or folder PATH: encrypts it into the locker PATH.vklocker\n"
               "beside it, checks that the locker opens and that PATH did not change in the\n"
               "meantime, then deletes the readable item and hides the locker. On the\n"
               "terminal the password is asked for twice. The new locker's recovery code is\n"
               "printed once: keep it safe. A link is refused. If the hide is interrupted,\n"
               "PATH or its locker is always complete; running the command again finishes it.\n"
               "Exit status 0 only when PATH is gone and its locker is in place. When part\n"
               "of PATH cannot be deleted, the command exits 1 naming what is left, still\n"
               "prints the locker's recovery code, and the next run retries the deletion.\n"
               "Names beside PATH that this program did not provably make are left alone\n"
               "and named.\n" +
               SecretHelp;
    case CommandKind::Restore:
        return "Usage: vklocker restore [--password-file FILE] [--on-conflict=cancel|replace|keep] PATH\n"
               "\n"
               "Restores the file or folder PATH from its locker PATH.vklocker: the item is\n"
               "built beside PATH under a private name, moved into place in one step, and the\n"
               "locker is deleted only then. The secret is the password or the recovery code.\n"
               "When PATH exists too, --on-conflict decides, once the whole locker has been\n"
               "decrypted:\n"
               "  cancel   change nothing and fail (the default)\n"
               "  replace  replace the existing PATH with the locker's item\n"
               "  keep     keep the existing PATH and delete the locker\n"
               "An existing PATH set aside by an interrupted replace is never deleted later\n"
               "unless this program can prove the replace; otherwise it is kept and named.\n"
               "If the restore is interrupted, PATH or its locker is always complete; running\n"
               "the command again finishes it. Exit status 0 only when PATH is in place and\n"
               "its locker is gone.\n" +
               SecretHelp;
    case CommandKind::Rekey:
        return "Usage: vklocker rekey [--password-file FILE] LOCKER\n"
               "\n"
               "Writes LOCKER anew under a new password, with a new recovery code, which is\n"
               "printed once: keep it safe. The old password or recovery code opens it, and\n"
               "codes of the old locker no longer do afterwards. The locker is decrypted and\n"
               "encrypted again in memory into a private new file beside it, which is\n"
               "checked, written to the disk and then put in LOCKER's place in one step:\n"
               "nothing of its content is ever written in clear, and if the command is\n"
               "interrupted LOCKER opens with the old password or the new one. Exit status 0\n"
               "only when the new locker is in place and verified.\n"
               "\n"
               "The current secret and the new password come from the two lines of\n"
               "--password-file FILE (current first), else from the environment variables\n"
               "VKLOCKER_PASSWORD and VKLOCKER_NEW_PASSWORD (each when it is not empty), else\n"
               "from the terminal without echo (the new password twice).\n";
    case CommandKind::None:
        break;
    }
    return "Usage: vklocker COMMAND [--password-file FILE] OPERANDS\n"
           "\n"
           "Commands:\n"
           "  create SOURCE [LOCKER]   encrypt a file or folder into a new locker\n"
           "  extract LOCKER [FOLDER]  recreate a locker's file or folder\n"
           "  verify LOCKER            check a locker with its password\n"
           "  list LOCKER              show what a locker holds\n"
           "  hide PATH                lock a file or folder and delete the readable item\n"
           "  restore PATH             bring a hidden file or folder back from its locker\n"
           "  rekey LOCKER             write a locker anew under a new password\n"
           "\n"
           "Run \"vklocker COMMAND --help\" for the details of a command.\n"
           "Exit status: 0 success, 1 the operation failed, 2 usage error.\n";
}

} // namespace vk::cli
