#include "IoSweep.h"

#include "Timing.h"

#include "security/uSecurityUtils.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

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
// The buffer is filled anew before each call, as the engine encrypts each
// chunk just before it is written.
double TimeWrite(const std::filesystem::path& path, Bytes& data, std::int64_t size, std::int64_t totalBytes) {
    std::filesystem::remove(path);
    Stopwatch watch;
    {
        ScratchFile file(path, O_WRONLY | O_CREAT | O_TRUNC);
        for (std::int64_t done = 0; done < totalBytes; done += size) {
            std::memset(data.data(), static_cast<int>(done / size), static_cast<std::size_t>(size));
            if (::write(file.Handle(), data.data(), static_cast<std::size_t>(size)) != size)
                throw std::runtime_error("cannot write " + path.string());
        }
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
    const std::vector<std::int64_t> sizes = {64 * KiB,   128 * KiB,  256 * KiB, 512 * KiB,
                                             1024 * KiB, 2048 * KiB, 4096 * KiB};
    constexpr int Runs = 5;
    Bytes data = RandomBytes(static_cast<std::int32_t>(4096 * KiB));
    const std::filesystem::path path = folder / "sweep.bin";
    // Round after round over every size, so that a change in the machine's
    // load falls on all sizes alike; the median of the rounds is shown.
    std::vector<std::vector<double>> writes(sizes.size()), reads(sizes.size());
    for (int run = 0; run < Runs; ++run)
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            writes[i].push_back(TimeWrite(path, data, sizes[i], totalBytes));
            reads[i].push_back(TimeRead(path, data, sizes[i]));
        }
    std::filesystem::remove(path);
    std::printf("\nI/O-size sweep: %lld MiB written to a fresh file and read back per call size\n"
                "(wall s, median of %d rounds; min-max)\n",
                static_cast<long long>(totalBytes / (KiB * KiB)), Runs);
    std::printf("  %10s %9s %15s %9s %15s\n", "call KiB", "write s", "write range", "read s", "read range");
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        std::sort(writes[i].begin(), writes[i].end());
        std::sort(reads[i].begin(), reads[i].end());
        std::printf("  %10lld %9.3f %7.3f-%-7.3f %9.3f %7.3f-%-7.3f\n", static_cast<long long>(sizes[i] / KiB),
                    writes[i][Runs / 2], writes[i].front(), writes[i].back(), reads[i][Runs / 2], reads[i].front(),
                    reads[i].back());
    }
}

} // namespace vk::bench
