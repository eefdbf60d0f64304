// The refused rows' file.
#include "migrate/refused_rows.h"

#include "ravochat/migration.h"

namespace ravochat::migration {

std::string QuotedField(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

void RefusedRows::Add(std::string_view csv_file, std::size_t line, std::string_view reason,
                      std::string_view record) {
  if (count_ == 0) {
    out_.open(file_, std::ios::binary | std::ios::trunc);
    out_ << "file,line,reason,record\n";
  }
  out_ << QuotedField(csv_file) << ',' << line << ',' << QuotedField(reason) << ','
       << QuotedField(record) << '\n';
  out_.flush();
  if (!out_) throw MigrationError("cannot write " + file_.string());
  ++count_;
}

}  // namespace ravochat::migration
