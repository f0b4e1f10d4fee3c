// vk_bench: throughput of locker creation, verification and extraction beside
// the one-core crypto limit measured in the same run, the time of one key
// derivation and the peak memory of the process.
//
//   vk_bench [--file-mib N] [--files N] [--file-kib N] [--in FOLDER] [--runs N] [--sweep-io]
//
// Defaults: a 1024 MiB file and a tree of 10000 files of 4 KiB, made in a fresh
// folder under the system's temporary folder (or FOLDER) and removed at the end.
// Each operation runs N times (--runs, default 1) and shows its median run;
// age and 7-Zip, when installed, run on the same data in the same run.
// --sweep-io instead times plain writes and reads of N MiB for each call size.

#include "CryptoLimits.h"
#include "IoSweep.h"
#include "Peers.h"
#include "Timing.h"

#include "locker/uLocker.h"
#include "security/uSecurityUtils.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* Password = "benchmark password";

struct Options {
    std::int64_t FileMiB = 1024;
    std::int64_t Files = 10000;
    std::int64_t FileKiB = 4;
    fs::path Parent = fs::temp_directory_path();
    int Runs = 1;
    bool SweepIo = false;
};

double PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // Linux reports KiB
}

// A folder of its own for the data and the lockers, removed however the run ends.
class ScratchFolder {
public:
    explicit ScratchFolder(const fs::path& parent) {
        FPath = parent / ("vk-bench-" + vk::BytesToHex(vk::RandomBytes(6)));
        fs::create_directories(FPath);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(FPath, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& Path() const { return FPath; }

private:
    fs::path FPath;
};

// Writes size bytes of random-looking data through one 4 MiB buffer.
void WriteDataFile(const fs::path& path, std::int64_t size) {
    static const vk::Bytes block = vk::RandomBytes(4 * 1024 * 1024);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (std::int64_t left = size; left > 0;) {
        auto n = static_cast<std::streamsize>(std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size())));
        out.write(reinterpret_cast<const char*>(block.data()), n);
        left -= n;
    }
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

// count files of size bytes, a hundred to a folder.
void WriteTree(const fs::path& root, std::int64_t count, std::int64_t size) {
    for (std::int64_t i = 0; i < count; ++i) {
        const fs::path folder = root / "d" / std::to_string(i / 100);
        if (i % 100 == 0)
            fs::create_directories(folder);
        WriteDataFile(folder / (std::to_string(i) + ".bin"), size);
    }
    fs::create_directories(root);
}

// Copies a file or a folder tree through one 4 MiB buffer, without any crypto:
// the file system's own limit for reading the source and writing its image.
void CopyPlain(const fs::path& from, const fs::path& to, std::vector<char>& buffer) {
    if (fs::is_directory(from)) {
        fs::create_directories(to);
        for (const auto& entry : fs::directory_iterator(from))
            CopyPlain(entry.path(), to / entry.path().filename(), buffer);
        return;
    }
    std::FILE* in = std::fopen(from.c_str(), "rb");
    std::FILE* out = std::fopen(to.c_str(), "wb");
    if (!in || !out)
        throw std::runtime_error("cannot copy " + from.string());
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0;)
        if (std::fwrite(buffer.data(), 1, n, out) != n)
            throw std::runtime_error("cannot write " + to.string());
    std::fclose(in);
    if (std::fclose(out) != 0)
        throw std::runtime_error("cannot write " + to.string());
}

struct Row {
    const char* Operation;
    vk::bench::Elapsed Time;
    int Derivations;   // PBKDF2 runs inside the operation
    double LimitBytes; // the one-core limit this operation is held against; 0: none
};

void PrintHeading() {
    std::printf("  %-8s %8s %8s %9s %9s %12s %10s %9s %9s\n", "op", "wall s", "CPU s", "MB/s", "CPU MB/s", "w/o KDF",
                "limit", "of limit", "peak MiB");
}

// "of limit" compares the CPU throughput without the key derivations with the
// one-core limit: what the operation costs beyond the crypto it must do.
void PrintRow(const Row& row, std::int64_t bytes, double pbkdf2Seconds) {
    const double mb = static_cast<double>(bytes) / 1e6;
    const double cpuWithoutKdf = row.Time.Cpu - row.Derivations * pbkdf2Seconds;
    std::printf("  %-8s %8.3f %8.3f %9.1f %9.1f", row.Operation, row.Time.Wall, row.Time.Cpu, mb / row.Time.Wall,
                mb / row.Time.Cpu);
    // With little data the derivations are all there is; no figure without them then.
    if (row.Derivations > 0 && cpuWithoutKdf > 0.05 * row.Time.Cpu)
        std::printf(" %12.1f", mb / cpuWithoutKdf);
    else
        std::printf(" %12s", "-");
    if (row.LimitBytes > 0 && cpuWithoutKdf > 0.05 * row.Time.Cpu)
        std::printf(" %10.1f %8.1f%%", row.LimitBytes / 1e6, 100.0 * mb / cpuWithoutKdf / (row.LimitBytes / 1e6));
    else
        std::printf(" %10s %9s", "-", "-");
    std::printf(" %9.1f\n", PeakMiB());
}

void Fail(const std::string& what, const std::string& message) {
    throw std::runtime_error(what + " failed: " + message);
}

void RequireSuccess(const std::string& what, const vk::TLockerResult& result) {
    if (!result.Success)
        Fail(what, result.MessageText);
}

// Runs step runs times, each after an untimed prepare; the run of median wall time.
template <typename Step, typename Prepare = void (*)()>
vk::bench::Elapsed MedianOf(
    int runs, Step step, Prepare prepare = [] {}) {
    std::vector<vk::bench::Elapsed> times;
    for (int run = 0; run < runs; ++run) {
        prepare();
        vk::bench::Stopwatch watch;
        step();
        times.push_back(watch.Read());
    }
    std::sort(times.begin(), times.end(), [](const auto& a, const auto& b) { return a.Wall < b.Wall; });
    return times[times.size() / 2];
}

// The engine beside the peers on the same data: wall seconds, and each set
// against the one-core crypto floor (every byte through AES and HMAC once).
void PrintComparison(const vk::bench::Elapsed& create, const vk::bench::Elapsed& extract,
                     const std::vector<vk::bench::PeerTimes>& peers, double floorSeconds) {
    std::printf("\n  %-24s %9s %9s %9s %9s %8s %8s\n", "beside the peers", "create s", "extract s", "create", "extract",
                "create", "extract");
    std::printf("  %-24s %9s %9s %9s %9s %8s %8s\n", "(wall, median)", "", "", "x floor", "x floor", "CPU s", "CPU s");
    std::printf("  %-24s %9.3f %9.3f\n", "crypto floor (one core)", floorSeconds, floorSeconds);
    const auto row = [&](const std::string& name, const vk::bench::Elapsed& c, const vk::bench::Elapsed& x) {
        std::printf("  %-24s %9.3f %9.3f %9.2f %9.2f %8.3f %8.3f\n", name.c_str(), c.Wall, x.Wall,
                    c.Wall / floorSeconds, x.Wall / floorSeconds, c.Cpu, x.Cpu);
    };
    row("veilkeep engine", create, extract);
    for (const vk::bench::PeerTimes& peer : peers)
        row(peer.Name, peer.Create, peer.Extract);
    for (const vk::bench::PeerTimes& peer : peers)
        std::printf("  engine / %-15s %9.2f %9.2f\n", peer.Name.substr(0, peer.Name.find(' ')).c_str(),
                    create.Wall / peer.Create.Wall, extract.Wall / peer.Extract.Wall);
}

// Names the folder for each run's output. Creating many files within
// minutes of deleting many is slow on some file systems: ext4 without a
// journal passes over every inode freed in the last one to five minutes,
// reading each one's record, and that cost would fall on whichever tool ran
// after a clean-up.
// A tree's outputs are therefore kept, each run in a folder of its own, until
// every tool is done with the data set; a single file's output (one inode)
// is removed before the next run, so the outputs never fill the disk.
class RunOutputs {
public:
    RunOutputs(const fs::path& work, bool keep) : FFolder(work / "outputs"), FKeep(keep) {}
    ~RunOutputs() {
        std::error_code ignored;
        fs::remove_all(FFolder, ignored);
    }
    fs::path Next() {
        if (!FKeep)
            fs::remove_all(FFolder);
        fs::create_directories(FFolder);
        return FFolder / std::to_string(FCount++);
    }

private:
    fs::path FFolder;
    bool FKeep;
    int FCount = 0;
};

// Creates, verifies and extracts one source, printing a row for each, then
// the same data through the installed peers.
void RunDataSet(const char* title, const fs::path& source, std::int64_t contentBytes, const fs::path& work,
                const vk::bench::CryptoLimits& limits, int runs) {
    std::printf("\n%s (%lld content bytes; median of %d runs)\n", title, static_cast<long long>(contentBytes), runs);
    PrintHeading();
    const fs::path locker = work / (source.filename().string() + ".vklocker");
    RunOutputs outputs(work, fs::is_directory(source));

    std::vector<char> buffer(4 * 1024 * 1024);
    const fs::path copy = outputs.Next();
    vk::bench::Stopwatch copyWatch;
    CopyPlain(source, copy, buffer);
    PrintRow({"copy", copyWatch.Read(), 0, 0}, contentBytes, limits.Pbkdf2Seconds);

    // The previous run's locker is removed outside the timing, as the peers'
    // images are: truncating 1 GiB on the way costs ext4 here about 0.3 s.
    const vk::bench::Elapsed createTime = MedianOf(
        runs, [&] { RequireSuccess("create", vk::CreateLocker(source.string(), locker.string(), Password)); },
        [&] { fs::remove(locker); });
    PrintRow({"create", createTime, 2, limits.CombinedBytesPerSecond()}, contentBytes, limits.Pbkdf2Seconds);

    const vk::bench::Elapsed verifyTime = MedianOf(runs, [&] {
        std::string message;
        if (!vk::VerifyLocker(locker.string(), Password, message))
            Fail("verify", message);
    });
    PrintRow({"verify", verifyTime, 1, limits.HmacBytesPerSecond}, contentBytes, limits.Pbkdf2Seconds);

    fs::path output;
    const vk::bench::Elapsed extractTime = MedianOf(
        runs, [&] { RequireSuccess("extract", vk::ExtractLocker(locker.string(), output.string(), Password)); },
        [&] { output = outputs.Next(); });
    PrintRow({"extract", extractTime, 1, limits.CombinedBytesPerSecond()}, contentBytes, limits.Pbkdf2Seconds);
    fs::remove(locker);

    const std::vector<vk::bench::PeerTimes> peers =
        vk::bench::TimePeers(source, work, runs, [&] { return outputs.Next(); });
    PrintComparison(createTime, extractTime, peers,
                    static_cast<double>(contentBytes) / limits.CombinedBytesPerSecond());
}

std::int64_t PositiveNumber(const char* text) {
    char* end = nullptr;
    long long value = std::strtoll(text, &end, 10);
    if (*text == '\0' || *end != '\0' || value <= 0)
        throw std::invalid_argument(std::string("not a positive number: ") + text);
    return value;
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::puts(
                "Usage: vk_bench [--file-mib N] [--files N] [--file-kib N] [--in FOLDER] [--runs N] [--sweep-io]");
            std::exit(0);
        }
        if (arg == "--sweep-io") {
            options.SweepIo = true;
            continue;
        }
        if (i + 1 >= argc)
            throw std::invalid_argument("missing value after " + arg);
        const char* value = argv[++i];
        if (arg == "--file-mib")
            options.FileMiB = PositiveNumber(value);
        else if (arg == "--files")
            options.Files = PositiveNumber(value);
        else if (arg == "--file-kib")
            options.FileKiB = PositiveNumber(value);
        else if (arg == "--runs")
            options.Runs = static_cast<int>(PositiveNumber(value));
        else if (arg == "--in")
            options.Parent = value;
        else
            throw std::invalid_argument("unknown option " + arg);
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    try {
        Options options = ParseOptions(argc, argv);
        if (options.SweepIo) {
            ScratchFolder scratch(options.Parent);
            vk::bench::RunIoSweep(scratch.Path(), options.FileMiB * 1024 * 1024);
            return 0;
        }

        vk::bench::CryptoLimits limits = vk::bench::MeasureCryptoLimits();
        std::printf("One-core crypto limits (OpenSSL, 4 MiB buffers, per CPU second)\n");
        std::printf("  AES-256-CTR            %10.1f MB/s\n", limits.AesBytesPerSecond / 1e6);
        std::printf("  HMAC-SHA256            %10.1f MB/s\n", limits.HmacBytesPerSecond / 1e6);
        std::printf("  combined 1/(1/A+1/H)   %10.1f MB/s\n", limits.CombinedBytesPerSecond() / 1e6);
        std::printf("  PBKDF2, 200000 iter.   %10.3f s CPU\n", limits.Pbkdf2Seconds);
        std::printf("Limits: create and extract = combined (extract: one MAC pass, one AES pass); verify = HMAC.\n"
                    "CPU time counts user and system time of this process, so it stays meaningful on busy cores.\n"
                    "\"w/o KDF\" is the CPU throughput without the key derivations inside the operation (create 2,\n"
                    "verify 1, extract 1); \"of limit\" sets it against the operation's one-core limit. The copy\n"
                    "row reads and writes the same data without crypto: the file system's share of the cost.\n");

        ScratchFolder scratch(options.Parent);
        {
            const std::int64_t bytes = options.FileMiB * 1024 * 1024;
            const fs::path data = scratch.Path() / "big.bin";
            WriteDataFile(data, bytes);
            std::string title = "One file of " + std::to_string(options.FileMiB) + " MiB";
            RunDataSet(title.c_str(), data, bytes, scratch.Path(), limits, options.Runs);
            fs::remove(data);
        }
        {
            const std::int64_t size = options.FileKiB * 1024;
            const fs::path tree = scratch.Path() / "tree";
            WriteTree(tree, options.Files, size);
            std::string title =
                "Tree of " + std::to_string(options.Files) + " files of " + std::to_string(options.FileKiB) + " KiB";
            RunDataSet(title.c_str(), tree, options.Files * size, scratch.Path(), limits, options.Runs);
        }
        std::printf("\nPeak memory (ru_maxrss): %.1f MiB\n", PeakMiB());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vk_bench: %s\n", e.what());
        return 1;
    }
}
