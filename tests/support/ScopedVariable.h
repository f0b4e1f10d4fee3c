#pragma once

#include "support/SetVariable.h"

#include <cstdlib>
#include <optional>
#include <string>

namespace vk::test {

// Sets an environment variable (or unsets it, for nullptr) for the life of the
// object, then puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : FName(name) {
        if (const char* old = std::getenv(name))
            FOld = old;
        SetVariable(name, value);
    }
    ~ScopedVariable() { SetVariable(FName, FOld ? FOld->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* FName;
    std::optional<std::string> FOld;
};

} // namespace vk::test
