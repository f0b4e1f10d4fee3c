#pragma once

// Security attributes that give the item's owner alone access, for the
// private folders and files the core creates.

#include "platform/win/WinApi.h"

namespace vk::platform::detail {

class PrivateSecurity {
public:
    PrivateSecurity(); // raises vk::Error when the descriptor cannot be built
    ~PrivateSecurity();
    PrivateSecurity(const PrivateSecurity&) = delete;
    PrivateSecurity& operator=(const PrivateSecurity&) = delete;

    SECURITY_ATTRIBUTES* Attributes() { return &FAttributes; }
    // Puts the owner-only access list on an item that existed already (its
    // creation kept the old one); the handle needs WRITE_DAC.
    bool ApplyTo(HANDLE handle) const;

private:
    SECURITY_ATTRIBUTES FAttributes{};
};

} // namespace vk::platform::detail
