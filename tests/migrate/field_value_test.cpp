// Fields of an export read for their columns: mdb-export's dates and the chat's own, numbers
// rounded as the classic runtime rounds them, and a NULL left to the schema's default.
#include "migrate/field_value.h"

#include <gtest/gtest.h>

namespace ravochat::migration {
namespace {

TEST(ExportedDate, ReadsTheExportsFormAndTheChatsOwn) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"12/07/26 04:13:25", "2026-12-07 04:13:25"},
      {"12/31/68 00:00:00", "2068-12-31 00:00:00"},
      {"12/31/69 00:00:00", "1969-12-31 00:00:00"},
      {"3/4/2005 8:09:05", "2005-03-04 08:09:05"},
      {"12/07/2026 04:13:25 PM", "2026-12-07 16:13:25"},
      {"12/07/2026 12:00:00 AM", "2026-12-07 00:00:00"},
      {"2026年12月07日 04时13分25秒", "2026-12-07 04:13:25"},
      {"12/07/2026 13:00:00 PM", std::nullopt},
      {"12/07/26", "2026-12-07 00:00:00"},
      {"2026/12/6", "2026-12-06 00:00:00"},
      {"02/29/25 00:00:00", std::nullopt},
      {"12/07/26 24:00:00", std::nullopt},
      {"12/07/26 04:13", std::nullopt},
      {"yesterday", std::nullopt},
  };
  for (const auto& [text, date] : cases) EXPECT_EQ(ExportedDate(text), date) << text;
}

TEST(FieldValue, ConvertsForTheColumnOrSaysWhyNot) {
  struct Case {
    const char* text;
    bool quoted;
    ColumnKind kind;
    std::optional<Value> value;
    std::string refusal;
  };
  const Case cases[] = {
      {"", false, ColumnKind::kText, std::nullopt, ""},
      {"", true, ColumnKind::kText, Value(""), ""},
      {"", true, ColumnKind::kNumber, std::nullopt, ""},
      {"a,\"b\"", true, ColumnKind::kText, Value("a,\"b\""), ""},
      {"2.5", false, ColumnKind::kNumber, Value(2), ""},
      {"3.5", false, ColumnKind::kNumber, Value(4), ""},
      {"1,5", false, ColumnKind::kNumber, std::nullopt, "not a number: 1,5"},
      {"12/07/26 04:13:25", true, ColumnKind::kDate, Value("2026-12-07 04:13:25"), ""},
      {"soon", true, ColumnKind::kDate, std::nullopt, "not a date: soon"},
  };
  for (const Case& c : cases) {
    std::string refusal;
    EXPECT_EQ(FieldValue({c.text, c.quoted}, c.kind, refusal), c.value) << c.text;
    EXPECT_EQ(refusal, c.refusal) << c.text;
  }
}

}  // namespace
}  // namespace ravochat::migration
