// Conversion of values at the PostgreSQL boundary.
#include "db/postgres_value.h"

#include <charconv>
#include <cstdlib>

#include "core/convert.h"
#include "db/link.h"
#include "ravochat/error.h"

namespace ravochat::db {
namespace {

// Type numbers of PostgreSQL's catalogue (pg_type), fixed since its first releases.
constexpr Oid kBool = 16;
constexpr Oid kInt8 = 20;
constexpr Oid kInt2 = 21;
constexpr Oid kInt4 = 23;
constexpr Oid kFloat4 = 700;
constexpr Oid kFloat8 = 701;
constexpr Oid kNumeric = 1700;

std::string DoubleText(double d) {
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d);
  return std::string(buffer, end);
}

}  // namespace

Oid PostgresTypeOf(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kBool:
    case Value::Kind::kInteger:
      return kInt8;
    case Value::Kind::kDouble:
      return kFloat8;
    default:
      return 0;
  }
}

std::optional<std::string> PostgresText(const Value& value, std::size_t index,
                                        std::string_view sql) {
  switch (value.kind()) {
    case Value::Kind::kEmpty:
    case Value::Kind::kNull:
      return std::nullopt;
    case Value::Kind::kBool:
      return *value.AsBool() ? "1" : "0";
    case Value::Kind::kInteger:
      return std::to_string(*value.AsInteger());
    case Value::Kind::kDouble:
      return DoubleText(*value.AsDouble());
    case Value::Kind::kText:
      return *value.AsText();
    case Value::Kind::kDate:
      return convert::DateToText(*value.AsDate());
    default:
      throw DatabaseError(StatementFailure(
          sql, "value " + std::to_string(index) + " is an array and cannot be bound"));
  }
}

Value FromPostgres(Oid type, std::string_view text) {
  switch (type) {
    case kInt2:
    case kInt4:
    case kInt8: {
      std::int64_t number = 0;
      std::from_chars(text.data(), text.data() + text.size(), number);
      return Value(number);
    }
    case kFloat4:
    case kFloat8:
    case kNumeric:
      return Value(std::strtod(std::string(text).c_str(), nullptr));
    case kBool:
      return Value(static_cast<std::int64_t>(text == "t" ? 1 : 0));
    default:
      return Value(std::string(text));
  }
}

}  // namespace ravochat::db
