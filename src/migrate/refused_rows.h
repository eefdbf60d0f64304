// refused.csv: the rows an import left out, one a line, as "file,line,reason,record" with
// the record's own text, so that they can be mended and imported again.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace ravochat::migration {

class RefusedRows {
 public:
  // Writes to `file`, made (replacing an older one) at the first row.
  explicit RefusedRows(std::filesystem::path file) : file_(std::move(file)) {}

  // Appends one refused row. Throws MigrationError when the file cannot be written.
  void Add(std::string_view csv_file, std::size_t line, std::string_view reason,
           std::string_view record);

  std::size_t count() const { return count_; }
  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
  std::ofstream out_;
  std::size_t count_ = 0;
};

// `text` as one CSV field: in double quotes, a quote doubled. QuotedField("a\"b") == "\"a\"\"b\"".
std::string QuotedField(std::string_view text);

}  // namespace ravochat::migration
