#pragma once

#include <cstdlib>

namespace vk::test {

// Sets an environment variable of this process, or removes it for nullptr.
inline void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
    ::_putenv_s(name, value ? value : ""); // an empty value removes it
#else
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
#endif
}

} // namespace vk::test
