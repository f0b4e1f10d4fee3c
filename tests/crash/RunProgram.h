#pragma once

// Starting a program as a child process and waiting for it: the part of the
// crash tests that each system does its own way.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vk::test {

// The variables (NAME=value) of this process, as a child would inherit them.
std::vector<std::string> InheritedEnvironment();

// True where variable names that differ only in case name the same variable.
bool VariableNamesIgnoreCase();

// Runs argv[0] with the arguments argv[1...] and exactly the given environment
// (NAME=value); its standard output and standard error both go to outputFile,
// which is created or emptied first. Waits for it and returns its exit status;
// nothing when it did not end by exiting (a signal, an unhandled exception).
// Throws when it cannot be started.
std::optional<int> RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                              const std::filesystem::path& outputFile);

} // namespace vk::test
