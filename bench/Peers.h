#pragma once

// The comparison peers: other encryption tools run on the same data in the
// same run, when they are installed. Each is started through the shell and
// timed from outside, its start-up included.

#include "Timing.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vk::bench {

struct PeerTimes {
    std::string Name;
    Elapsed Create; // CPU: the children's user and system time
    Elapsed Extract;
};

// Every installed peer, each creating an encrypted image of source in work
// and extracting it again into the folder nextOutput names, runs times; the
// median run of each step.
std::vector<PeerTimes> TimePeers(const std::filesystem::path& source, const std::filesystem::path& work, int runs,
                                 const std::function<std::filesystem::path()>& nextOutput);

} // namespace vk::bench
