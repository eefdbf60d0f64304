// Value: construction of arrays and nulls, array access with copy on write, and
// structural equality. An array shared by two values is copied before it is changed.
#include "ravochat/value.h"

#include <algorithm>
#include <string>

#include "ravochat/error.h"

namespace ravochat {
namespace {

[[noreturn]] void ThrowIndex(std::size_t row, std::size_t col) {
  throw ListKeyError("array index (" + std::to_string(row) + ", " + std::to_string(col) +
                     ") is out of range");
}

}  // namespace

Value Value::Null() {
  Value v;
  v.data_ = NullTag{};
  return v;
}

Grid::Grid(std::size_t rows, std::size_t cols) : rows(rows), cols(cols) {
  for (std::size_t first = 0; first < rows; first += kBlockRows) {
    blocks_.push_back(std::make_shared<Block>(std::min(kBlockRows, rows - first) * cols));
  }
}

const Value& Grid::Cell(std::size_t row, std::size_t col) const {
  return (*blocks_[row / kBlockRows])[row % kBlockRows * cols + col];
}

Value& Grid::MutableCell(std::size_t row, std::size_t col) {
  std::shared_ptr<Block>& block = blocks_[row / kBlockRows];
  // Another grid (the copy a reader still holds, say) keeps seeing the old block.
  if (block.use_count() > 1) block = std::make_shared<Block>(*block);
  return (*block)[row % kBlockRows * cols + col];
}

std::vector<std::size_t> Grid::DifferentRows(const Grid& other) const {
  std::vector<std::size_t> different;
  for (std::size_t block = 0; block < blocks_.size(); ++block) {
    if (blocks_[block] == other.blocks_[block]) continue;
    const std::size_t end = std::min(rows, (block + 1) * kBlockRows);
    for (std::size_t row = block * kBlockRows; row < end; ++row) {
      for (std::size_t col = 0; col < cols; ++col) {
        if (!(Cell(row, col) == other.Cell(row, col))) {
          different.push_back(row);
          break;
        }
      }
    }
  }
  return different;
}

Value Value::Array(std::size_t size) { return Array(std::vector<Value>(size)); }

Value Value::Array(std::vector<Value> elements) {
  Value v;
  v.data_ = std::make_shared<std::vector<Value>>(std::move(elements));
  return v;
}

Value Value::MakeGrid(std::size_t rows, std::size_t cols) {
  Value v;
  v.data_ = std::make_shared<Grid>(rows, cols);
  return v;
}

const std::vector<Value>& Value::Elements() const {
  const ArrayPtr* array = std::get_if<ArrayPtr>(&data_);
  if (array == nullptr) throw ConversionError("the value is not a one-dimensional array");
  return **array;
}

std::vector<Value>& Value::MutableElements() {
  ArrayPtr* array = std::get_if<ArrayPtr>(&data_);
  if (array == nullptr) throw ConversionError("the value is not a one-dimensional array");
  // Another value (a stored application value, say) still sees the old elements.
  if (array->use_count() > 1) *array = std::make_shared<std::vector<Value>>(**array);
  return **array;
}

const Grid& Value::GetGrid() const {
  const GridPtr* grid = std::get_if<GridPtr>(&data_);
  if (grid == nullptr) throw ConversionError("the value is not a two-dimensional array");
  return **grid;
}

const Value& Value::At(std::size_t row, std::size_t col) const {
  const Grid& grid = GetGrid();
  if (row >= grid.rows || col >= grid.cols) ThrowIndex(row, col);
  return grid.Cell(row, col);
}

Value& Value::MutableAt(std::size_t row, std::size_t col) {
  GridPtr* grid = std::get_if<GridPtr>(&data_);
  if (grid == nullptr) throw ConversionError("the value is not a two-dimensional array");
  if (row >= (*grid)->rows || col >= (*grid)->cols) ThrowIndex(row, col);
  if (grid->use_count() > 1) *grid = std::make_shared<Grid>(**grid);
  return (*grid)->MutableCell(row, col);
}

// Values of different kinds are never equal (1 and 1.0 differ); arrays compare their
// elements, not their identity.
bool operator==(const Value& a, const Value& b) {
  if (a.data_.index() != b.data_.index()) return false;
  if (const auto* pa = std::get_if<Value::ArrayPtr>(&a.data_)) {
    return **pa == *std::get<Value::ArrayPtr>(b.data_);
  }
  if (const auto* ga = std::get_if<Value::GridPtr>(&a.data_)) {
    const Grid& x = **ga;
    const Grid& y = *std::get<Value::GridPtr>(b.data_);
    return x.rows == y.rows && x.cols == y.cols && x.DifferentRows(y).empty();
  }
  return a.data_ == b.data_;
}

}  // namespace ravochat
