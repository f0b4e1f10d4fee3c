#include "platform/win/Text.h"

#include "platform/Error.h"
#include "platform/win/WinApi.h"

namespace vk::platform {

namespace detail {

namespace {

// Converts with the system's two-call pattern; false when the conversion
// fails (on input the flags tell it to refuse).
template <typename Output, typename Convert> bool Converted(std::size_t inputSize, Output& output, Convert convert) {
    output.clear();
    if (inputSize == 0)
        return true;
    const int length = convert(nullptr, 0);
    if (length <= 0)
        return false;
    output.resize(static_cast<std::size_t>(length));
    return convert(output.data(), length) == length;
}

std::wstring ToUtf16(std::string_view utf8, DWORD flags, bool& valid) {
    std::wstring wide;
    valid = Converted(utf8.size(), wide, [&](wchar_t* out, int length) {
        return ::MultiByteToWideChar(CP_UTF8, flags, utf8.data(), static_cast<int>(utf8.size()), out, length);
    });
    return wide;
}

// A name as a message shows it: what cannot be converted becomes U+FFFD.
std::string Shown(std::string_view utf8) {
    bool valid = false;
    return Utf8(ToUtf16(utf8, 0, valid));
}

} // namespace

std::wstring Utf16(const std::string& utf8) {
    bool valid = false;
    std::wstring wide = ToUtf16(utf8, MB_ERR_INVALID_CHARS, valid);
    if (!valid)
        throw Error("The name \"" + Shown(utf8) + "\" is not UTF-8 text; Windows cannot name an item with it.");
    return wide;
}

std::string Utf8(std::wstring_view utf16) {
    std::string narrow;
    Converted(utf16.size(), narrow, [&](char* out, int length) {
        return ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out, length, nullptr,
                                     nullptr);
    });
    return narrow;
}

} // namespace detail

fs::path PathFromUtf8(std::string_view text) {
    return fs::path(detail::Utf16(std::string(text)));
}

std::string Utf8FromPath(const fs::path& path) {
    return detail::Utf8(path.native());
}

} // namespace vk::platform
