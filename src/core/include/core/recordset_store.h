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

// A value of the row held as cells, in 12 bytes: numbers inline, texts of up to 8 bytes inline,
// longer texts by address (read them through Recordset::text).
struct Cell {
  using Kind = CellKind;
  using enum CellKind;
  static constexpr size_t kInlineText = 8;
  static constexpr uint16_t kLongText = 0xFFFF;  // the length is kept before the bytes

  Kind kind = kEmpty;
  uint8_t scale = 0;        // kDecimal: digits after the point
  uint16_t textLength = 0;  // kText: the byte count, or kLongText
  unsigned char payload[8] = {};  // integer, double, inline text or text address

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

// The cell of row and col. Rows are kept encoded and one row at a time is held as cells, so a
// reference (and Recordset::text of it) is valid until a cell of another row is read or
// stored, the next appendRow, AddNew or Update, Close, or a move of a forward-only record set:
// read a row's cells, then the next row's, never two rows' at once.
inline const Cell& Recordset::cell(size_t row, size_t col) const {
  if (forwardOnly_ || row == windowRow_) return window_[col];
  return loadRow(row)[col];
}

}  // namespace korvanda
