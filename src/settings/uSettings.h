#pragma once

// The settings store: the application password, the strong-hide option and the
// protected paths, kept between runs in one encrypted, authenticated file bound
// to this computer, this user and the application title.

#include <filesystem>
#include <string>
#include <vector>

namespace vk {

inline constexpr const char* ApplicationTitle = "Orvan Veilkeep";
inline constexpr const char* ApplicationVersion = "2.4";

// One instance lives for the whole process; start-up creates it and hands it
// to the main window and the dialogs by reference (tests make their own).
class SettingsStore {
public:
    explicit SettingsStore(std::string title = ApplicationTitle);

    std::string GeneralPassword; // empty: no password is set
    bool StrongHide = true;
    std::vector<std::string> StoredPaths;

    // Reads the file into the three values; false when nothing could be read
    // (a first run or an unreadable file). Never raises.
    bool LoadSettings();
    // Rewrites the whole file from the three values; raises vk::Error on failure
    // and then leaves the previous file as it was.
    void WriteSettingsFile();

    std::filesystem::path SettingsFilePath() const; // creates the folder
    std::string SettingsPassphrase() const;

    const std::string& Title() const { return FTitle; }

private:
    std::string FTitle;
};

} // namespace vk
