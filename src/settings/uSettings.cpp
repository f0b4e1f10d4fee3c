#include "settings/uSettings.h"

#include "platform/Error.h"
#include "platform/uPlatform.h"
#include "settings/SettingsCurrentLayout.h"
#include "settings/SettingsFileIo.h"
#include "settings/SettingsLegacyLayout.h"

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

bool SettingsStore::LoadSettings() {
    StoredPaths.clear();
    FUnreadableReason.clear();
    const fs::path path = SettingsFilePath();
    if (!platform::FileExists(path))
        return true;
    // Not guarded: a file that is there but cannot be read must not be taken
    // for a first run, whose first save would replace it.
    const Bytes image = ReadWholeFile(path);
    if (image.empty())
        return true;

    // Values are taken over only when a reader has accepted the whole file.
    // The current layout's complaint is the one to report when it took the
    // file for its own (another computer or account, damage).
    std::string currentLayoutReason;
    try {
        const ScopedPassphrase passphrase(SettingsPassphrase());
        if (std::optional<SettingsValues> values = ReadCurrentSettings(image, passphrase.Text())) {
            TakeOver(*values);
            return true;
        }
    } catch (const std::exception& error) {
        // Damaged, foreign or another version: the older layout gets its turn.
        currentLayoutReason = error.what();
    }
    try {
        return LoadLegacySettings(path);
    } catch (const std::exception& error) {
        FUnreadableReason = currentLayoutReason.empty() ? error.what() : currentLayoutReason;
        return false;
    }
}

fs::path SettingsStore::MoveSettingsFileAside(std::chrono::system_clock::time_point when) {
    return MoveToFreeName(SettingsFilePath(), SetAsideStem + FileNameTimeStamp(when), SetAsideExtension);
}

bool SettingsStore::LoadLegacySettings(const fs::path& path) {
    SettingsValues values = ReadLegacySettings(ReadWholeFile(path));
    TakeOver(values);
    return true;
}

void SettingsStore::TakeOver(SettingsValues& values) {
    GeneralPassword = std::move(values.Password);
    StrongHide = values.StrongHide;
    StoredPaths = std::move(values.Paths);
}

void SettingsStore::WriteSettingsFile() {
    const fs::path path = SettingsFilePath();
    const ScopedPassphrase passphrase(SettingsPassphrase());
    const Bytes image =
        SealSettingsPayload(WriteSettingsPayload(GeneralPassword, StrongHide, StoredPaths), passphrase.Text());
    ReplaceFileContents(path, image);
}

} // namespace vk
