// Translation of the chat's statements into PostgreSQL's dialect, by one scan that copies
// quoted texts ('...') and quoted names ("...") unchanged.
#include "db/postgres_dialect.h"

#include "core/strings.h"

namespace ravochat::db {
namespace {

bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The position after the blanks from `at`.
std::size_t SkipBlanks(std::string_view sql, std::size_t at) {
  while (at < sql.size() && (sql[at] == ' ' || sql[at] == '\t' || sql[at] == '\n')) ++at;
  return at;
}

// The word that starts at `at`.
std::string_view WordAt(std::string_view sql, std::size_t at) {
  std::size_t end = at;
  while (end < sql.size() && IsWordChar(sql[end])) ++end;
  return sql.substr(at, end - at);
}

// The end of the quoted part that opens at `at` with `quote`, a doubled quote kept inside.
std::size_t QuotedEnd(std::string_view sql, std::size_t at, char quote) {
  std::size_t end = at + 1;
  while (end < sql.size()) {
    if (sql[end++] != quote) continue;
    if (end < sql.size() && sql[end] == quote) {
      ++end;
      continue;
    }
    break;
  }
  return end;
}

class Translator {
 public:
  // `first_now` is the number of the first now() parameter, once the "?" are counted.
  Translator(std::string_view sql, std::size_t first_now) : sql_(sql), next_now_(first_now) {}

  PostgresStatement Run() {
    while (at_ < sql_.size()) Step();
    return std::move(out_);
  }

 private:
  void Step() {
    const char c = sql_[at_];
    if (c == '\'' || c == '"') {
      const std::size_t end = QuotedEnd(sql_, at_, c);
      Copy(end - at_);
    } else if (c == '?') {
      out_.text += "$" + std::to_string(++out_.values);
      ++at_;
    } else if (IsWordChar(c) && (at_ == 0 || !IsWordChar(sql_[at_ - 1]))) {
      Word(WordAt(sql_, at_));
    } else {
      Copy(1);
    }
  }

  void Word(std::string_view word) {
    const std::size_t after = SkipBlanks(sql_, at_ + word.size());
    if (strings::EqualsIgnoreCase(word, "user")) {
      out_.text += "\"user\"";
      at_ += word.size();
    } else if (strings::EqualsIgnoreCase(word, "collate") &&
               strings::EqualsIgnoreCase(WordAt(sql_, after), "nocase")) {
      at_ = after + 6;
    } else if (strings::EqualsIgnoreCase(word, "now") && sql_.substr(after, 1) == "(" &&
               sql_.substr(SkipBlanks(sql_, after + 1), 1) == ")") {
      out_.text += "$" + std::to_string(next_now_++);
      ++out_.nows;
      at_ = SkipBlanks(sql_, after + 1) + 1;
    } else {
      Copy(word.size());
    }
  }

  void Copy(std::size_t count) {
    out_.text.append(sql_.substr(at_, count));
    at_ += count;
  }

  std::string_view sql_;
  std::size_t at_ = 0;
  std::size_t next_now_;
  PostgresStatement out_;
};

}  // namespace

PostgresStatement ToPostgres(std::string_view sql) {
  // The first pass counts the "?", so that the now() parameters can follow them.
  const std::size_t values = Translator(sql, 1).Run().values;
  return Translator(sql, values + 1).Run();
}

}  // namespace ravochat::db
