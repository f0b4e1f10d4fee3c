#include "support/TempFolder.h"

#include "support/SetVariable.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace vk::test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = fs::temp_directory_path() / ("vk-test-" + std::to_string(rd()));
        if (fs::create_directory(candidate)) {
            FPath = candidate;
            break;
        }
    }
    if (FPath.empty())
        throw std::runtime_error("cannot create a temporary folder");
    fs::create_directories(FPath / "home" / ".config");
    // The desktop trash lives under the data folder, which a real home has.
    fs::create_directories(FPath / "home" / ".local" / "share");
    SetVariable("HOME", (FPath / "home").string().c_str());
    SetVariable("XDG_CONFIG_HOME", (FPath / "home" / ".config").string().c_str());
    // Where the Windows build keeps its settings.
    SetVariable("APPDATA", (FPath / "home" / ".config").string().c_str());
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Give back write permission first, so read-only test files go too.
    for (auto it = fs::recursive_directory_iterator(FPath, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_symlink())
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(FPath, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(FPath, ec);
}

void WriteFile(const fs::path& path, const std::string& content) {
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace vk::test
