// The CSV record reader. GBK bytes are turned into UTF-8 a line at a time before the line is
// split: the second byte of a GBK character is never a quote, a comma or a line end.
#include "migrate/csv_reader.h"

#include "ravochat/gbk.h"

namespace ravochat::migration {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Splits `record` into `fields`. Returns false when a quoted field is still open at its end.
bool SplitRecord(const std::string& record, std::vector<CsvField>& fields) {
  fields.assign(1, CsvField{});
  bool in_quotes = false;
  for (std::size_t i = 0; i < record.size(); ++i) {
    const char c = record[i];
    CsvField& field = fields.back();
    if (in_quotes) {
      if (c != '"') {
        field.text += c;
      } else if (i + 1 < record.size() && record[i + 1] == '"') {
        field.text += '"';
        ++i;
      } else {
        in_quotes = false;
      }
    } else if (c == ',') {
      fields.emplace_back();
    } else if (c == '"' && field.text.empty() && !field.quoted) {
      in_quotes = field.quoted = true;
    } else {
      field.text += c;
    }
  }
  return !in_quotes;
}

}  // namespace

CsvReader::CsvReader(const std::filesystem::path& file, Encoding encoding)
    : in_(file, std::ios::binary), name_(file.filename().string()), encoding_(encoding) {
  if (!in_) throw MigrationError("cannot open " + file.string());
}

bool CsvReader::ReadLine(std::string& line) {
  if (!std::getline(in_, line)) return false;
  ++lines_read_;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (encoding_ == Encoding::kGbk) {
    line = text::GbkToUtf8(line);
  } else if (lines_read_ == 1 && line.starts_with(kUtf8Mark)) {
    line.erase(0, kUtf8Mark.size());
  }
  return true;
}

bool CsvReader::Next(std::vector<CsvField>& fields) {
  if (!ReadLine(raw_)) return false;
  record_line_ = lines_read_;
  std::string more;
  while (!SplitRecord(raw_, fields)) {
    if (!ReadLine(more)) {
      throw MigrationError(name_ + " line " + std::to_string(record_line_) +
                           ": a quoted text is not closed before the end of the file");
    }
    raw_.append("\n").append(more);
  }
  return true;
}

}  // namespace ravochat::migration
