#include "FuzzSandbox.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace vk::fuzz {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Escape(const fs::path& path) {
    std::fprintf(stderr, "written outside the target: %s\n", path.c_str());
    std::abort();
}

// Makes every folder below path writable again, so that Reset() can remove
// read-only items even when not run as root.
void MakeWritable(const fs::path& path) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
}

} // namespace

Sandbox::Sandbox() {
    std::string pattern = (fs::temp_directory_path() / "vk-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    FBase = pattern;
    FTarget = FBase / "l1" / "l2" / "target";
    FInput = FBase / "l1" / "l2" / "input";
    fs::create_directories(FTarget);
}

Sandbox::~Sandbox() {
    MakeWritable(FBase);
    std::error_code ec;
    fs::remove_all(FBase, ec);
}

void Sandbox::WriteInput(const std::uint8_t* data, std::size_t size) const {
    std::ofstream out(FInput, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out)
        std::abort();
}

void Sandbox::Check() const {
    for (const auto& item : fs::recursive_directory_iterator(FBase)) {
        const fs::path& path = item.path();
        if (path == FInput || path == FTarget || path == FTarget.parent_path() || path == FBase / "l1")
            continue;
        const fs::path relative = path.lexically_relative(FTarget);
        if (relative.empty() || *relative.begin() == "..")
            Escape(path);
    }
    // Extraction never makes links; one inside the target would mean it
    // wrote something it should not have.
    for (const auto& item : fs::recursive_directory_iterator(FTarget))
        if (item.is_symlink())
            Escape(item.path());
}

void Sandbox::Reset() const {
    MakeWritable(FTarget);
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(FTarget, ec))
        fs::remove_all(item.path(), ec);
}

const Sandbox& TheSandbox() {
    static const Sandbox sandbox;
    return sandbox;
}

} // namespace vk::fuzz
