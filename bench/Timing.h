#pragma once

// The two clocks of the benchmark. Wall time is what a user waits; CPU time
// (user and system, this process) is what the work costs, and stays
// meaningful when other programs share the cores.

#include <chrono>
#include <ctime>

namespace vk::bench {

inline double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Elapsed {
    double Wall = 0;
    double Cpu = 0;
};

class Stopwatch {
public:
    Stopwatch() : FWall(WallSeconds()), FCpu(CpuSeconds()) {}
    Elapsed Read() const { return {WallSeconds() - FWall, CpuSeconds() - FCpu}; }

private:
    double FWall;
    double FCpu;
};

} // namespace vk::bench
