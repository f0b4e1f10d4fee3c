// A benchmark run by hand, never by CTest: hiding and restoring one large
// file through the window's operations against the locker engine alone, to
// show what the window's event processing at progress reports costs.
//
//   vk_ui_tests --gtest_also_run_disabled_tests --gtest_filter='*ThroughputBench*'
//
// VEILKEEP_BENCH_MIB sets the file size (default 1024). Build optimised.

#include "ui/RunsFixture.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace vk::test {
namespace {

double SecondsOf(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void WriteLargeFile(const fs::path& path, std::int64_t mebibytes) {
    std::vector<char> chunk(1 << 20);
    for (std::size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = static_cast<char>(i * 31 + 7);
    std::ofstream out(path, std::ios::binary);
    for (std::int64_t i = 0; i < mebibytes; ++i)
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
}

void Report(const char* what, double seconds, std::int64_t mebibytes) {
    std::printf("%-58s %7.2f s %8.1f MiB/s\n", what, seconds, static_cast<double>(mebibytes) / seconds);
}

TEST_F(RunsTest, DISABLED_ThroughputBenchHideAndRestoreThroughTheWindowAndTheEngine) {
    const char* sizeText = std::getenv("VEILKEEP_BENCH_MIB");
    const std::int64_t mebibytes = sizeText != nullptr ? std::atoll(sizeText) : 1024;
    HookedMainWindow& main = OpenHookedWindow();
    const fs::path file = temp / "large.bin";
    const std::string itemText = file.string();
    const std::string lockerText = LockerOf(file).string();
    WriteLargeFile(file, mebibytes);
    int reports = 0;
    main.OnProgress = [&](std::int64_t, std::int64_t) { ++reports; };

    // The engine alone: creation and verification, then extraction.
    const fs::path out = temp / "out";
    fs::create_directories(out);
    std::string reason;
    const double engineCreate =
        SecondsOf([&] { ASSERT_TRUE(CreateLocker(itemText, lockerText, TestPassword).Success); });
    const double engineVerify = SecondsOf([&] { ASSERT_TRUE(VerifyLocker(lockerText, TestPassword, reason)); });
    const double engineExtract =
        SecondsOf([&] { ASSERT_TRUE(ExtractLocker(lockerText, out.string(), TestPassword).Success); });
    fs::remove_all(out);
    fs::remove(LockerOf(file));

    // The engine with the window's callbacks: the cost of event processing.
    main.BeginBusy(1);
    const double callbackCreate = SecondsOf([&] {
        ASSERT_TRUE(
            CreateLocker(itemText, lockerText, TestPassword, main.ProgressCallback(), main.CancelCallback()).Success);
    });
    fs::create_directories(out);
    const double callbackExtract = SecondsOf([&] {
        ASSERT_TRUE(
            ExtractLocker(lockerText, out.string(), TestPassword, main.ProgressCallback(), main.CancelCallback())
                .Success);
    });
    fs::remove_all(out);
    fs::remove(LockerOf(file));

    // The window's operations: the above plus flushing to disk, rename and deletion.
    const int reportsBefore = reports;
    QString message;
    const double windowHide = SecondsOf([&] { ASSERT_TRUE(main.HidePathIntoLocker(ToQ(file), message)); });
    const double windowRestore = SecondsOf([&] { ASSERT_TRUE(main.RestorePathFromLocker(ToQ(file), message)); });
    main.EndBusy();

    std::printf("\n%lld MiB, %d progress reports in the window's hide and restore\n", static_cast<long long>(mebibytes),
                reports - reportsBefore);
    Report("engine: create", engineCreate, mebibytes);
    Report("engine: create with the window's callbacks", callbackCreate, mebibytes);
    Report("engine: verify", engineVerify, mebibytes);
    Report("engine: create + verify", engineCreate + engineVerify, mebibytes);
    Report("window: hide (create, verify, flush, rename, delete)", windowHide, mebibytes);
    Report("engine: extract", engineExtract, mebibytes);
    Report("engine: extract with the window's callbacks", callbackExtract, mebibytes);
    Report("window: restore (extract, flush, delete locker)", windowRestore, mebibytes);
}

} // namespace
} // namespace vk::test
