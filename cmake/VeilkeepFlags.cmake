# One interface target carries the settings every Veilkeep target shares.
add_library(vk_flags INTERFACE)
target_compile_features(vk_flags INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(vk_flags INTERFACE -Wall -Wextra -Wold-style-cast -Wnon-virtual-dtor)
target_compile_definitions(vk_flags INTERFACE _GLIBCXX_ASSERTIONS $<$<CONFIG:Release>:_FORTIFY_SOURCE=2>)
if(WIN32)
    # The Win32 API in its UTF-16 form, without the rarely used headers and
    # the min/max macros; Windows 10 calls are available.
    target_compile_definitions(vk_flags INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE _WIN32_WINNT=0x0A00)
endif()
if(VEILKEEP_WERROR)
    target_compile_options(vk_flags INTERFACE -Werror)
endif()
if(VEILKEEP_SANITIZE)
    target_compile_options(vk_flags INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                              -fno-sanitize-recover=undefined)
    target_link_options(vk_flags INTERFACE -fsanitize=address,undefined)
endif()
if(VEILKEEP_FUZZ)
    # Coverage feedback for libFuzzer in every Veilkeep target; the harnesses
    # link libFuzzer itself.
    target_compile_options(vk_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()
