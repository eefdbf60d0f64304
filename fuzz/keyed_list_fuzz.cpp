// Keyed list strings from arbitrary bytes: "key\0list". Every reading either fails with a
// ravochat::Error or gives pieces that join back into the list.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/keyed_list.h"
#include "ravochat/error.h"

using namespace ravochat;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  if (split == std::string_view::npos) return 0;
  std::string_view key = input.substr(0, split);
  std::string_view list = input.substr(split + 1);
  keyed_list::CountRecords(list);
  keyed_list::Contains(list, key);
  keyed_list::AddWord(list, key);
  keyed_list::RemoveWord(list, key);
  try {
    keyed_list::Records(list);
    if (auto record = keyed_list::TakeListedRecord(list, key)) {
      if (record->ListText() != list) __builtin_trap();
    }
    const keyed_list::RecordParts parts = keyed_list::SplitRecord(list, key);
    if (keyed_list::JoinRecord(parts, key) != list) __builtin_trap();
    keyed_list::JoinFields(keyed_list::SplitFields(parts.body));
  } catch (const Error&) {
  }
  return 0;
}
