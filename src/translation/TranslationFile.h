#pragma once

// Reading "transl.dt": UTF-8 lines, one column per language.

#include "translation/translation.h"

#include <filesystem>
#include <string>
#include <vector>

namespace vk::translation_file {

// The file's lines without their endings (CR LF, LF or CR); a byte-order mark
// at the start is skipped and a line break at the very end opens no new line.
// Raises vk::Error when the file cannot be read.
std::vector<std::string> ReadLines(const std::filesystem::path& path);

// Builds the table from the lines: line 1 the number of languages N, then
// records of N lines. Returns the languages' codes (record 1), or false when
// the count is not a non-negative integer or the file breaks off before a
// column's code; the columns filled up to that point stay in table.
bool BuildTable(const std::vector<std::string>& lines, TLanguageTable& table, std::vector<std::string>& codes);

} // namespace vk::translation_file
