#include "platform/win/PrivateSecurity.h"

#include "platform/win/SystemError.h"

#include <sddl.h>

#include <vector>

namespace vk::platform::detail {

namespace {

constexpr const char* BuildFailure = "Cannot build an owner-only security descriptor";

// The security identifier of the user this process runs as, in SDDL form.
std::wstring CurrentUserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        RaiseLastError(BuildFailure);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    const bool read = size > 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    const DWORD error = ::GetLastError();
    ::CloseHandle(token);
    if (!read)
        RaiseWin32Error(BuildFailure, error);
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
        RaiseLastError(BuildFailure);
    std::wstring sid(text);
    ::LocalFree(text);
    return sid;
}

} // namespace

PrivateSecurity::PrivateSecurity() {
    // Protected (no inherited entries), full access for this user alone,
    // inherited by what is created inside.
    const std::wstring sddl = L"D:P(A;OICI;FA;;;" + CurrentUserSid() + L")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        RaiseLastError(BuildFailure);
    FAttributes.nLength = sizeof FAttributes;
    FAttributes.lpSecurityDescriptor = descriptor;
    FAttributes.bInheritHandle = FALSE;
}

bool PrivateSecurity::ApplyTo(HANDLE handle) const {
    return ::SetKernelObjectSecurity(handle, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                     FAttributes.lpSecurityDescriptor) != 0;
}

PrivateSecurity::~PrivateSecurity() {
    ::LocalFree(FAttributes.lpSecurityDescriptor);
}

} // namespace vk::platform::detail
