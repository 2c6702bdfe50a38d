// The in-memory, disconnected record set: typed fields, rows and a current position, built by
// the caller (Fields.Append, Open, AddNew) or handed out by a query. It never holds a database
// handle, except a forward-only record set from Connection::openForwardOnly, which reads its
// rows from the open statement as it moves.
//
// Ownership: record sets are shared (RecordsetRef, std::shared_ptr); the last reference frees
// the rows. Values come out as Variant copies that own their texts.
// Threads: a record set is not safe for concurrent use. One thread at a time, also for the const
// members; different record sets may be used on different threads at once.
// Errors are korvanda::Error with the data-access numbers of error.h: 3704 closed, 3705 open,
// 3021 no current record, 3265 no such field, 3251 read-only, -2147217887 a value the field
// does not take (Null where Null is not allowed, a text longer than the field).
#pragma once

#include <cstdint>
#include <cstdlib>
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
  int32_t definedSize = 0;  // characters of a text field; 0 is no limit
  int32_t attributes = 0;
  bool nullable() const { return (attributes & (adFldIsNullable | adFldMayBeNull)) != 0; }
  bool isText() const { return type == adChar || type == adVarChar || type == adLongVarChar; }
};

// How rows are stored; defined for the library's engines in its core (core/recordset_store.h),
// not part of this interface.
struct Cell;
enum class CellKind : uint8_t;

// What a forward-only record set knows of its size before its end: a count of records (a count
// query) or the bytes of its input.
struct SizeHint {
  enum Unit : uint8_t { kRecords, kBytes };
  Unit unit = kRecords;
  int64_t total = 0;
};

class Recordset;

// Where a forward-only record set's rows come from (an open statement, a file being read). The
// record set owns its source and calls it on the thread that moves it.
class RowSource {
 public:
  virtual ~RowSource() = default;
  // Stores the next row's values into row `row` of rs (every field, through the bulk stores
  // below); false at the end. What it throws fails the move that asked for the row.
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

  // A closed record set without fields, optimistic lock, static cursor.
  static std::shared_ptr<Recordset> create() { return std::make_shared<Recordset>(); }

  const DispatchTable& dispatchTable() const override;

  // ---- Building. Fields are appended while closed; a name may be used once (letter case
  // ignored): 3705 when open, 3367 for a repeated name, 3001 for an unknown type code.
  void appendField(std::string name, int32_t type, int32_t definedSize = 0, int32_t attributes = 0);
  // Opens it empty at BOF and EOF at once: 3705 when open, 3219 without fields.
  void open();
  // Releases the rows and keeps the fields: 3704 when already closed.
  void close();
  int32_t state() const { return open_ ? 1 : 0; }
  void setLockType(int32_t lock) { lockType_ = lock; }
  int32_t lockType() const { return lockType_; }
  void setCursorType(int32_t cursor) { cursorType_ = cursor; }
  int32_t cursorType() const { return cursorType_; }
  // Whether its rows are read from an open statement as it moves (see Connection).
  bool forwardOnly() const { return forwardOnly_; }

  // ---- Fields. A FieldInfo reference lasts until the next appendField.
  size_t fieldCount() const { return fields_.size(); }
  const FieldInfo& field(size_t index) const;  // 3265 when out of range
  std::optional<size_t> findField(std::string_view name) const;  // letter case ignored
  size_t fieldIndex(std::string_view name) const;  // 3265 when missing

  // ---- Position: a row, or BOF before the first, or EOF after the last. A forward-only record
  // set moves forward only: MoveFirst once past its first row fails with -2147217896,
  // MovePrevious, MoveLast and setPosition with -2147217884.
  bool eof() const;  // 3704 when closed
  bool bof() const;  // 3704 when closed
  // -1 when closed, and for a forward-only record set until its end is reached.
  int32_t recordCount() const;
  size_t rowCount() const { return rows_; }  // rows held (forward-only: read so far)
  void moveFirst();
  void moveNext();  // 3021 at EOF
  void movePrevious();  // 3021 at BOF
  void moveLast();
  std::optional<size_t> currentRow() const;  // nullopt at BOF, at EOF and when closed
  void setPosition(size_t row);  // a row past the last is EOF

  // ---- Editing: AddNew appends an empty row and makes it current; Update ends the edit. Both
  // fail with 3251 when the record set is read-only or forward-only.
  void addNew();
  void update();

  // ---- Values of the current row: 3021 when there is none, 3265 for an unknown field.
  Variant value(size_t col) const;
  Variant value(std::string_view name) const { return value(fieldIndex(name)); }
  // Coerced to the field's type: 6 overflow, 13 type mismatch, 3251 read-only, -2147217887 Null
  // into a field that does not take it or a text longer than the field. Empty clears the value.
  void setValue(size_t col, const Variant& v);
  void setValue(std::string_view name, const Variant& v) { setValue(fieldIndex(name), v); }

  // The value at row and col without moving (a forward-only record set holds its current row
  // alone, whatever row is named); the caller keeps row < rowCount() and col < fieldCount().
  Variant valueAt(size_t row, size_t col) const;

  // ---- Bulk building, for readers that fill a record set from a file or a statement without a
  // Variant or a check per value: fields with appendResultField, then rows with appendRow and
  // the stores, then openMaterialised; or openForwardOnly with a RowSource that stores each row
  // as it is asked for. The stores neither coerce nor check: the caller keeps row < rowCount()
  // and col < fieldCount(), and stores values of the field's kind.
  void appendResultField(std::string name, int32_t type, int32_t definedSize, int32_t attributes);
  size_t appendRow();
  void storeCell(size_t row, size_t col, const Variant& v);
  void storeText(size_t row, size_t col, std::string_view s);
  void storeNull(size_t row, size_t col);
  void storeDouble(size_t row, size_t col, double v);
  void openMaterialised();
  void openForwardOnly(std::unique_ptr<RowSource> source);

  // ---- The library's engines fill and read cells directly; Cell and its contract are in
  // core/recordset_store.h. Not exported.
  KORVANDA_LOCAL inline const Cell& cell(size_t row, size_t col) const;
  KORVANDA_LOCAL std::string_view text(const Cell& c) const;
  KORVANDA_LOCAL Variant toVariant(const Cell& c) const;
  KORVANDA_LOCAL void storeInt(size_t row, size_t col, int64_t v);  // a 32-bit integer
  KORVANDA_LOCAL void storeInt(size_t row, size_t col, int64_t v, CellKind kind);
  KORVANDA_LOCAL void storeDate(size_t row, size_t col, Date v);
  KORVANDA_LOCAL void storeDecimal(size_t row, size_t col, Decimal v);
  RowSource* source() const { return source_.get(); }
  KORVANDA_LOCAL size_t memoryBytes() const;

 private:
  // Bytes in chunks that never move: 4 KiB doubling up to `largest`, larger for a larger request.
  struct Arena {
    struct Free {
      void operator()(char* p) const { std::free(p); }
    };
    std::vector<std::unique_ptr<char[], Free>> chunks;
    size_t largest = 0;
    size_t used = 0, size = 0, bytes = 0;
    explicit Arena(size_t largestChunk) : largest(largestChunk) {}
    KORVANDA_LOCAL char* allocate(size_t n);
    KORVANDA_LOCAL void clear();
    KORVANDA_LOCAL void rewind();  // keeps the last (largest) chunk, empty
    void giveBack(size_t n) { used -= n; }  // the end of the last allocation
  };

  KORVANDA_LOCAL Cell& mutableCell(size_t row, size_t col);
  KORVANDA_LOCAL const Cell* loadRow(size_t row) const;
  KORVANDA_LOCAL void seekRow(size_t row);
  KORVANDA_LOCAL void sealRow();
  KORVANDA_LOCAL void fetchForward();
  KORVANDA_LOCAL void requireOpen() const;
  KORVANDA_LOCAL size_t requireCurrent() const;

  std::vector<FieldInfo> fields_;
  // Finished rows are encoded one after another in rowBytes_, a field in as few bytes as its
  // value needs; rowAt_ holds where each row starts (nullptr: not encoded yet). The window holds
  // one row as cells: the row being filled, edited or read (forward only: the current row).
  // Texts stored into the window that a cell does not hold live in scratch_ until the window
  // leaves the row.
  Arena rowBytes_{size_t{2} << 20}, scratch_{size_t{256} << 10};
  std::vector<char*> rowAt_;
  std::unique_ptr<Cell[]> window_;
  static constexpr size_t kNoRow = SIZE_MAX;
  size_t windowRow_ = kNoRow;
  bool windowDirty_ = false;  // the window's cells differ from the row's encoding
  size_t rows_ = 0;
  // Forward only: the source and whether it has ended.
  std::unique_ptr<RowSource> source_;
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
