// A benchmark run by hand, never by CTest: hiding and restoring one large
// file through the window's operations against the same operations of the
// protect module without the window, and against the locker engine alone, to
// show what the window's event processing at progress reports costs.
//
//   vk_ui_tests --gtest_also_run_disabled_tests --gtest_filter='*ThroughputBench*'
//
// VEILKEEP_BENCH_MIB sets the file size (default 1024); VEILKEEP_BENCH_FILES=N
// times a folder of N files of 4 KiB instead. Build optimised.

#include "protect/uProtect.h"
#include "ui/RunsFixture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>

namespace vk::test {
namespace {

// Wall time and the process's processor time (user and system) of a step.
struct Seconds {
    double wall = 1e9;
    double cpu = 1e9;
};

Seconds SecondsOf(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    step();
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), cpu};
}

void WriteLargeFile(const fs::path& path, std::int64_t mebibytes) {
    std::vector<char> chunk(1 << 20);
    for (std::size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = static_cast<char>(i * 31 + 7);
    std::ofstream out(path, std::ios::binary);
    for (std::int64_t i = 0; i < mebibytes; ++i)
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
}

void WriteSmallFiles(const fs::path& folder, std::int64_t count) {
    const std::vector<char> content(4096, 'x');
    for (std::int64_t i = 0; i < count; ++i) {
        const fs::path sub = folder / ("d" + std::to_string(i / 100));
        fs::create_directories(sub);
        std::ofstream(sub / ("f" + std::to_string(i % 100)), std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
    }
}

void Report(const char* what, Seconds seconds, std::int64_t mebibytes) {
    std::printf("%-54s wall %6.2f s %7.1f MiB/s   cpu %6.2f s\n", what, seconds.wall,
                static_cast<double>(mebibytes) / seconds.wall, seconds.cpu);
}

// One pass of every measurement, in seconds.
struct Pass {
    Seconds engineCreate, engineVerify, engineExtract, callbackCreate, callbackExtract, moduleHide, moduleRestore,
        windowHide, windowRestore;
};

TEST_F(RunsTest, DISABLED_ThroughputBenchHideAndRestoreThroughTheWindowAndTheEngine) {
    const char* sizeText = std::getenv("VEILKEEP_BENCH_MIB");
    const char* filesText = std::getenv("VEILKEEP_BENCH_FILES");
    const std::int64_t files = filesText != nullptr ? std::atoll(filesText) : 0;
    const std::int64_t mebibytes = files > 0 ? files * 4 / 1024 : sizeText != nullptr ? std::atoll(sizeText) : 1024;
    const int rounds = 4;
    HookedMainWindow& main = OpenHookedWindow();
    const fs::path file = temp / (files > 0 ? "folder" : "large.bin");
    const fs::path out = temp / "out";
    const std::string itemText = file.string();
    const std::string lockerText = LockerOf(file).string();
    if (files > 0)
        WriteSmallFiles(file, files);
    else
        WriteLargeFile(file, mebibytes);
    // Warm-up: the source is read once and the page cache settles.
    ASSERT_TRUE(CreateLocker(itemText, lockerText, TestPassword).Success);
    fs::remove(LockerOf(file));

    Pass best;
    const auto keepBest = [](Seconds& slot, Seconds seconds) {
        slot.wall = std::min(slot.wall, seconds.wall);
        slot.cpu = std::min(slot.cpu, seconds.cpu);
    };
    std::string reason;
    QString message;
    // Each pair runs in turn, the window's half first in odd rounds: a
    // file system that has just deleted many files creates new ones more
    // slowly for a while, and that must not fall on one half only.
    const auto inTurn = [](int round, const std::function<void()>& plain, const std::function<void()>& window) {
        if (round % 2 == 0) {
            plain();
            window();
        } else {
            window();
            plain();
        }
    };
    for (int round = 0; round < rounds; ++round) {
        // The engine alone and with the window's callbacks: the cost of event
        // processing. Creation (and verification), then extraction.
        inTurn(
            round,
            [&] {
                keepBest(best.engineCreate,
                         SecondsOf([&] { ASSERT_TRUE(CreateLocker(itemText, lockerText, TestPassword).Success); }));
                keepBest(best.engineVerify,
                         SecondsOf([&] { ASSERT_TRUE(VerifyLocker(lockerText, TestPassword, reason)); }));
                fs::create_directories(out);
                keepBest(best.engineExtract, SecondsOf([&] {
                             ASSERT_TRUE(ExtractLocker(lockerText, out.string(), TestPassword).Success);
                         }));
                fs::remove_all(out);
                fs::remove(LockerOf(file));
            },
            [&] {
                main.BeginBusy(1);
                keepBest(best.callbackCreate, SecondsOf([&] {
                             ASSERT_TRUE(CreateLocker(itemText, lockerText, TestPassword, main.ProgressCallback(),
                                                      main.CancelCallback())
                                             .Success);
                         }));
                fs::create_directories(out);
                keepBest(best.callbackExtract, SecondsOf([&] {
                             ASSERT_TRUE(ExtractLocker(lockerText, out.string(), TestPassword,
                                                       main.ProgressCallback(), main.CancelCallback())
                                             .Success);
                         }));
                fs::remove_all(out);
                fs::remove(LockerOf(file));
                main.EndBusy();
            });

        // The protect module alone (create, verify, flush, rename and delete;
        // extract, flush, delete) against the window's operations, which
        // report progress to the window.
        inTurn(
            round,
            [&] {
                keepBest(best.moduleHide,
                         SecondsOf([&] { ASSERT_TRUE(HideItem(itemText, TestPassword, false, {}).Success); }));
                keepBest(best.moduleRestore,
                         SecondsOf([&] { ASSERT_TRUE(RestoreItem(itemText, TestPassword, false, {}).Success); }));
            },
            [&] {
                main.BeginBusy(1);
                keepBest(best.windowHide,
                         SecondsOf([&] { ASSERT_TRUE(main.HidePathIntoLocker(ToQ(file), message)); }));
                keepBest(best.windowRestore,
                         SecondsOf([&] { ASSERT_TRUE(main.RestorePathFromLocker(ToQ(file), message)); }));
                main.EndBusy();
            });
    }

    std::printf("\n%lld MiB in %lld file(s), best of %d rounds\n", static_cast<long long>(mebibytes),
                static_cast<long long>(files > 0 ? files : 1), rounds);
    Report("engine: create", best.engineCreate, mebibytes);
    Report("engine: create with the window's callbacks", best.callbackCreate, mebibytes);
    Report("engine: verify", best.engineVerify, mebibytes);
    Report("engine: create + verify",
           {best.engineCreate.wall + best.engineVerify.wall, best.engineCreate.cpu + best.engineVerify.cpu}, mebibytes);
    Report("module: hide without the window", best.moduleHide, mebibytes);
    Report("window: hide (create, verify, flush, rename, delete)", best.windowHide, mebibytes);
    Report("engine: extract", best.engineExtract, mebibytes);
    Report("engine: extract with the window's callbacks", best.callbackExtract, mebibytes);
    Report("module: restore without the window", best.moduleRestore, mebibytes);
    Report("window: restore (extract, flush, delete locker)", best.windowRestore, mebibytes);
    std::printf("window / module: hide %.3f, restore %.3f (wall)\n", best.windowHide.wall / best.moduleHide.wall,
                best.windowRestore.wall / best.moduleRestore.wall);
}

} // namespace
} // namespace vk::test
