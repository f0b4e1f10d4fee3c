// The version rules: the input holds the version document and the changes
// document, split at the first NUL byte.

#include "update/rules/VersionRules.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vk;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view version = input.substr(0, split);
    const std::string_view changes = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
    DecideUpdate(version, changes);
    DecideUpdate(version, changes, 1);
    ParseWholeNumber(version);
    DisplayFormOfVersion(version);
    SplitTextLines(changes);
    return 0;
}
