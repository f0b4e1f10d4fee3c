#include "platform/win/Handles.h"

#include "platform/win/SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>

namespace vk::platform::detail {

int AdoptHandle(HANDLE handle, const std::string& operation) {
    const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (descriptor < 0) {
        ::CloseHandle(handle);
        RaiseSystemError(operation, EMFILE);
    }
    return descriptor;
}

HANDLE HandleOf(int descriptor) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor));
}

bool CloseDescriptor(int descriptor) {
    return ::_close(descriptor) == 0;
}

} // namespace vk::platform::detail
