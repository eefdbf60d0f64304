// Checks the request items that operations convert to 32-bit whole numbers with the same
// conversion the operations use.
#include "ravochat/request_check.h"

#include <string_view>
#include <vector>

#include "core/convert.h"
#include "ravochat/error.h"

namespace ravochat {
namespace {

enum class Need {
  kNumber,          // must convert; an absent item converts to 0
  kNumberIfGiven,   // absent or empty, or converts
  kNumberIfNumeric  // a non-number counts as none; a number must convert
};

struct Item {
  std::string_view name;
  Need need;
};

std::vector<Item> ItemsOf(RequestOf operation) {
  switch (operation) {
    case RequestOf::kRefresh:
      return {{"sayid", Need::kNumberIfGiven}};
    case RequestOf::kSubsay:
      return {{"id", Need::kNumber}, {"addsays", Need::kNumberIfNumeric}};
    case RequestOf::kLoginCheck:
      return {{"room_id", Need::kNumberIfNumeric}};
  }
  return {};
}

bool Fits(const Value& value, Need need) {
  const std::string* text = value.AsText();
  if (need == Need::kNumberIfGiven && (value.IsEmpty() || (text != nullptr && text->empty()))) {
    return true;
  }
  if (need == Need::kNumberIfNumeric && !convert::IsNumeric(value)) return true;
  try {
    convert::ToInt32(value);
    return true;
  } catch (const Error&) {
    return false;
  }
}

}  // namespace

std::string UnfitRequestItem(RequestOf operation, const Request& request) {
  for (const Item& item : ItemsOf(operation)) {
    if (!Fits(request.Item(item.name), item.need)) return std::string(item.name);
  }
  return "";
}

}  // namespace ravochat
