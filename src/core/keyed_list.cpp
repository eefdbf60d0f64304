// Keyed list strings. Finding and splitting a record scans the list once for the opening
// marker and once for the closing one, without building the marker or splitting the
// other records; counting scans for "$><$" without splitting.
#include "keyed_list.h"

#include "ravochat/error.h"
#include "strings.h"

namespace ravochat::keyed_list {
namespace {

constexpr std::string_view kMarkerStart = "<$";

// Position of the first "<$" + key + "$>" at or after `from`, or npos.
std::size_t FindMarker(std::string_view list, std::string_view key, std::size_t from) {
  for (std::size_t pos = list.find(kMarkerStart, from); pos != std::string_view::npos;
       pos = list.find(kMarkerStart, pos + 1)) {
    std::string_view rest = list.substr(pos + kMarkerStart.size());
    if (rest.size() >= key.size() + kFieldEnd.size() && rest.starts_with(key) &&
        rest.substr(key.size()).starts_with(kFieldEnd)) {
      return pos;
    }
  }
  return std::string_view::npos;
}

std::size_t MarkerSize(std::string_view key) {
  return kMarkerStart.size() + key.size() + kFieldEnd.size();
}

[[noreturn]] void ThrowMissing(std::string_view key, std::string_view what) {
  throw ListKeyError("the list holds no " + std::string(what) + " of key \"" + std::string(key) +
                     "\"");
}

// Where the record of a key lies in a list: its opening marker, its body and its closing
// marker.
struct Span {
  std::size_t open;
  std::size_t body;
  std::size_t close;
};

// The record whose opening marker stands at `open`.
Span SpanFrom(std::string_view list, std::string_view key, std::size_t open) {
  std::size_t body = open + MarkerSize(key);
  std::size_t close = FindMarker(list, key, body);
  // An opening marker without its closing one is a damaged list, not a record.
  if (close == std::string_view::npos) ThrowMissing(key, "closed record");
  return Span{open, body, close};
}

Span FindRecord(std::string_view list, std::string_view key) {
  std::size_t open = FindMarker(list, key, 0);
  if (open == std::string_view::npos) ThrowMissing(key, "record");
  return SpanFrom(list, key, open);
}

RecordParts PartsOf(std::string_view list, std::string_view key, const Span& span) {
  return RecordParts{std::string(list.substr(0, span.open)),
                     std::string(list.substr(span.body, span.close - span.body)),
                     std::string(list.substr(span.close + MarkerSize(key)))};
}

Record RecordOf(std::string_view list, std::string_view key, const Span& span) {
  Record record{std::string(key), PartsOf(list, key, span), {}};
  record.fields = SplitFields(record.parts.body);
  return record;
}

std::string JoinAround(std::string_view before, std::string_view body, std::string_view after,
                       std::string_view key) {
  std::string out;
  out.reserve(before.size() + body.size() + after.size() + 2 * MarkerSize(key));
  out.append(before).append(kMarkerStart).append(key).append(kFieldEnd);
  out.append(body).append(kMarkerStart).append(key).append(kFieldEnd);
  out.append(after);
  return out;
}

}  // namespace

bool Contains(std::string_view list, std::string_view key) {
  return FindMarker(list, key, 0) != std::string_view::npos;
}

std::size_t CountRecords(std::string_view list) {
  if (list.empty()) return 0;
  // "$><$" is found from its '<', which is rare in a list, rather than from its '$',
  // which ends every field. Occurrences do not overlap, as when splitting.
  std::size_t seams = 0;
  std::size_t free_from = 0;  // where the next occurrence may start
  for (std::size_t lt = list.find('<', 2); lt != std::string_view::npos;
       lt = list.find('<', lt + 1)) {
    std::size_t start = lt - 2;
    if (start >= free_from && list.substr(start, kRecordSeam.size()) == kRecordSeam) {
      ++seams;
      free_from = start + kRecordSeam.size();
    }
  }
  return (seams + 1) / 2;
}

RecordParts SplitRecord(std::string_view list, std::string_view key) {
  return PartsOf(list, key, FindRecord(list, key));
}

std::string JoinRecord(const RecordParts& parts, std::string_view key) {
  return JoinAround(parts.before, parts.body, parts.after, key);
}

std::string JoinRecord(std::string_view before, const std::vector<std::string>& fields,
                       std::string_view after, std::string_view key) {
  return JoinAround(before, JoinFields(fields), after, key);
}

std::vector<std::string> SplitFields(std::string_view body) {
  return strings::Split(body, kFieldEnd);
}

std::string JoinFields(const std::vector<std::string>& fields) {
  return strings::Join(fields, kFieldEnd);
}

const std::string& FieldAt(const std::vector<std::string>& fields, std::size_t index,
                           std::string_view key) {
  if (index >= fields.size()) {
    throw ListKeyError("the record of key \"" + std::string(key) + "\" has no field " +
                       std::to_string(index));
  }
  return fields[index];
}

std::string& FieldAt(std::vector<std::string>& fields, std::size_t index, std::string_view key) {
  const std::vector<std::string>& held = fields;
  FieldAt(held, index, key);
  return fields[index];
}

const std::string& Record::Field(std::size_t index) const { return FieldAt(fields, index, key); }

std::string& Record::MutableField(std::size_t index) { return FieldAt(fields, index, key); }

std::string Record::ListText() const { return JoinRecord(parts.before, fields, parts.after, key); }

Record TakeRecord(std::string_view list, std::string_view key) {
  return RecordOf(list, key, FindRecord(list, key));
}

std::optional<Record> TakeListedRecord(std::string_view list, std::string_view key) {
  std::size_t open = FindMarker(list, key, 0);
  if (open == std::string_view::npos) return std::nullopt;
  return RecordOf(list, key, SpanFrom(list, key, open));
}

std::vector<std::string> RecordFields(std::string_view list, std::string_view key) {
  const Span span = FindRecord(list, key);
  return SplitFields(list.substr(span.body, span.close - span.body));
}

std::vector<Entry> Records(std::string_view list) {
  std::vector<Entry> records;
  std::size_t at = 0;
  while (list.substr(at).starts_with(kMarkerStart)) {
    const std::size_t key_end = list.find(kFieldEnd, at + kMarkerStart.size());
    if (key_end == std::string_view::npos) break;
    const std::string_view key =
        list.substr(at + kMarkerStart.size(), key_end - at - kMarkerStart.size());
    const std::size_t body = key_end + kFieldEnd.size();
    const std::size_t close = FindMarker(list, key, body);
    if (close == std::string_view::npos) break;
    records.push_back({std::string(key), std::string(list.substr(body, close - body))});
    at = close + MarkerSize(key);
  }
  return records;
}

std::string RemoveWord(std::string_view field, std::string_view word) {
  // One left-to-right pass: of two neighbouring copies ("p p") the second shares its
  // leading blank with the first match and stays, as pages that edit lists expect.
  std::string padded = " " + std::string(field) + " ";
  return strings::Trim(strings::Replace(padded, " " + std::string(word) + " ", " "));
}

std::string AddWord(std::string_view field, std::string_view word) {
  std::string padded = " " + std::string(field) + " ";
  if (padded.find(" " + std::string(word) + " ") != std::string::npos) return std::string(field);
  return strings::Trim(field) + " " + std::string(word);
}

}  // namespace ravochat::keyed_list
