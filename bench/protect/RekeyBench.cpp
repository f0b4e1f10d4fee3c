// Times a password change's re-encryption of large lockers against hiding the
// same files, in turn, so both meet the machine in the same state:
//
//   vk_rekey_bench FOLDER [MIB] [COUNT] [RUNS]
//
// COUNT files of MIB MiB (default 3 of 1024) are written once into FOLDER and
// left there. Each run hides them (timed), writes every locker anew under
// another password (timed) and restores them again (timed, not part of the
// comparison: an earlier password change restored and hid every item). Prints
// each run and the median, minimum and maximum of each operation.

#include "locker/uLocker.h"
#include "platform/uPlatform.h"
#include "protect/uPasswordChange.h"
#include "protect/uProtect.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace vk;

void WriteLargeFile(const fs::path& path, long mebibytes, int seed) {
    if (fs::exists(path) && fs::file_size(path) == static_cast<std::uintmax_t>(mebibytes) << 20)
        return;
    std::vector<char> chunk(1 << 20);
    for (std::size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = static_cast<char>(i * 31 + 7 + static_cast<std::size_t>(seed));
    std::ofstream out(path, std::ios::binary);
    for (long i = 0; i < mebibytes; ++i)
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
}

template <typename Step> double Timed(const std::vector<fs::path>& items, Step step) {
    const auto start = std::chrono::steady_clock::now();
    for (const fs::path& item : items) {
        const TProtectOutcome outcome = step(item);
        if (!outcome.Success) {
            std::fprintf(stderr, "%s: %s\n", item.string().c_str(), outcome.MessageText.c_str());
            std::exit(1);
        }
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void PrintSpread(const char* name, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("%-8s median %.2f s  min %.2f  max %.2f\n", name, times[times.size() / 2], times.front(),
                times.back());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vk_rekey_bench FOLDER [MIB] [COUNT] [RUNS]\n");
        return 2;
    }
    const fs::path folder = platform::FullPath(argv[1]);
    const long mebibytes = argc > 2 ? std::atol(argv[2]) : 1024;
    const int count = argc > 3 ? std::atoi(argv[3]) : 3;
    const int runs = argc > 4 ? std::atoi(argv[4]) : 3;
    std::vector<fs::path> items;
    for (int i = 0; i < count; ++i) {
        items.push_back(folder / ("large" + std::to_string(i) + ".bin"));
        WriteLargeFile(items.back(), mebibytes, i);
    }
    const std::string passwords[2] = {"bench password one", "bench password two"};
    std::vector<double> hides, rekeys, restores;
    for (int run = 0; run < runs; ++run) {
        hides.push_back(Timed(items, [&](const fs::path& item) { return HideItem(item.string(), passwords[0], true); }));
        rekeys.push_back(Timed(items, [&](const fs::path& item) {
            return RekeyLockerFile(LockerPathOf(item.string()), passwords[0], passwords[1]);
        }));
        restores.push_back(
            Timed(items, [&](const fs::path& item) { return RestoreItem(item.string(), passwords[1], true); }));
        std::printf("run %d: hide %.2f s, rekey %.2f s (%.2f x hide), restore %.2f s\n", run + 1, hides.back(),
                    rekeys.back(), rekeys.back() / hides.back(), restores.back());
        std::fflush(stdout);
    }
    PrintSpread("hide", hides);
    PrintSpread("rekey", rekeys);
    PrintSpread("restore", restores);
    return 0;
}
