#include "translation/TranslationFile.h"

#include "platform/uPlatform.h"

#include <array>
#include <charconv>

namespace vk::translation_file {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// Splits text into lines as it arrives in pieces. A CR may be the first half
// of a CR LF that the next piece completes.
class LineSplitter {
public:
    void Add(std::string_view piece) {
        for (char c : piece) {
            if (FAfterCr && c == '\n') {
                FAfterCr = false;
                continue;
            }
            FAfterCr = c == '\r';
            if (c == '\r' || c == '\n') {
                FLines.push_back(std::move(FCurrent));
                FCurrent.clear();
            } else {
                FCurrent.push_back(c);
            }
        }
    }
    std::vector<std::string> Finish() {
        if (!FCurrent.empty())
            FLines.push_back(std::move(FCurrent));
        return std::move(FLines);
    }

private:
    std::vector<std::string> FLines;
    std::string FCurrent;
    bool FAfterCr = false;
};

// A decimal integer, optionally signed, and nothing else.
bool ParseCount(const std::string& line, std::int64_t& value) {
    const char* first = line.data();
    const char* last = first + line.size();
    if (first != last && *first == '+')
        ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    return first != last && error == std::errc() && end == last;
}

} // namespace

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
    platform::FileStream file(path, platform::FileStream::Mode::Read);
    LineSplitter splitter;
    std::array<char, 64 * 1024> buffer{};
    bool first = true;
    while (const std::size_t got = file.Read(buffer.data(), buffer.size())) {
        std::string_view piece(buffer.data(), got);
        if (first && piece.substr(0, ByteOrderMark.size()) == ByteOrderMark)
            piece.remove_prefix(ByteOrderMark.size());
        first = false;
        splitter.Add(piece);
    }
    return splitter.Finish();
}

bool BuildTable(const std::vector<std::string>& lines, TLanguageTable& table, std::vector<std::string>& codes) {
    std::int64_t count = 0;
    if (lines.empty() || !ParseCount(lines[0], count) || count < 0)
        return false;
    const auto languages = static_cast<std::size_t>(count);
    if (languages == 0)
        return true;
    // Lines are counted from 0 here: line 1 + r * N + c is entry r of column c.
    const std::size_t records = (lines.size() - 1) / languages;
    for (std::size_t c = 0; c < languages; ++c) {
        // Columns are added one at a time: a count far beyond the file's
        // length fails at its first column instead of reserving them all.
        std::vector<std::string>& column = table.emplace_back();
        column.reserve(records);
        for (std::size_t r = 0; r < records; ++r)
            column.push_back(lines[1 + r * languages + c]);
        const std::size_t codeLine = 1 + languages + c;
        if (codeLine >= lines.size())
            return false;
        codes.push_back(lines[codeLine]);
    }
    return true;
}

} // namespace vk::translation_file
