#include "IoSweep.h"

#include "Timing.h"

#include "security/uSecurityUtils.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace vk::bench {

namespace {

constexpr std::int64_t KiB = 1024;

class ScratchFile {
public:
    ScratchFile(const std::filesystem::path& path, int flags) : FFile(::open(path.c_str(), flags | O_CLOEXEC, 0600)) {
        if (FFile < 0)
            throw std::runtime_error("cannot open " + path.string());
    }
    ~ScratchFile() { ::close(FFile); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    int Handle() const { return FFile; }

private:
    int FFile;
};

// Writes totalBytes in calls of size bytes into a fresh file; its wall time.
double TimeWrite(const std::filesystem::path& path, const Bytes& data, std::int64_t size, std::int64_t totalBytes) {
    std::filesystem::remove(path);
    Stopwatch watch;
    {
        ScratchFile file(path, O_WRONLY | O_CREAT | O_TRUNC);
        for (std::int64_t done = 0; done < totalBytes; done += size)
            if (::write(file.Handle(), data.data(), static_cast<std::size_t>(size)) != size)
                throw std::runtime_error("cannot write " + path.string());
    }
    return watch.Read().Wall;
}

double TimeRead(const std::filesystem::path& path, Bytes& data, std::int64_t size) {
    Stopwatch watch;
    ScratchFile file(path, O_RDONLY);
    while (::read(file.Handle(), data.data(), static_cast<std::size_t>(size)) > 0) {
    }
    return watch.Read().Wall;
}

} // namespace

void RunIoSweep(const std::filesystem::path& folder, std::int64_t totalBytes) {
    const std::int64_t sizes[] = {64 * KiB, 128 * KiB, 256 * KiB, 512 * KiB, 1024 * KiB, 2048 * KiB, 4096 * KiB};
    Bytes data = RandomBytes(static_cast<std::int32_t>(4096 * KiB));
    const std::filesystem::path path = folder / "sweep.bin";
    std::printf("\nI/O-size sweep: %lld MiB written and read back per size (wall s, best of 3)\n",
                static_cast<long long>(totalBytes / (KiB * KiB)));
    std::printf("  %10s %9s %9s\n", "call KiB", "write s", "read s");
    for (const std::int64_t size : sizes) {
        double write = 1e9;
        double read = 1e9;
        for (int run = 0; run < 3; ++run) {
            write = std::min(write, TimeWrite(path, data, size, totalBytes));
            read = std::min(read, TimeRead(path, data, size));
        }
        std::printf("  %10lld %9.3f %9.3f\n", static_cast<long long>(size / KiB), write, read);
    }
    std::filesystem::remove(path);
}

} // namespace vk::bench
