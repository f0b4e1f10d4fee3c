#include "ui/FlushToDisk.h"

#include "platform/Error.h"
#include "platform/uPlatform.h"

#include <system_error>

namespace vk {

namespace fs = std::filesystem;

void FlushFileToDisk(const fs::path& file) {
    platform::FileStream stream(file, platform::FileStream::Mode::Read);
    stream.Sync();
    stream.Close();
}

void FlushTreeToDisk(const fs::path& item) {
    std::error_code error;
    if (fs::is_symlink(item, error) || !platform::PathExists(item))
        return;
    if (!platform::DirectoryExists(item)) {
        FlushFileToDisk(item);
        return;
    }
    for (fs::directory_iterator it(item, error), end; !error && it != end; it.increment(error))
        FlushTreeToDisk(it->path());
    if (error)
        throw Error("Cannot read folder \"" + item.string() + "\": " + error.message());
    platform::FlushFolder(item);
}

} // namespace vk
