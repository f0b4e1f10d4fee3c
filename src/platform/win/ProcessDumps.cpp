#include "platform/uPlatform.h"
#include "platform/win/WinApi.h"

namespace vk::platform {

// A crash then ends the process without Windows Error Reporting, which is what
// writes crash dumps (its LocalDumps setting) and sends them away. A debugger
// registered for crashes (AeDebug) is a choice of the machine's administrator
// and is not turned off here.
void KeepMemoryOutOfDumps() {
    ::SetErrorMode(::GetErrorMode() | SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
}

} // namespace vk::platform
