// Writing and reading the change entries of the shared chat state.
#include "state/state_journal.h"

#include <algorithm>
#include <charconv>

#include "ravochat/error.h"

namespace ravochat::state {
namespace {

[[noreturn]] void Damaged() { throw StateError("a damaged change entry in the shared chat state"); }

std::size_t Number(std::string_view& rest, char end) {
  std::size_t number = 0;
  auto [stop, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
  if (error != std::errc() || stop == rest.data() + rest.size() || *stop != end) Damaged();
  rest.remove_prefix(static_cast<std::size_t>(stop - rest.data()) + 1);
  return number;
}

}  // namespace

void JournalWriter::Field(std::string_view field) {
  text_.append(std::to_string(field.size())).push_back(':');
  text_.append(field);
}

void JournalWriter::Add(Change kind, std::initializer_list<std::string_view> fields) {
  Add(kind, fields, {});
}

void JournalWriter::Add(Change kind, std::initializer_list<std::string_view> fields,
                        const std::vector<std::string>& more) {
  text_.push_back(static_cast<char>(kind));
  text_.append(std::to_string(fields.size() + more.size())).push_back(';');
  for (std::string_view field : fields) Field(field);
  for (const std::string& field : more) Field(field);
}

std::vector<JournalChange> ReadJournal(std::string_view entry) {
  std::vector<JournalChange> changes;
  while (!entry.empty()) {
    const auto* kind = std::find_if(
        std::begin(kChangeFields), std::end(kChangeFields),
        [&](const ChangeFields& known) { return static_cast<char>(known.kind) == entry.front(); });
    if (kind == std::end(kChangeFields)) Damaged();
    entry.remove_prefix(1);
    const std::size_t count = Number(entry, ';');
    if (count < kind->count) Damaged();
    JournalChange& change = changes.emplace_back();
    change.kind = kind->kind;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t length = Number(entry, ':');
      if (length > entry.size()) Damaged();
      change.fields.emplace_back(entry.substr(0, length));
      entry.remove_prefix(length);
    }
  }
  return changes;
}

}  // namespace ravochat::state
