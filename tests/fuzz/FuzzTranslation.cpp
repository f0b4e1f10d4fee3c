// The translation reader: any bytes as the translation file, loaded for a
// stored language and for the system's, then looked up.

#include "FuzzSandbox.h"
#include "translation/translation.h"

#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vk;
    const fuzz::Sandbox& sandbox = fuzz::TheSandbox();
    sandbox.WriteInput(data, size);
    try {
        for (const std::optional<std::string>& code :
             {std::optional<std::string>("de"), std::optional<std::string>()}) {
            LoadTranslation(code, sandbox.Input());
            TranslateText("File");
            TranslateText("Locker extracted successfully.");
            LanguageTable();
        }
    } catch (const std::exception&) {
    }
    return 0;
}
