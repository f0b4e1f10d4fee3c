#pragma once

// The Win32 API for the Windows backend. The platform interface comes first:
// its attribute constants and function names are also macros of <windows.h>,
// which are taken back here so that the interface's own names stay usable.

#include "platform/uPlatform.h"

#include <windows.h>

#undef CreateDirectory
#undef CreateFile
#undef DeleteFile
#undef GetFileAttributes
#undef RemoveDirectory
#undef SetFileAttributes
