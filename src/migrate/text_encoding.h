// Which encoding a CSV file of an export is in: UTF-8 when it is valid UTF-8, GBK otherwise
// (the classic installations' code page, which is rarely valid UTF-8 once it holds a Chinese
// character; a file of ASCII alone reads the same either way).
#pragma once

#include <filesystem>
#include <optional>

#include "ravochat/migration.h"

namespace ravochat::migration {

// The encoding of `file`: kUtf8 when its bytes are valid UTF-8, kGbk otherwise, nullopt when
// it holds ASCII alone. Reads it in blocks. Throws MigrationError when it cannot be read.
std::optional<Encoding> DetectEncoding(const std::filesystem::path& file);

}  // namespace ravochat::migration
