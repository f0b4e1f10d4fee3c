#pragma once

#include <filesystem>

namespace vk::test {

// A fresh folder under the system's temporary folder, removed again at the end.
// While it lives, HOME and XDG_CONFIG_HOME point into it, so no test touches a
// real user's settings.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return FPath; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return FPath / name; }

private:
    std::filesystem::path FPath;
};

// Writes text (or bytes) to a file, creating its folder.
void WriteFile(const std::filesystem::path& path, const std::string& content);
std::string ReadFile(const std::filesystem::path& path);

} // namespace vk::test
