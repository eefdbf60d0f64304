// Which encoding the CSV files of an export are in: UTF-8 when every file is valid UTF-8,
// GBK otherwise (the classic installations' code page, which is rarely valid UTF-8 once it
// holds a Chinese character).
#pragma once

#include <filesystem>
#include <vector>

#include "ravochat/migration.h"

namespace ravochat::migration {

// True when the bytes of `file` are valid UTF-8. Reads it in blocks. Throws MigrationError
// when it cannot be read.
bool IsUtf8File(const std::filesystem::path& file);

// kUtf8 when every one of `files` is valid UTF-8, else kGbk.
Encoding DetectEncoding(const std::vector<std::filesystem::path>& files);

}  // namespace ravochat::migration
