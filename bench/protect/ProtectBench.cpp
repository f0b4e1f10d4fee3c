// One hide and one restore of a large file, for timing from outside (for
// example under farm-bench), either through the protect module or through the
// engine steps alone that hiding and restoring took before the module:
// create, verify, flush, rename, delete; extract, flush, delete.
//
//   vk_protect_bench module|engine FOLDER [MIB]
//
// The file is written once into FOLDER (default 1024 MiB) and left there, so
// that repeated runs time the hide and the restore only.

#include "locker/uLocker.h"
#include "platform/uPlatform.h"
#include "protect/uProtect.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace vk;

const std::string Password = "bench password";

void WriteLargeFile(const fs::path& path, long mebibytes) {
    if (fs::exists(path) && fs::file_size(path) == static_cast<std::uintmax_t>(mebibytes) << 20)
        return;
    std::vector<char> chunk(1 << 20);
    for (std::size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = static_cast<char>(i * 31 + 7);
    std::ofstream out(path, std::ios::binary);
    for (long i = 0; i < mebibytes; ++i)
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
}

void Flush(const fs::path& file) {
    platform::FileStream stream(file, platform::FileStream::Mode::Read);
    stream.Sync();
    stream.Close();
}

bool ThroughModule(const fs::path& item) {
    const TProtectOutcome hidden = HideItem(item.string(), Password, true);
    const TProtectOutcome restored = hidden.Success ? RestoreItem(item.string(), Password, true) : hidden;
    if (!restored.Success)
        std::fprintf(stderr, "%s\n", restored.MessageText.c_str());
    return restored.Success;
}

bool ThroughEngine(const fs::path& item) {
    const fs::path locker = item.string() + LockerExtension;
    const fs::path temporary = locker.string() + ".tmp";
    std::string reason;
    if (!CreateLocker(item.string(), temporary.string(), Password).Success ||
        !VerifyLocker(temporary.string(), Password, reason))
        return false;
    Flush(temporary);
    platform::RenameFile(temporary, locker);
    platform::FlushFolder(item.parent_path());
    platform::DeleteFile(item);
    if (!ExtractLocker(locker.string(), item.parent_path().string(), Password).Success)
        return false;
    Flush(item);
    platform::FlushFolder(item.parent_path());
    platform::DeleteFile(locker);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || (std::string(argv[1]) != "module" && std::string(argv[1]) != "engine")) {
        std::fprintf(stderr, "usage: vk_protect_bench module|engine FOLDER [MIB]\n");
        return 2;
    }
    const fs::path item = platform::FullPath(fs::path(argv[2]) / "large.bin");
    fs::create_directories(item.parent_path());
    WriteLargeFile(item, argc > 3 ? std::atol(argv[3]) : 1024);
    const bool done = std::string(argv[1]) == "module" ? ThroughModule(item) : ThroughEngine(item);
    return done ? 0 : 1;
}
