// How a record set stores its rows, for the engines that fill them: the 12-byte cell and direct
// cell access without Variant or allocation.
//
// The store members write without type coercion or checks: the caller keeps row < rowCount()
// (a forward-only record set holds its current row alone, whatever row is named) and
// col < fieldCount(). A record set is filled before it is opened (appendResultField, appendRow
// and the stores, then openMaterialised), or row by row by its RowSource.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>

#include "korvanda/recordset.h"
#include "korvanda/variant.h"

namespace korvanda {

enum class CellKind : uint8_t {
  kEmpty, kNull, kBool, kByte, kI16, kI32, kI64, kDouble, kDate, kDecimal, kText
};

// A stored value in 12 bytes: numbers inline, texts of up to 8 bytes inline, longer texts in the
// record set's arena (read them through Recordset::text).
struct Cell {
  using Kind = CellKind;
  using enum CellKind;
  static constexpr size_t kInlineText = 8;
  static constexpr uint16_t kLongText = 0xFFFF;  // the length is kept in the arena

  Kind kind = kEmpty;
  uint8_t scale = 0;        // kDecimal: digits after the point
  uint16_t textLength = 0;  // kText: the byte count, or kLongText
  unsigned char payload[8] = {};  // integer, double, inline text or arena position

  Cell() = default;
  explicit Cell(Kind k) : kind(k) {}

  int64_t integer() const { return load<int64_t>(); }
  double real() const { return load<double>(); }
  Date date() const { return Date{real()}; }
  Decimal decimal() const { return Decimal{integer(), scale}; }
  bool emptyText() const { return kind == kText && textLength == 0; }

  template <class T>
  void store(T v) {
    static_assert(sizeof(T) == sizeof payload);
    std::memcpy(payload, &v, sizeof payload);
  }
  template <class T>
  T load() const {
    T v;
    std::memcpy(&v, payload, sizeof payload);
    return v;
  }
};
static_assert(sizeof(Cell) == 12);

// The cell of row and col, valid until the next appendRow or AddNew (the first rows may move),
// Close, or a move of a forward-only record set. Recordset::text of a cell is valid as long as
// the cell (a short text lives in it).
inline const Cell& Recordset::cell(size_t row, size_t col) const {
  if (forwardOnly_) return window_[col];
  return blocks_[row >> kBlockShift][(row & (kBlockRows - 1)) * fields_.size() + col];
}

}  // namespace korvanda
