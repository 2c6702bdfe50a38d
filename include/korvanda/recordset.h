// The in-memory, disconnected record set: fields built by hand or from a query's columns.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "korvanda/dispatch.h"
#include "korvanda/variant.h"

namespace korvanda {

// Data-access type codes of record-set fields.
enum FieldType : int32_t {
  adSmallInt = 2, adInteger = 3, adDouble = 5, adCurrency = 6, adDate = 7, adBoolean = 11,
  adUnsignedTinyInt = 17, adBigInt = 20, adChar = 129, adNumeric = 131, adVarChar = 200,
  adLongVarChar = 201
};
// Field attribute flags.
enum FieldAttribute : int32_t { adFldUpdatable = 4, adFldIsNullable = 32, adFldMayBeNull = 64 };
enum CursorType : int32_t { adOpenDynamic = 2, adOpenStatic = 3 };
enum LockType : int32_t { adLockReadOnly = 1, adLockOptimistic = 3 };

struct FieldInfo {
  std::string name;
  int32_t type = adVarChar;
  int32_t definedSize = 0;
  int32_t attributes = 0;
  bool nullable() const { return (attributes & (adFldIsNullable | adFldMayBeNull)) != 0; }
  bool isText() const { return type == adChar || type == adVarChar || type == adLongVarChar; }
};

// A stored value: 16 bytes, numbers inline, text in the record set's arena.
struct Cell {
  enum Kind : uint8_t { kEmpty, kNull, kBool, kByte, kI16, kI32, kI64, kDouble, kDate, kDecimal, kText };
  Kind kind = kEmpty;
  uint8_t scale = 0;  // kDecimal
  uint32_t length = 0;  // kText
  union {
    int64_t i;
    double d;
    uint64_t offset;  // kText: (chunk << 32) | position
  } u{0};
};
static_assert(sizeof(Cell) == 16);

class Recordset : public Dispatchable {
 public:
  Recordset();
  ~Recordset() override;
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  static std::shared_ptr<Recordset> create() { return std::make_shared<Recordset>(); }

  const DispatchTable& dispatchTable() const override;

  // Building. Fields are appended while closed; Open opens it empty.
  void appendField(std::string name, int32_t type, int32_t definedSize = 0, int32_t attributes = 0);
  // A column of a query result: names may repeat, and lookup by name finds the first.
  void appendResultField(std::string name, int32_t type, int32_t definedSize, int32_t attributes);
  void open();
  void close();
  int32_t state() const { return open_ ? 1 : 0; }
  void setLockType(int32_t lock) { lockType_ = lock; }
  int32_t lockType() const { return lockType_; }
  void setCursorType(int32_t cursor) { cursorType_ = cursor; }
  int32_t cursorType() const { return cursorType_; }

  // Fields.
  size_t fieldCount() const { return fields_.size(); }
  const FieldInfo& field(size_t index) const;  // 3265 when out of range
  std::optional<size_t> findField(std::string_view name) const;  // letter case ignored
  size_t fieldIndex(std::string_view name) const;  // 3265 when missing

  // Position.
  bool eof() const;
  bool bof() const;
  int32_t recordCount() const;  // -1 when closed
  size_t rowCount() const { return rows_; }
  void moveFirst();
  void moveNext();
  void movePrevious();
  void moveLast();
  std::optional<size_t> currentRow() const;
  void setPosition(size_t row);

  // Editing: AddNew appends a row and makes it current; Update ends the edit.
  void addNew();
  void update();

  // Values of the current row (3021 when there is none).
  Variant value(size_t col) const;
  Variant value(std::string_view name) const { return value(fieldIndex(name)); }
  void setValue(size_t col, const Variant& v);  // coerced to the field's type
  void setValue(std::string_view name, const Variant& v) { setValue(fieldIndex(name), v); }

  // Direct access for writers and engines: no Variant, no allocation.
  const Cell& cell(size_t row, size_t col) const { return cells_[row * fields_.size() + col]; }
  std::string_view text(const Cell& c) const;
  Variant toVariant(const Cell& c) const;
  // Appends a row of kEmpty cells without position changes (query materialisation).
  size_t appendRow();
  void storeCell(size_t row, size_t col, const Variant& v);  // no type coercion, no checks
  void storeText(size_t row, size_t col, std::string_view s);
  void storeNull(size_t row, size_t col);
  void storeInt(size_t row, size_t col, int64_t v, Cell::Kind kind = Cell::kI32);
  void storeDouble(size_t row, size_t col, double v);
  void storeDate(size_t row, size_t col, Date v);
  void storeDecimal(size_t row, size_t col, Decimal v);
  // Opens a materialised result (fields appended, rows stored) at its first row.
  void openMaterialised();

  size_t memoryBytes() const;

 private:
  Cell& mutableCell(size_t row, size_t col) { return cells_[row * fields_.size() + col]; }
  uint64_t storeBytes(std::string_view s);
  void requireOpen() const;
  size_t requireCurrent() const;

  std::vector<FieldInfo> fields_;
  std::vector<Cell> cells_;
  std::vector<std::unique_ptr<char[]>> chunks_;
  size_t chunkUsed_ = 0, chunkSize_ = 0;
  size_t rows_ = 0;
  // Position: 0..rows_-1 a record; rows_ is EOF; -1 is BOF.
  int64_t pos_ = -1;
  bool open_ = false;
  bool editing_ = false;
  int32_t lockType_ = adLockOptimistic;
  int32_t cursorType_ = adOpenStatic;
};

}  // namespace korvanda
