#include "crash/ChildProcess.h"

#include "crash/RunProgram.h"
#include "platform/uPlatform.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace vk::test {

namespace {

namespace fs = std::filesystem;

int StepsIn(const std::string& output) {
    const std::string marker = "\nsteps: ";
    const auto at = output.rfind(marker);
    return at == std::string::npos ? -1 : std::atoi(output.c_str() + at + marker.size());
}

// The name of a NAME=value variable with its "=". A leading "=" belongs to the
// name (Windows keeps per-drive folders as "=C:=C:\...").
std::string NameOf(const std::string& variable) {
    return variable.substr(0, variable.find('=', 1) + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    if (!VariableNamesIgnoreCase())
        return a == b;
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::toupper(x) == std::toupper(y); });
}

// This process's environment with the given variables set or replaced.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& variables) {
    std::vector<std::string> environment = variables;
    for (const std::string& inherited : InheritedEnvironment()) {
        const std::string name = NameOf(inherited);
        const bool replaced = std::any_of(variables.begin(), variables.end(),
                                          [&](const std::string& set) { return SameName(NameOf(set), name); });
        if (!replaced)
            environment.push_back(inherited);
    }
    return environment;
}

} // namespace

ChildOutcome RunDriverChild(int exitAtStep, const std::vector<std::string>& args,
                            const std::vector<std::string>& environment, const fs::path& outputFolder) {
    // The driver is built beside the test program.
    std::vector<std::string> argv{(platform::ExecutableFolder() / VEILKEEP_CRASH_DRIVER).string(),
                                  std::to_string(exitAtStep)};
    argv.insert(argv.end(), args.begin(), args.end());
    const fs::path outputFile = outputFolder / "child-output.txt";
    const std::optional<int> status = RunProgram(argv, ChildEnvironment(environment), outputFile);

    ChildOutcome outcome;
    outcome.Output = ReadFile(outputFile);
    if (!status)
        throw std::runtime_error("the crash driver did not end by exiting:\n" + outcome.Output);
    outcome.Killed = *status == platform::faults::ExitAtStepStatus;
    if (!outcome.Killed) {
        outcome.ExitStatus = *status;
        outcome.Steps = StepsIn(outcome.Output);
        if (outcome.Steps < 0)
            throw std::runtime_error("the crash driver did not run:\n" + outcome.Output);
    }
    return outcome;
}

} // namespace vk::test
