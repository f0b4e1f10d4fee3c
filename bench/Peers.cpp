#include "Peers.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace vk::bench {

namespace fs = std::filesystem;

namespace {

constexpr const char* Password = "benchmark password";

std::string Quoted(const fs::path& path) {
    std::string quoted = "'";
    for (const char c : path.string())
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool Installed(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

Elapsed Run(const std::string& command) {
    const double wall = WallSeconds();
    const double cpu = ChildrenCpuSeconds();
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("peer command failed: " + command);
    return {WallSeconds() - wall, ChildrenCpuSeconds() - cpu};
}

Elapsed Median(std::vector<Elapsed> runs) {
    std::sort(runs.begin(), runs.end(), [](const Elapsed& a, const Elapsed& b) { return a.Wall < b.Wall; });
    return runs[runs.size() / 2];
}

struct Peer {
    const char* Name;
    const char* Tool;
    std::string Setup;  // run once, untimed
    std::string Create; // source -> image
    // image -> out, a quoted folder
    std::function<std::string(const std::string& out)> Extract;
};

// age encrypts one stream: a folder goes through tar, as its users do.
// 7-Zip stores without compression and encrypts with AES-256.
std::vector<Peer> PeersFor(const fs::path& source, const fs::path& work) {
    const std::string key = Quoted(work / "age-key.txt");
    const std::string ageImage = Quoted(work / "image.age");
    const std::string zipImage = Quoted(work / "image.7z");
    const std::string parent = Quoted(source.parent_path());
    const std::string name = Quoted(source.filename());
    const std::string recipient = "$(age-keygen -y " + key + ")";
    return {
        {"age (X25519)", "age", "age-keygen -o " + key + " 2>/dev/null",
         "tar -C " + parent + " -cf - " + name + " | age -r " + recipient + " -o " + ageImage,
         [=](const std::string& out) {
             return "mkdir -p " + out + " && age -d -i " + key + " " + ageImage + " | tar -C " + out + " -xf -";
         }},
        {"7-Zip (AES-256, store)", "7zz", "",
         "7zz a -bso0 -bsp0 -mx=0 -mhe=on -p'" + std::string(Password) + "' " + zipImage + " " + Quoted(source),
         [=](const std::string& out) {
             return "7zz x -bso0 -bsp0 -y -p'" + std::string(Password) + "' -o" + out + " " + zipImage;
         }},
    };
}

} // namespace

std::vector<PeerTimes> TimePeers(const fs::path& source, const fs::path& work, int runs,
                                 const std::function<fs::path()>& nextOutput) {
    const std::string clean = "rm -f " + Quoted(work / "image.age") + " " + Quoted(work / "image.7z");
    std::vector<PeerTimes> times;
    for (const Peer& peer : PeersFor(source, work)) {
        if (!Installed(peer.Tool))
            continue;
        if (!peer.Setup.empty())
            Run(peer.Setup);
        std::vector<Elapsed> creates, extracts;
        for (int run = 0; run < runs; ++run) {
            Run(clean);
            creates.push_back(Run(peer.Create));
            extracts.push_back(Run(peer.Extract(Quoted(nextOutput()))));
        }
        Run(clean + " " + Quoted(work / "age-key.txt"));
        times.push_back({peer.Name, Median(creates), Median(extracts)});
    }
    return times;
}

} // namespace vk::bench
