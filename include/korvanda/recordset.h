// The in-memory, disconnected record set: fields built by hand or from a query's columns.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "korvanda/dispatch.h"
#include "korvanda/variant.h"
#include "korvanda/export.h"

KORVANDA_API_BEGIN
namespace korvanda {

// Data-access type codes of record-set fields.
enum FieldType : int32_t {
  adSmallInt = 2, adInteger = 3, adDouble = 5, adCurrency = 6, adDate = 7, adBoolean = 11,
  adUnsignedTinyInt = 17, adBigInt = 20, adChar = 129, adNumeric = 131, adVarChar = 200,
  adLongVarChar = 201
};
// Field attribute flags.
enum FieldAttribute : int32_t { adFldUpdatable = 4, adFldIsNullable = 32, adFldMayBeNull = 64 };
enum CursorType : int32_t { adOpenForwardOnly = 0, adOpenDynamic = 2, adOpenStatic = 3 };
enum LockType : int32_t { adLockReadOnly = 1, adLockOptimistic = 3 };

struct FieldInfo {
  std::string name;
  int32_t type = adVarChar;
  int32_t definedSize = 0;
  int32_t attributes = 0;
  bool nullable() const { return (attributes & (adFldIsNullable | adFldMayBeNull)) != 0; }
  bool isText() const { return type == adChar || type == adVarChar || type == adLongVarChar; }
};

// A stored value in 12 bytes: numbers inline, texts of up to 8 bytes inline, longer texts in the
// record set's arena (read them through Recordset::text).
struct Cell {
  enum Kind : uint8_t { kEmpty, kNull, kBool, kByte, kI16, kI32, kI64, kDouble, kDate, kDecimal, kText };
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

class Recordset;

// What a forward-only record set knows of its size before its end: a count of records (a count
// query) or the bytes of its input.
struct SizeHint {
  enum Unit : uint8_t { kRecords, kBytes };
  Unit unit = kRecords;
  int64_t total = 0;
};

// Where a forward-only record set's rows come from (an open statement, a file being read): each
// fetch stores one row through the record set's store members.
class RowSource {
 public:
  virtual ~RowSource() = default;
  // Stores the next row's values into row `row` of rs (every field); false at the end.
  virtual bool fetch(Recordset& rs, size_t row) = 0;
  virtual std::optional<SizeHint> sizeHint() { return std::nullopt; }
  // Bytes of input read so far, for a hint in bytes.
  virtual int64_t bytesRead() const { return 0; }
};

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

  // Direct access for writers and engines: no Variant, no allocation. A forward-only record
  // set holds its current row alone, whatever row is named.
  const Cell& cell(size_t row, size_t col) const {
    if (forwardOnly_) return window_[col];
    return blocks_[row >> kBlockShift][(row & (kBlockRows - 1)) * fields_.size() + col];
  }
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
  // Opens read-only and forward-only over a source (fields appended) at its first row. Only the
  // current row is held; RecordCount is -1 until the end is reached.
  void openForwardOnly(std::unique_ptr<RowSource> source);
  bool forwardOnly() const { return forwardOnly_; }
  RowSource* source() const { return source_.get(); }

  size_t memoryBytes() const;

 private:
  Cell& mutableCell(size_t row, size_t col) {
    if (forwardOnly_) return window_[col];
    return blocks_[row >> kBlockShift][(row & (kBlockRows - 1)) * fields_.size() + col];
  }
  void fetchForward();
  uint64_t storeBytes(std::string_view prefix, std::string_view s);
  void requireOpen() const;
  size_t requireCurrent() const;

  std::vector<FieldInfo> fields_;
  // Rows live in blocks of kBlockRows rows; the first block grows up to that size. A large
  // result never holds spare capacity, and its cells never move once written.
  // A block's cells are written row by row as rows are appended, never filled beforehand.
  static constexpr size_t kBlockShift = 10, kBlockRows = size_t{1} << kBlockShift;
  struct FreeCells {
    void operator()(Cell* cells) const { std::free(cells); }
  };
  using CellBlock = std::unique_ptr<Cell[], FreeCells>;
  static CellBlock allocateCells(size_t count);
  std::vector<CellBlock> blocks_;
  size_t firstBlockRows_ = 0;  // capacity of blocks_[0]
  // Texts longer than a cell holds: chunks that grow from 4 KiB to 256 KiB.
  std::vector<std::unique_ptr<char[]>> chunks_;
  size_t chunkUsed_ = 0, chunkSize_ = 0, arenaBytes_ = 0;
  size_t rows_ = 0;
  // Forward only: the source, the current row's cells, whether the source has ended.
  std::unique_ptr<RowSource> source_;
  std::unique_ptr<Cell[]> window_;
  bool forwardOnly_ = false;
  bool exhausted_ = false;
  // Position: 0..rows_-1 a record; rows_ is EOF; -1 is BOF.
  int64_t pos_ = -1;
  bool open_ = false;
  bool editing_ = false;
  int32_t lockType_ = adLockOptimistic;
  int32_t cursorType_ = adOpenStatic;
};

}  // namespace korvanda
KORVANDA_API_END
