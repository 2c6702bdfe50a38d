#include "korvanda/recordset.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#include <sys/mman.h>

#include "korvanda/error.h"
#include "korvanda/textform.h"
#include "core/binder.h"
#include "core/ascii.h"
#include "core/recordset_store.h"

namespace korvanda {
namespace {
constexpr size_t kFirstChunk = 4 * 1024;
constexpr size_t kHugePage = size_t{2} << 20;

// A row is its fields one after another, each a header byte (the CellKind in the low four
// bits, a count in the high four) and as many bytes as the value needs:
//   Empty, Null: nothing;
//   integers: the count is the bytes of the zigzagged value, little-endian (0 for 0);
//   Double, Date: an integral value below 2^53 as an integer, else count 15 and the 8 bytes;
//   Decimal: the scale byte, then the mantissa as an integer;
//   Text: a length below 15 in the count, else count 15 and the length as a varint; the bytes.
static_assert(std::endian::native == std::endian::little, "values are copied as little-endian");
constexpr unsigned kWide = 15;

uint64_t zigzag(int64_t v) {
  return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63);
}
int64_t unzigzag(uint64_t u) {
  return static_cast<int64_t>(u >> 1) ^ -static_cast<int64_t>(u & 1);
}
unsigned byteCount(uint64_t u) { return static_cast<unsigned>((std::bit_width(u) + 7) / 8); }
unsigned varintSize(uint64_t u) { return static_cast<unsigned>((std::bit_width(u) + 6) / 7); }

char* putVarint(char* out, uint64_t u) {
  for (; u >= 0x80; u >>= 7) *out++ = static_cast<char>(u | 0x80);
  *out++ = static_cast<char>(u);
  return out;
}
uint64_t getVarint(const char*& in) {
  uint64_t u = 0;
  for (unsigned shift = 0;; shift += 7) {
    const auto b = static_cast<unsigned char>(*in++);
    u |= static_cast<uint64_t>(b & 0x7F) << shift;
    if (b < 0x80) return u;
  }
}
// Values are read and written eight bytes at a time, whatever their length: a chunk keeps
// kSlack bytes after the last allocation, and a row's room has eight bytes after each value.
constexpr size_t kSlack = 8;
uint64_t getBytes(const char*& in, unsigned n) {
  uint64_t u;
  std::memcpy(&u, in, sizeof u);
  in += n;
  return n == 8 ? u : u & ((uint64_t{1} << (8 * n)) - 1);
}

// The integer a double holds exactly, when it is one and not -0.
std::optional<int64_t> integral(double d) {
  if (!(d >= -0x1p53 && d <= 0x1p53)) return std::nullopt;
  const auto i = static_cast<int64_t>(d);
  if (static_cast<double>(i) != d || (i == 0 && std::signbit(d))) return std::nullopt;
  return i;
}

// The most bytes a field takes: a header, a varint length or a scale byte, 8 bytes of value.
constexpr size_t kFieldBound = 11;
static_assert(kFieldBound >= 2 + sizeof(uint64_t), "a value is written as eight bytes");

// Writes one field; text is the cell's text when it is one.
char* encode(char* out, const Cell& c, std::string_view text) {
  char* const header = out++;
  unsigned count = 0;
  uint64_t number = 0;
  switch (c.kind) {
    case Cell::kEmpty: case Cell::kNull:
      break;
    case Cell::kText:
      if (text.size() < kWide) {
        count = static_cast<unsigned>(text.size());
      } else {
        count = kWide;
        out = putVarint(out, text.size());
      }
      std::memcpy(out, text.data(), text.size());
      out += text.size();
      break;
    case Cell::kDouble: case Cell::kDate:
      if (auto i = integral(c.real())) {
        number = zigzag(*i);
        count = byteCount(number);
      } else {
        count = kWide;
        std::memcpy(out, c.payload, sizeof(double));
        out += sizeof(double);
      }
      break;
    case Cell::kDecimal:
      *out++ = static_cast<char>(c.scale);
      [[fallthrough]];
    default:  // and the integers
      number = zigzag(c.integer());
      count = byteCount(number);
  }
  if (count != kWide && c.kind != Cell::kText) {
    std::memcpy(out, &number, sizeof number);
    out += count;
  }
  *header = static_cast<char>(static_cast<unsigned>(c.kind) | count << 4);
  return out;
}

// Decodes one field into c; long texts stay where they are and c holds their address.
const char* decode(const char* in, Cell& c) {
  const auto header = static_cast<unsigned char>(*in++);
  const unsigned count = header >> 4;
  c = Cell{static_cast<CellKind>(header & 0x0F)};
  switch (c.kind) {
    case Cell::kEmpty: case Cell::kNull: return in;
    case Cell::kText: {
      const char* lengthAt = in;
      const size_t n = count == kWide ? getVarint(in) : count;
      if (n <= Cell::kInlineText) {
        c.textLength = static_cast<uint16_t>(n);
        const char* from = in;
        c.store(getBytes(from, static_cast<unsigned>(n)));
      } else if (n < Cell::kLongText) {
        c.textLength = static_cast<uint16_t>(n);
        c.store(in);
      } else {
        c.textLength = Cell::kLongText;
        c.store(lengthAt);
      }
      return in + n;
    }
    case Cell::kDouble: case Cell::kDate:
      if (count == kWide) {
        std::memcpy(c.payload, in, sizeof(double));
        return in + sizeof(double);
      }
      c.store(static_cast<double>(unzigzag(getBytes(in, count))));
      return in;
    case Cell::kDecimal:
      c.scale = static_cast<uint8_t>(*in++);
      break;
    default:
      break;
  }
  c.store(unzigzag(getBytes(in, count)));
  return in;
}

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

char* Recordset::Arena::allocate(size_t n) {
  if (chunks.empty() || used + n + kSlack > size) {
    size = std::max(chunks.empty() ? kFirstChunk : std::min(size * 2, largest), n + kSlack);
    // Chunks of huge pages where the system gives them: a large record set is written once
    // through, and a fault per 4 KiB page costs as much as copying the rows.
    char* p;
    if (size >= kHugePage) {
      size = (size + kHugePage - 1) / kHugePage * kHugePage;
      p = static_cast<char*>(std::aligned_alloc(kHugePage, size));
      if (p) ::madvise(p, size, MADV_HUGEPAGE);
    } else {
      p = static_cast<char*>(std::malloc(size));
    }
    if (!p) throw std::bad_alloc();
    chunks.emplace_back(p);
    used = 0;
    bytes += size;
  }
  char* at = chunks.back().get() + used;
  used += n;
  return at;
}

void Recordset::Arena::clear() {
  chunks.clear();
  used = size = bytes = 0;
}

void Recordset::Arena::rewind() {
  if (chunks.size() > 1) {
    chunks.erase(chunks.begin(), chunks.end() - 1);
    bytes = size;
  }
  used = 0;
}

Cell& Recordset::mutableCell(size_t row, size_t col) {
  if (!forwardOnly_) {
    if (row != windowRow_) seekRow(row);
    windowDirty_ = true;
  }
  return window_[col];
}

const Cell* Recordset::loadRow(size_t row) const {
  // Record sets are made by create() and never const themselves: reading another row may
  // first have to encode the one being edited.
  const_cast<Recordset*>(this)->seekRow(row);
  return window_.get();
}

// Makes row the window's: the row held is encoded if it was changed, then row is decoded.
void Recordset::seekRow(size_t row) {
  sealRow();
  scratch_.rewind();
  const char* in = rowAt_[row];
  Cell* cells = window_.get();
  for (size_t col = 0; col < fields_.size(); ++col) in = decode(in, cells[col]);
  windowRow_ = row;
}

// Encodes the window's row, over its old bytes when it fits in them, else after the last row.
// The window's cells may then point at bytes overwritten: the caller replaces or drops them.
void Recordset::sealRow() {
  if (!windowDirty_) return;
  windowDirty_ = false;
  const size_t nf = fields_.size();
  const Cell* cells = window_.get();
  size_t bound = nf * kFieldBound;
  for (size_t col = 0; col < nf; ++col)
    if (cells[col].kind == Cell::kText) bound += text(cells[col]).size();
  char*& at = rowAt_[windowRow_];
  // An edited row's texts may be read from its old bytes: it is encoded aside first.
  char* const start = at ? scratch_.allocate(bound) : rowBytes_.allocate(bound);
  char* out = start;
  for (size_t col = 0; col < nf; ++col) out = encode(out, cells[col], text(cells[col]));
  const auto n = static_cast<size_t>(out - start);
  if (!at) {
    rowBytes_.giveBack(bound - n);
    at = start;
    return;
  }
  const char* in = at;
  Cell skipped;
  for (size_t col = 0; col < nf; ++col) in = decode(in, skipped);
  if (n > static_cast<size_t>(in - at)) at = rowBytes_.allocate(n);
  std::memcpy(at, start, n);
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
  scratch_.rewind();  // the texts of the row before are no longer reachable
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
  forwardOnly_ = exhausted_ = false;
  // Closing releases the rows: fields appended afterwards never meet rows laid out for fewer.
  rowBytes_.clear();
  scratch_.clear();
  rowAt_ = {};
  window_.reset();
  windowRow_ = kNoRow;
  windowDirty_ = false;
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
  sealRow();
  windowRow_ = kNoRow;  // its cells may point at bytes the row no longer has
}

size_t Recordset::appendRow() {
  if (!window_) window_ = std::make_unique<Cell[]>(fields_.size());
  sealRow();
  scratch_.rewind();
  std::fill_n(window_.get(), fields_.size(), Cell{});
  rowAt_.push_back(nullptr);
  windowRow_ = rows_;
  windowDirty_ = true;
  return rows_++;
}

std::string_view Recordset::text(const Cell& c) const {
  if (c.kind != Cell::kText) return {};
  if (c.textLength <= Cell::kInlineText)
    return {reinterpret_cast<const char*>(c.payload), c.textLength};
  const char* at = c.load<const char*>();
  if (c.textLength != Cell::kLongText) return {at, c.textLength};
  const size_t length = getVarint(at);
  return {at, length};
}

void Recordset::storeText(size_t row, size_t col, std::string_view s) {
  Cell& c = mutableCell(row, col);
  c = Cell{Cell::kText};
  if (s.size() <= Cell::kInlineText) {
    c.textLength = static_cast<uint16_t>(s.size());
    if (!s.empty()) std::memcpy(c.payload, s.data(), s.size());
    return;
  }
  // As a row holds it: a long text's length before its bytes.
  const bool longText = s.size() >= Cell::kLongText;
  char* at = scratch_.allocate((longText ? varintSize(s.size()) : 0) + s.size());
  c.textLength = longText ? Cell::kLongText : static_cast<uint16_t>(s.size());
  c.store(static_cast<const char*>(at));
  if (longText) at = putVarint(at, s.size());
  std::memcpy(at, s.data(), s.size());
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
  return rowBytes_.bytes + rowAt_.capacity() * sizeof(char*) + scratch_.bytes +
         (window_ ? fields_.size() * sizeof(Cell) : 0) + fields_.capacity() * sizeof(FieldInfo);
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
