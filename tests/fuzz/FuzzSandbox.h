#pragma once

// A private folder per fuzzing process for harnesses that write files:
//   <base>/l1/l2/target   the extraction target
//   <base>/l1/l2/input    the file a harness writes its input to
// After each input, Check() aborts when anything exists in the sandbox
// outside the target (an escape by one or two parent levels lands there),
// and Reset() empties the target again.

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace vk::fuzz {

class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;
    const std::filesystem::path& Target() const { return FTarget; }
    const std::filesystem::path& Input() const { return FInput; }

    void WriteInput(const std::uint8_t* data, std::size_t size) const;
    // Aborts when an item lies outside the target, or a link inside it
    // leads out of the sandbox.
    void Check() const;
    void Reset() const;

private:
    std::filesystem::path FBase;
    std::filesystem::path FTarget;
    std::filesystem::path FInput;
};

// One sandbox for the whole process.
const Sandbox& TheSandbox();

} // namespace vk::fuzz
