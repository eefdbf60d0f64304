// ravochat::Value: the variant that application values, recordset fields and the
// component's variant parameters hold. Arrays are shared and immutable once stored;
// the mutable accessors copy an array that somebody else still holds (copy on write).
// Every conversion between kinds lives in src/core/convert.h, not here.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace ravochat {

// A local civil date and time, counted in whole seconds from 1899-12-30 00:00:00
// (the base date of a time given without a date).
struct Date {
  std::int64_t seconds = 0;
  auto operator<=>(const Date&) const = default;
};

class Value;

// A two-dimensional array of values, rows by columns. Its rows are kept in blocks that copies
// of the grid share until one of them changes a cell there: a copy costs a pointer per block,
// and a change copies one block, so appending to a long ring that readers still hold is cheap.
class Grid {
 public:
  Grid(std::size_t rows, std::size_t cols);

  const std::size_t rows;
  const std::size_t cols;

  // The cell at `row`, `col`, both within the grid.
  const Value& Cell(std::size_t row, std::size_t col) const;
  // The same, for a change: a block shared with a copy is copied first.
  Value& MutableCell(std::size_t row, std::size_t col);
  // The rows, in order, whose values differ here and in `other`, a grid of the same shape; the
  // rows of a block still shared since one was copied from the other are not compared.
  std::vector<std::size_t> DifferentRows(const Grid& other) const;

 private:
  static constexpr std::size_t kBlockRows = 32;
  using Block = std::vector<Value>;
  std::vector<std::shared_ptr<Block>> blocks_;
};

class Value {
 public:
  enum class Kind { kEmpty, kNull, kBool, kInteger, kDouble, kText, kDate, kArray, kGrid };

  Value() = default;
  Value(bool b) : data_(b) {}
  template <typename T>
  requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>) Value(T n)
      : data_(static_cast<std::int64_t>(n)) {}
  Value(double d) : data_(d) {}
  Value(std::string s) : data_(std::move(s)) {}
  Value(std::string_view s) : data_(std::string(s)) {}
  Value(const char* s) : data_(std::string(s)) {}
  Value(Date d) : data_(d) {}

  // The database null; converts to the empty text.
  static Value Null();
  // A one-dimensional array; `size` elements, all empty.
  static Value Array(std::size_t size);
  static Value Array(std::vector<Value> elements);
  // A two-dimensional array of `rows` by `cols` empty values.
  static Value MakeGrid(std::size_t rows, std::size_t cols);

  Kind kind() const { return static_cast<Kind>(data_.index()); }
  bool IsEmpty() const { return kind() == Kind::kEmpty; }
  bool IsNull() const { return kind() == Kind::kNull; }

  // Raw access; each returns nullptr when the value is of another kind.
  const bool* AsBool() const { return std::get_if<bool>(&data_); }
  const std::int64_t* AsInteger() const { return std::get_if<std::int64_t>(&data_); }
  const double* AsDouble() const { return std::get_if<double>(&data_); }
  const std::string* AsText() const { return std::get_if<std::string>(&data_); }
  const Date* AsDate() const { return std::get_if<Date>(&data_); }

  // Arrays. Each throws ConversionError when the value is not an array of that kind,
  // and ListKeyError when an index is out of range.
  const std::vector<Value>& Elements() const;
  std::vector<Value>& MutableElements();
  const Grid& GetGrid() const;
  const Value& At(std::size_t row, std::size_t col) const;
  Value& MutableAt(std::size_t row, std::size_t col);

  // True for values of the same kind and contents (1 and 1.0 differ; arrays compare
  // their elements).
  friend bool operator==(const Value& a, const Value& b);

 private:
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };
  using ArrayPtr = std::shared_ptr<std::vector<Value>>;
  using GridPtr = std::shared_ptr<Grid>;
  std::variant<std::monostate, NullTag, bool, std::int64_t, double, std::string, Date, ArrayPtr,
               GridPtr>
      data_;
};

// `v` as text, by the chat's one set of conversion rules (10.5 -> "10.5", a date ->
// "2026-12-06 19:39:30"). Throws ConversionError for an array.
std::string ValueText(const Value& v);

}  // namespace ravochat
