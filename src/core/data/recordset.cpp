#include "korvanda/recordset.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "korvanda/error.h"
#include "korvanda/textform.h"
#include "core/binder.h"
#include "core/ascii.h"
#include "core/recordset_store.h"

namespace korvanda {
namespace {
constexpr size_t kFirstChunk = 4 * 1024, kLargestChunk = 256 * 1024;
constexpr size_t kFirstBlockRows = 8;

// Letter case is ignored for ASCII and for the Latin-1 letters (Ñ/ñ, accented vowels).
bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x == y) continue;
    if (x < 0x80 && y < 0x80) {
      if (ascii::lower(a[i]) != ascii::lower(b[i])) return false;
      continue;
    }
    // Second byte of a U+00C0..U+00DE / U+00E0..U+00FE pair after 0xC3: differ by 0x20.
    if (i > 0 && static_cast<unsigned char>(a[i - 1]) == 0xC3 && a[i - 1] == b[i - 1] &&
        (x | 0x20) == (y | 0x20) && (x | 0x20) >= 0xA0 && (x | 0x20) <= 0xBE && (x | 0x20) != 0xB7)
      continue;
    return false;
  }
  return true;
}
}  // namespace

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

Cell& Recordset::mutableCell(size_t row, size_t col) {
  return const_cast<Cell&>(std::as_const(*this).cell(row, col));
}

void Recordset::appendField(std::string name, int32_t type, int32_t definedSize,
                            int32_t attributes) {
  if (open_) throw errors::openObject();
  if (findField(name)) throw errors::alreadyInCollection(name);
  switch (type) {
    case adSmallInt: case adInteger: case adDouble: case adCurrency: case adDate: case adBoolean:
    case adUnsignedTinyInt: case adBigInt: case adChar: case adNumeric: case adVarChar:
    case adLongVarChar:
      break;
    default:
      throw Error(3001, "ADODB.Fields", "Arguments are of the wrong type, are out of acceptable "
                                        "range, or are in conflict with one another: type " +
                                            std::to_string(type));
  }
  fields_.push_back(FieldInfo{std::move(name), type, definedSize, attributes});
}

void Recordset::appendResultField(std::string name, int32_t type, int32_t definedSize,
                                  int32_t attributes) {
  if (open_) throw errors::openObject();
  fields_.push_back(FieldInfo{std::move(name), type, definedSize, attributes});
}

void Recordset::open() {
  if (open_) throw errors::openObject();
  if (fields_.empty()) throw errors::notAllowedInContext("the record set has no fields");
  open_ = true;
  pos_ = 0;  // empty: BOF and EOF at once
}

void Recordset::openMaterialised() {
  open_ = true;
  pos_ = 0;
}

// Forward only: the source gives each row once, into the one row of cells held.
void Recordset::openForwardOnly(std::unique_ptr<RowSource> source) {
  if (open_) throw errors::openObject();
  if (fields_.empty()) throw errors::notAllowedInContext("the record set has no fields");
  source_ = std::move(source);
  window_ = std::make_unique<Cell[]>(fields_.size());
  forwardOnly_ = true;
  exhausted_ = false;
  cursorType_ = adOpenForwardOnly;
  lockType_ = adLockReadOnly;
  open_ = true;
  rows_ = 0;
  pos_ = -1;
  fetchForward();
}

void Recordset::fetchForward() {
  std::fill_n(window_.get(), fields_.size(), Cell{});
  // The texts of the row before are no longer reachable: the arena starts again in its last
  // (largest) chunk.
  if (chunks_.size() > 1) {
    chunks_.erase(chunks_.begin(), chunks_.end() - 1);
    arenaBytes_ = chunkSize_;
  }
  chunkUsed_ = 0;
  if (!exhausted_ && source_->fetch(*this, rows_)) {
    ++rows_;
    ++pos_;
    return;
  }
  exhausted_ = true;
  pos_ = static_cast<int64_t>(rows_);
}

void Recordset::close() {
  requireOpen();
  open_ = false;
  editing_ = false;
  source_.reset();
  window_.reset();
  forwardOnly_ = exhausted_ = false;
  // Closing releases the rows: fields appended afterwards never meet rows laid out for fewer.
  blocks_.clear();
  firstBlockRows_ = 0;
  chunks_.clear();
  chunkUsed_ = chunkSize_ = arenaBytes_ = 0;
  rows_ = 0;
  pos_ = -1;
}

const FieldInfo& Recordset::field(size_t index) const {
  if (index >= fields_.size()) throw errors::fieldNotFound(std::to_string(index));
  return fields_[index];
}

std::optional<size_t> Recordset::findField(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (equalsIgnoreCase(fields_[i].name, name)) return i;
  return std::nullopt;
}

size_t Recordset::fieldIndex(std::string_view name) const {
  if (auto i = findField(name)) return *i;
  throw errors::fieldNotFound(std::string(name));
}

void Recordset::requireOpen() const {
  if (!open_) throw errors::closedObject();
}

bool Recordset::eof() const {
  requireOpen();
  return rows_ == 0 || pos_ >= static_cast<int64_t>(rows_);
}
bool Recordset::bof() const {
  requireOpen();
  return rows_ == 0 || pos_ < 0;
}
int32_t Recordset::recordCount() const {
  if (!open_ || (forwardOnly_ && !exhausted_)) return -1;
  return static_cast<int32_t>(std::min<size_t>(rows_, INT32_MAX));
}

void Recordset::moveFirst() {
  requireOpen();
  editing_ = false;
  // A forward-only record set is at its first row until it moves past it.
  if (forwardOnly_ && pos_ > 0) throw errors::cannotRestart();
  pos_ = 0;
}
void Recordset::moveLast() {
  requireOpen();
  if (forwardOnly_) throw errors::cannotFetchBackward();
  editing_ = false;
  pos_ = rows_ ? static_cast<int64_t>(rows_) - 1 : 0;
}
void Recordset::moveNext() {
  if (eof()) throw errors::noCurrentRecord();
  editing_ = false;
  if (forwardOnly_) return fetchForward();
  ++pos_;
}
void Recordset::movePrevious() {
  requireOpen();
  if (forwardOnly_) throw errors::cannotFetchBackward();
  if (bof()) throw errors::noCurrentRecord();
  editing_ = false;
  --pos_;
}

std::optional<size_t> Recordset::currentRow() const {
  if (!open_ || pos_ < 0 || pos_ >= static_cast<int64_t>(rows_)) return std::nullopt;
  return static_cast<size_t>(pos_);
}
void Recordset::setPosition(size_t row) {
  if (forwardOnly_) throw errors::cannotFetchBackward();
  pos_ = static_cast<int64_t>(std::min(row, rows_));
}

size_t Recordset::requireCurrent() const {
  requireOpen();
  auto r = currentRow();
  if (!r) throw errors::noCurrentRecord();
  return *r;
}

void Recordset::addNew() {
  requireOpen();
  if (lockType_ == adLockReadOnly || forwardOnly_) throw errors::notUpdatable();
  size_t row = appendRow();
  pos_ = static_cast<int64_t>(row);
  editing_ = true;
}

void Recordset::update() {
  requireOpen();
  if (lockType_ == adLockReadOnly || forwardOnly_) throw errors::notUpdatable();
  requireCurrent();
  editing_ = false;
}

Recordset::CellBlock Recordset::allocateCells(size_t count) {
  // Cells are trivially copyable: the storage holds them as soon as it is allocated.
  void* p = std::malloc(std::max<size_t>(count, 1) * sizeof(Cell));
  if (!p) throw std::bad_alloc();
  return CellBlock(static_cast<Cell*>(p));
}

size_t Recordset::appendRow() {
  const size_t nf = fields_.size();
  if (rows_ < kBlockRows) {
    if (rows_ == firstBlockRows_) {  // the first block grows by doubling
      const size_t rows = firstBlockRows_ ? std::min(firstBlockRows_ * 2, kBlockRows) : kFirstBlockRows;
      CellBlock block = allocateCells(rows * nf);
      if (rows_) std::copy_n(blocks_[0].get(), rows_ * nf, block.get());
      if (blocks_.empty()) blocks_.push_back(std::move(block));
      else blocks_[0] = std::move(block);
      firstBlockRows_ = rows;
    }
  } else if ((rows_ & (kBlockRows - 1)) == 0) {
    blocks_.push_back(allocateCells(kBlockRows * nf));
  }
  std::fill_n(&blocks_[rows_ >> kBlockShift][(rows_ & (kBlockRows - 1)) * nf], nf, Cell{});
  return rows_++;
}

// Copies prefix and s, one after the other, into the arena; returns (chunk << 32) | position.
uint64_t Recordset::storeBytes(std::string_view prefix, std::string_view s) {
  const size_t n = prefix.size() + s.size();
  if (chunks_.empty() || chunkUsed_ + n > chunkSize_) {
    size_t size = chunks_.empty() ? kFirstChunk : std::min(chunkSize_ * 2, kLargestChunk);
    size = std::max(size, n);
    chunks_.push_back(std::make_unique<char[]>(size));
    chunkSize_ = size;
    chunkUsed_ = 0;
    arenaBytes_ += size;
  }
  char* at = chunks_.back().get() + chunkUsed_;
  if (!prefix.empty()) std::memcpy(at, prefix.data(), prefix.size());
  std::memcpy(at + prefix.size(), s.data(), s.size());  // s is never empty here
  uint64_t off = (static_cast<uint64_t>(chunks_.size() - 1) << 32) | chunkUsed_;
  chunkUsed_ += n;
  return off;
}

std::string_view Recordset::text(const Cell& c) const {
  if (c.kind != Cell::kText) return {};
  if (c.textLength <= Cell::kInlineText)
    return {reinterpret_cast<const char*>(c.payload), c.textLength};
  const uint64_t off = c.load<uint64_t>();
  const char* at = chunks_[off >> 32].get() + (off & 0xFFFFFFFFu);
  if (c.textLength != Cell::kLongText) return {at, c.textLength};
  uint64_t length;
  std::memcpy(&length, at, sizeof length);
  return {at + sizeof length, length};
}

void Recordset::storeText(size_t row, size_t col, std::string_view s) {
  Cell& c = mutableCell(row, col);
  c = Cell{Cell::kText};
  if (s.size() <= Cell::kInlineText) {
    c.textLength = static_cast<uint16_t>(s.size());
    if (!s.empty()) std::memcpy(c.payload, s.data(), s.size());
  } else if (s.size() < Cell::kLongText) {
    c.textLength = static_cast<uint16_t>(s.size());
    c.store(storeBytes({}, s));
  } else {
    const uint64_t length = s.size();
    c.textLength = Cell::kLongText;
    c.store(storeBytes({reinterpret_cast<const char*>(&length), sizeof length}, s));
  }
}
void Recordset::storeNull(size_t row, size_t col) { mutableCell(row, col) = Cell{Cell::kNull}; }
void Recordset::storeInt(size_t row, size_t col, int64_t v) { storeInt(row, col, v, Cell::kI32); }
void Recordset::storeInt(size_t row, size_t col, int64_t v, CellKind kind) {
  Cell& c = mutableCell(row, col);
  c = Cell{kind};
  c.store(v);
}
void Recordset::storeDouble(size_t row, size_t col, double v) {
  Cell& c = mutableCell(row, col);
  c = Cell{Cell::kDouble};
  c.store(v);
}
void Recordset::storeDate(size_t row, size_t col, Date v) {
  Cell& c = mutableCell(row, col);
  c = Cell{Cell::kDate};
  c.store(v.serial);
}
void Recordset::storeDecimal(size_t row, size_t col, Decimal v) {
  Cell& c = mutableCell(row, col);
  c = Cell{Cell::kDecimal};
  c.scale = v.scale;
  c.store(v.mantissa);
}

void Recordset::storeCell(size_t row, size_t col, const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: case VarType::Missing: mutableCell(row, col) = Cell{}; break;
    case VarType::Null: storeNull(row, col); break;
    case VarType::Bool: storeInt(row, col, *v.get_if<bool>() ? 1 : 0, Cell::kBool); break;
    case VarType::UI1: storeInt(row, col, *v.get_if<uint8_t>(), Cell::kByte); break;
    case VarType::I2: storeInt(row, col, *v.get_if<int16_t>(), Cell::kI16); break;
    case VarType::I4: storeInt(row, col, *v.get_if<int32_t>(), Cell::kI32); break;
    case VarType::I8: storeInt(row, col, *v.get_if<int64_t>(), Cell::kI64); break;
    case VarType::R8: storeDouble(row, col, *v.get_if<double>()); break;
    case VarType::Date: storeDate(row, col, *v.get_if<Date>()); break;
    case VarType::Decimal: storeDecimal(row, col, *v.get_if<Decimal>()); break;
    case VarType::Text: storeText(row, col, *v.get_if<std::string>()); break;
    case VarType::Object: throw errors::typeMismatch("an object cannot be stored in a field");
  }
}

Variant Recordset::toVariant(const Cell& c) const {
  switch (c.kind) {
    case Cell::kEmpty: return Variant();
    case Cell::kNull: return Null{};
    case Cell::kBool: return c.integer() != 0;
    case Cell::kByte: return static_cast<uint8_t>(c.integer());
    case Cell::kI16: return static_cast<int16_t>(c.integer());
    case Cell::kI32: return static_cast<int32_t>(c.integer());
    case Cell::kI64: return c.integer();
    case Cell::kDouble: return c.real();
    case Cell::kDate: return c.date();
    case Cell::kDecimal: return c.decimal();
    case Cell::kText: return std::string(text(c));
  }
  return Variant();
}

Variant Recordset::value(size_t col) const {
  size_t row = requireCurrent();
  field(col);
  return toVariant(cell(row, col));
}

Variant Recordset::valueAt(size_t row, size_t col) const { return toVariant(cell(row, col)); }

void Recordset::setValue(size_t col, const Variant& v) {
  size_t row = requireCurrent();
  const FieldInfo& f = field(col);
  if (lockType_ == adLockReadOnly || forwardOnly_) throw errors::notUpdatable();
  if (v.isNull() || v.isEmpty()) {
    if (v.isNull() && !f.nullable())
      throw errors::multipleStep("field " + f.name + " does not accept Null");
    if (v.isNull()) storeNull(row, col);
    else mutableCell(row, col) = Cell{};
    return;
  }
  switch (f.type) {
    case adSmallInt: storeInt(row, col, toInt16(v), Cell::kI16); break;
    case adInteger: storeInt(row, col, toInt32(v), Cell::kI32); break;
    case adBigInt: storeInt(row, col, toInt64(v), Cell::kI64); break;
    case adUnsignedTinyInt: storeInt(row, col, toByte(v), Cell::kByte); break;
    case adBoolean: storeInt(row, col, toBool(v) ? 1 : 0, Cell::kBool); break;
    case adDouble: storeDouble(row, col, toDouble(v)); break;
    case adDate: storeDate(row, col, toDate(v)); break;
    case adCurrency: case adNumeric: storeDecimal(row, col, toDecimal(v)); break;
    default: {
      std::string s = toText(v);
      if (f.type != adLongVarChar && f.definedSize > 0 &&
          utf8Length(s) > static_cast<size_t>(f.definedSize))
        throw errors::multipleStep("value longer than the " + std::to_string(f.definedSize) +
                                   " characters of field " + f.name);
      storeText(row, col, s);
    }
  }
}

size_t Recordset::memoryBytes() const {
  size_t cells = 0;
  for (size_t b = 0; b < blocks_.size(); ++b) cells += (b == 0 ? firstBlockRows_ : kBlockRows);
  if (forwardOnly_) cells = 1;
  return cells * fields_.size() * sizeof(Cell) + arenaBytes_ +
         fields_.capacity() * sizeof(FieldInfo);
}

// ---- late-bound members ---------------------------------------------------------------

namespace {
size_t columnOf(const Recordset& rs, const Variant& key) {
  if (key.isText()) return rs.fieldIndex(*key.get_if<std::string>());
  int32_t i = toInt32(key);
  if (i < 0) throw errors::fieldNotFound(std::to_string(i));
  rs.field(static_cast<size_t>(i));
  return static_cast<size_t>(i);
}
size_t ordinal(const Recordset& rs, int32_t i) {
  if (i < 0) throw errors::fieldNotFound(std::to_string(i));
  rs.field(static_cast<size_t>(i));
  return static_cast<size_t>(i);
}
}  // namespace

const DispatchTable& Recordset::dispatchTable() const {
  using namespace binder;
  using R = Recordset;
  static const DispatchTable table(
      "ADODB.Recordset",
      {
          method("Open", &R::open),
          method("Close", &R::close),
          method("AddNew", &R::addNew),
          method("Update", &R::update),
          method("MoveFirst", &R::moveFirst),
          method("MoveNext", &R::moveNext),
          method("MovePrevious", &R::movePrevious),
          method("MoveLast", &R::moveLast),
          method("Fields.Append",
                 +[](R& rs, std::string name, int32_t type, std::optional<int32_t> size,
                     std::optional<int32_t> attributes) {
                   rs.appendField(std::move(name), type, size.value_or(0), attributes.value_or(0));
                 }),
          get("EOF", &R::eof),
          get("BOF", &R::bof),
          get("RecordCount", &R::recordCount),
          get("State", &R::state),
          get("CursorType", &R::cursorType),
          get("Fields.Count", +[](R& rs) { return static_cast<int32_t>(rs.fieldCount()); }),
          get("Fields.Name", +[](R& rs, int32_t i) { return rs.field(ordinal(rs, i)).name; }),
          get("Fields.Type", +[](R& rs, int32_t i) { return rs.field(ordinal(rs, i)).type; }),
          get("Fields.DefinedSize",
              +[](R& rs, int32_t i) { return rs.field(ordinal(rs, i)).definedSize; }),
          get("Fields.Attributes",
              +[](R& rs, int32_t i) { return rs.field(ordinal(rs, i)).attributes; }),
          get("Value", +[](R& rs, Variant key) { return rs.value(columnOf(rs, key)); }),
          put("Value", +[](R& rs, Variant key, Variant v) { rs.setValue(columnOf(rs, key), v); }),
      });
  return table;
}

}  // namespace korvanda
