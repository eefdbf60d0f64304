// The snapshot encoding of values. Lengths and counts come before what they measure, so a
// damaged text is caught where it stops making sense rather than read as other values.
#include "core/value_codec.h"

#include <charconv>
#include <cstdint>
#include <system_error>

#include "ravochat/error.h"

namespace ravochat::value_codec {
namespace {

void AppendDigits(std::string& out, auto number) {
  char digits[32];
  const auto result = std::to_chars(digits, digits + sizeof digits, number);
  out.append(digits, result.ptr);
}

// `kind`, the digits of `number` and `end`: "i42;".
void AppendNumber(std::string& out, char kind, auto number, char end) {
  out.push_back(kind);
  AppendDigits(out, number);
  out.push_back(end);
}

void Encode(const Value& value, std::string& out) {
  switch (value.kind()) {
    case Value::Kind::kEmpty:
      out.push_back('e');
      return;
    case Value::Kind::kNull:
      out.push_back('n');
      return;
    case Value::Kind::kBool:
      out.append(*value.AsBool() ? "b1" : "b0");
      return;
    case Value::Kind::kInteger:
      AppendNumber(out, 'i', *value.AsInteger(), ';');
      return;
    case Value::Kind::kDouble:
      AppendNumber(out, 'f', *value.AsDouble(), ';');
      return;
    case Value::Kind::kDate:
      AppendNumber(out, 'd', value.AsDate()->seconds, ';');
      return;
    case Value::Kind::kText:
      AppendNumber(out, 't', value.AsText()->size(), ':');
      out.append(*value.AsText());
      return;
    case Value::Kind::kArray:
      AppendNumber(out, 'a', value.Elements().size(), ':');
      for (const Value& element : value.Elements()) Encode(element, out);
      return;
    case Value::Kind::kGrid: {
      const Grid& grid = value.GetGrid();
      AppendNumber(out, 'g', grid.rows, ',');
      AppendDigits(out, grid.cols);
      out.push_back(':');
      for (std::size_t row = 0; row < grid.rows; ++row) {
        for (std::size_t col = 0; col < grid.cols; ++col) Encode(grid.Cell(row, col), out);
      }
      return;
    }
  }
}

class Decoder {
 public:
  explicit Decoder(std::string_view text) : text_(text) {}

  Value Whole() {
    Value value = Next();
    if (at_ != text_.size()) Fail("text follows the value");
    return value;
  }

 private:
  [[noreturn]] void Fail(std::string_view what) const {
    throw ConversionError("damaged stored value at byte " + std::to_string(at_) + ": " +
                          std::string(what));
  }

  char Take() {
    if (at_ >= text_.size()) Fail("it ends too soon");
    return text_[at_++];
  }

  template <typename T>
  T Number(char end) {
    T number{};
    const char* first = text_.data() + at_;
    const auto result = std::from_chars(first, text_.data() + text_.size(), number);
    if (result.ec != std::errc() || result.ptr == first) Fail("a number is missing");
    at_ += static_cast<std::size_t>(result.ptr - first);
    if (Take() != end) Fail(std::string("'") + end + "' is missing");
    return number;
  }

  // A count of items that each take at least one byte, so a damaged count fails here
  // instead of reserving memory for it.
  std::size_t Count(char end) {
    const auto count = Number<std::size_t>(end);
    if (count > text_.size() - at_) Fail("a count beyond the end");
    return count;
  }

  Value Next() {
    switch (Take()) {
      case 'e':
        return Value();
      case 'n':
        return Value::Null();
      case 'b': {
        const char truth = Take();
        if (truth != '0' && truth != '1') Fail("a truth value is neither 0 nor 1");
        return Value(truth == '1');
      }
      case 'i':
        return Value(Number<std::int64_t>(';'));
      case 'f':
        return Value(Number<double>(';'));
      case 'd':
        return Value(Date{Number<std::int64_t>(';')});
      case 't': {
        const std::size_t size = Count(':');
        Value text(text_.substr(at_, size));
        at_ += size;
        return text;
      }
      case 'a': {
        std::vector<Value> elements(Count(':'));
        for (Value& element : elements) element = Next();
        return Value::Array(std::move(elements));
      }
      case 'g': {
        const auto rows = Number<std::size_t>(',');
        const auto cols = Number<std::size_t>(':');
        if (cols != 0 && rows > (text_.size() - at_) / cols) Fail("a grid beyond the end");
        Value grid = Value::MakeGrid(rows, cols);
        for (std::size_t row = 0; row < rows; ++row) {
          for (std::size_t col = 0; col < cols; ++col) grid.MutableAt(row, col) = Next();
        }
        return grid;
      }
      default:
        --at_;
        Fail("no kind of value starts here");
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

std::string EncodeValue(const Value& value) {
  std::string out;
  Encode(value, out);
  return out;
}

Value DecodeValue(std::string_view text) { return Decoder(text).Whole(); }

}  // namespace ravochat::value_codec
