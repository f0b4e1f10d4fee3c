#pragma once

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
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { FOld ? setenv(FName, FOld->c_str(), 1) : unsetenv(FName); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* FName;
    std::optional<std::string> FOld;
};

} // namespace vk::test
