#include "settings/uSettings.h"

#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "settings/SettingsCurrentLayout.h"
#include "settings/SettingsFileIo.h"
#include "settings/SettingsLegacyLayout.h"
#include "settings/SettingsPasswordLayout.h"
#include "settings/uPasswordRules.h"
#include "translation/translation.h"

#include <ctime>
#include <exception>

namespace vk {

namespace fs = std::filesystem;

namespace {

constexpr const char* SettingsFileName = "settings.dt";
constexpr const char* PassphraseSuffix = "|marigold-k5";
constexpr const char* SetAsideStem = "settings.unreadable-";
constexpr const char* SetAsideExtension = ".dt";

// The local date and time as used in file names: 2026-12-10-141503.
std::string FileNameTimeStamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    // The start-up calls this before any other thread exists.
    const std::tm* local = std::localtime(&seconds);
    char text[32] = {};
    if (local == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d-%H%M%S", local) == 0)
        return std::to_string(seconds);
    return text;
}

// The pass phrase is rebuilt for every use and wiped afterwards.
class ScopedPassphrase {
public:
    explicit ScopedPassphrase(std::string text) : FText(std::move(text)) {}
    ~ScopedPassphrase() { SecureWipe(FText); }
    ScopedPassphrase(const ScopedPassphrase&) = delete;
    ScopedPassphrase& operator=(const ScopedPassphrase&) = delete;
    const std::string& Text() const { return FText; }

private:
    std::string FText;
};

} // namespace

SettingsStore::SettingsStore(std::string title) : FTitle(std::move(title)) {}

SettingsStore::SettingsStore(std::string title, std::string hostName, std::string userName)
    : FTitle(std::move(title)), FHostName(std::move(hostName)), FUserName(std::move(userName)) {}

fs::path SettingsStore::SettingsFilePath() const {
    const fs::path folder = platform::ConfigBaseFolder() / platform::PathFromUtf8(FTitle);
    try {
        CreateFolderWithParents(folder);
        MakeFolderOwnerOnly(folder);
    } catch (const Error&) {
        // The file operation that follows reports the problem.
    }
    return folder / SettingsFileName;
}

std::string SettingsStore::SettingsPassphrase() const {
    const std::string host = FHostName ? *FHostName : platform::HostName();
    const std::string user = FUserName ? *FUserName : platform::UserName();
    return host + "|" + user + "|" + FTitle + PassphraseSuffix;
}

SettingsStore::~SettingsStore() {
    SecureWipe(GeneralPassword);
    for (std::string& previous : PreviousPasswords)
        SecureWipe(previous);
}

bool SettingsStore::LoadSettings() {
    StoredPaths.clear();
    FUnreadableReason.clear();
    FSealedImage.clear();
    FAwaitingPassword = false;
    FReadFromOlderLayout = false;
    const fs::path path = SettingsFilePath();
    if (!platform::FileExists(path))
        return true;
    // Not guarded: a file that is there but cannot be read must not be taken
    // for a first run, whose first save would replace it.
    Bytes image = ReadWholeFile(path);
    if (image.empty())
        return true;

    // A file keyed by the password is only checked here; its values wait for
    // the password. A header no reader can take is damage or another layout.
    try {
        if (ReadPasswordSettingsHeader(image)) {
            FSealedImage = std::move(image);
            FAwaitingPassword = true;
            return true;
        }
    } catch (const std::exception& error) {
        FUnreadableReason = error.what();
        return false;
    }

    // Values are taken over only when a reader has accepted the whole file.
    // The version-2 layout's complaint is the one to report when it took the
    // file for its own (another computer or account, damage).
    std::string version2Reason;
    try {
        const ScopedPassphrase passphrase(SettingsPassphrase());
        if (std::optional<SettingsValues> values = ReadCurrentSettings(image, passphrase.Text())) {
            TakeOver(*values);
            FReadFromOlderLayout = true;
            FAwaitingPassword = !GeneralPassword.empty();
            return true;
        }
    } catch (const std::exception& error) {
        // Damaged, foreign or another version: the older layout gets its turn.
        version2Reason = error.what();
    }
    try {
        return LoadLegacySettings(path);
    } catch (const std::exception& error) {
        FUnreadableReason = version2Reason.empty() ? error.what() : version2Reason;
        return false;
    }
}

bool SettingsStore::OpenWithPassword(const std::string& typed) {
    if (!FAwaitingPassword)
        return false;
    if (FSealedImage.empty()) {
        // An older file: its password has been read already.
        if (!PasswordMatches(typed, GeneralPassword))
            return false;
        FAwaitingPassword = false;
        return true;
    }
    std::optional<SettingsValues> values;
    try {
        values = OpenPasswordSettings(FSealedImage, typed);
    } catch (const std::exception&) {
        // Only a writer who had the password can make a payload the MAC
        // accepts and no reader can take; it opens no more than a wrong guess.
        return false;
    }
    if (!values)
        return false;
    values->Password = typed;
    TakeOver(*values);
    FSealedImage.clear();
    FAwaitingPassword = false;
    return true;
}

bool SettingsStore::LoadSettings(const std::string& password) {
    return LoadSettings() && (!FAwaitingPassword || OpenWithPassword(password));
}

void SettingsStore::ResetToFirstRun() {
    SecureWipe(GeneralPassword);
    GeneralPassword.clear();
    StrongHide = true;
    StoredPaths.clear();
    for (std::string& previous : PreviousPasswords)
        SecureWipe(previous);
    PreviousPasswords.clear();
    PasswordChangeInProgress = false;
    FSealedImage.clear();
    FAwaitingPassword = false;
    FReadFromOlderLayout = false;
}

fs::path SettingsStore::MoveSettingsFileAside(std::chrono::system_clock::time_point when) {
    return MoveToFreeName(SettingsFilePath(), SetAsideStem + FileNameTimeStamp(when), SetAsideExtension);
}

bool SettingsStore::LoadLegacySettings(const fs::path& path) {
    SettingsValues values = ReadLegacySettings(ReadWholeFile(path));
    TakeOver(values);
    FReadFromOlderLayout = true;
    FAwaitingPassword = !GeneralPassword.empty();
    return true;
}

void SettingsStore::TakeOver(SettingsValues& values) {
    GeneralPassword = std::move(values.Password);
    StrongHide = values.StrongHide;
    StoredPaths = std::move(values.Paths);
    PreviousPasswords = std::move(values.PreviousPasswords);
    PasswordChangeInProgress = values.PasswordChangeInProgress;
}

void SettingsStore::WriteSettingsFile() {
    // A file keyed by no password would open for anyone.
    if (GeneralPassword.empty())
        throw Error(TranslateText("General password is not set."));
    const fs::path path = SettingsFilePath();
    const Bytes image = SealPasswordSettings(
        WritePasswordSettingsPayload(StrongHide, StoredPaths, PreviousPasswords, PasswordChangeInProgress),
        GeneralPassword, RandomBytes(16), RandomBytes(16));
    ReplaceFileContents(path, image);
    FReadFromOlderLayout = false;
}

} // namespace vk
