// Reading the CSV files that mdb-export writes: a header row of column names, fields
// separated by commas, text fields in double quotes with a quote doubled inside, line
// feeds kept inside quoted fields, and a NULL as an empty unquoted field. Records are read
// one at a time, so a file of any size takes the memory of one record.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ravochat/migration.h"

namespace ravochat::migration {

struct CsvField {
  std::string text;  // UTF-8
  bool quoted = false;
};

class CsvReader {
 public:
  // Opens `file`, whose bytes are in `encoding` (kUtf8 or kGbk). Throws MigrationError
  // naming the file when it cannot be opened.
  CsvReader(const std::filesystem::path& file, Encoding encoding);

  // Reads the next record into `fields`; false at the end of the file. Throws
  // MigrationError naming the file and line for a quote still open at the end.
  bool Next(std::vector<CsvField>& fields);
  // The line the last record began on, from 1.
  std::size_t line() const { return record_line_; }
  // The last record's text, in UTF-8, without its line end.
  const std::string& raw() const { return raw_; }

 private:
  // The next physical line in UTF-8 without its line end; false at the end of the file.
  bool ReadLine(std::string& line);

  std::ifstream in_;
  std::string name_;
  Encoding encoding_;
  std::size_t lines_read_ = 0;
  std::size_t record_line_ = 0;
  std::string raw_;
};

}  // namespace ravochat::migration
