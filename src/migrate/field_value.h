// The value of one CSV field for a column of the target: numbers as numbers, dates in the
// chat's "YYYY-MM-DD HH:MM:SS" form, texts as they are. Dates are read in the forms
// mdb-export writes by default, its locale's date and time: "MM/DD/YY HH:MM:SS" in the C
// locale (a year of 00 to 68 is 20xx, 69 to 99 is 19xx), "MM/DD/YYYY HH:MM:SS AM" in an
// English one, "YYYY年MM月DD日 HH时MM分SS秒" in the Chinese one; and in the chat's own forms.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "migrate/chat_tables.h"
#include "migrate/csv_reader.h"
#include "ravochat/value.h"

namespace ravochat::migration {

// The date of `text` as "YYYY-MM-DD HH:MM:SS"; nullopt when it is not a date:
// ExportedDate("12/07/26 04:13:25") == "2026-12-07 04:13:25".
std::optional<std::string> ExportedDate(std::string_view text);

// The value of `field` for a column of `kind`: nullopt for an empty unquoted field (a NULL,
// which takes the schema's default), a whole number for a number column (rounded half to
// even), the date's text for a date column. Returns the reason in `refusal` and nullopt when
// the text is not a number or not a date.
std::optional<Value> FieldValue(const CsvField& field, ColumnKind kind, std::string& refusal);

}  // namespace ravochat::migration
