#pragma once

#include <utility>

namespace vk {

// Runs a callable when the scope ends, also when an error leaves it.
template <typename F> class ScopeExit {
public:
    explicit ScopeExit(F onExit) : FOnExit(std::move(onExit)) {}
    ~ScopeExit() { FOnExit(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F FOnExit;
};

} // namespace vk
