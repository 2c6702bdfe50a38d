#include "odbc/columns.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "korvanda/textform.h"
#include "core/ascii.h"

namespace korvanda::odbc {
namespace {

int32_t sizeOf(SQLULEN columnSize, int32_t fallback) {
  if (columnSize == 0 || columnSize > static_cast<SQLULEN>(INT32_MAX)) return fallback;
  return static_cast<int32_t>(columnSize);
}

// Text of a column in chunks: drivers give long values piece by piece.
std::optional<std::string> readText(const Handle& stmt, SQLUSMALLINT col) {
  std::string out;
  char buf[4096];
  for (;;) {
    SQLLEN ind = 0;
    SQLRETURN rc = SQLGetData(stmt.get(), col, SQL_C_CHAR, buf, sizeof buf, &ind);
    if (rc == SQL_NO_DATA) break;
    stmt.check(rc, "Cannot read column " + std::to_string(col));
    if (ind == SQL_NULL_DATA) return std::nullopt;
    // A truncated piece fills the buffer but for its terminator.
    size_t got = (ind == SQL_NO_TOTAL || ind >= static_cast<SQLLEN>(sizeof buf))
                     ? sizeof buf - 1
                     : static_cast<size_t>(ind);
    out.append(buf, got);
    if (rc == SQL_SUCCESS) break;
    if (got < sizeof buf - 1) break;  // SUCCESS_WITH_INFO for another reason than truncation
  }
  return out;
}

template <class T>
bool readFixed(const Handle& stmt, SQLUSMALLINT col, SQLSMALLINT cType, T& value) {
  SQLLEN ind = 0;
  SQLRETURN rc = SQLGetData(stmt.get(), col, cType, &value, sizeof value, &ind);
  stmt.check(rc, "Cannot read column " + std::to_string(col));
  return ind != SQL_NULL_DATA;
}

void readCell(const Handle& stmt, const ColumnPlan& plan, Recordset& rs, size_t row, size_t col) {
  auto c = static_cast<SQLUSMALLINT>(col + 1);
  switch (plan.read) {
    case ReadAs::Integer: {
      SQLBIGINT v = 0;
      if (!readFixed(stmt, c, SQL_C_SBIGINT, v)) return rs.storeNull(row, col);
      return rs.storeInt(row, col, v, plan.intKind);
    }
    case ReadAs::Boolean: {
      unsigned char v = 0;
      if (!readFixed(stmt, c, SQL_C_BIT, v)) return rs.storeNull(row, col);
      return rs.storeInt(row, col, v ? 1 : 0, Cell::kBool);
    }
    case ReadAs::Double: {
      double v = 0;
      if (!readFixed(stmt, c, SQL_C_DOUBLE, v)) return rs.storeNull(row, col);
      return rs.storeDouble(row, col, v);
    }
    case ReadAs::Date: {
      SQL_TIMESTAMP_STRUCT ts{};
      if (!readFixed(stmt, c, SQL_C_TYPE_TIMESTAMP, ts)) return rs.storeNull(row, col);
      auto d = makeDate(DateParts{ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second});
      if (!d)
        throw errors::typeMismatch("column " + plan.field.name + " holds an invalid date");
      // Milliseconds are kept; the automation date runs backwards before 1899-12-30.
      if (d->serial >= 0) d->serial += static_cast<double>(ts.fraction / 1000000) / 86400000.0;
      return rs.storeDate(row, col, *d);
    }
    case ReadAs::Decimal: {
      // Exact: the driver's text, never a double.
      auto text = readText(stmt, c);
      if (!text) return rs.storeNull(row, col);
      if (auto d = parseDecimal(*text)) return rs.storeDecimal(row, col, *d);
      // Beyond 18 digits: the exact text rather than a rounded number.
      return rs.storeText(row, col, *text);
    }
    case ReadAs::Text: {
      auto text = readText(stmt, c);
      if (!text) return rs.storeNull(row, col);
      return rs.storeText(row, col, *text);
    }
  }
}

// A value that fits the field's type is stored as that type; another keeps its own form (the
// column holds any value, and the driver would turn what it cannot convert into NULL).
void readCellFromText(const Handle& stmt, const ColumnPlan& plan, Recordset& rs, size_t row,
                      size_t col) {
  auto text = readText(stmt, static_cast<SQLUSMALLINT>(col + 1));
  if (!text) return rs.storeNull(row, col);
  std::string_view t = *text;
  switch (plan.read) {
    case ReadAs::Integer:
    case ReadAs::Boolean: {
      int64_t v = 0;
      auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
      if (ec == std::errc() && end == t.data() + t.size() && !t.empty()) {
        if (plan.read == ReadAs::Boolean) return rs.storeInt(row, col, v != 0, Cell::kBool);
        Cell::Kind kind = plan.intKind;
        bool fits = kind == Cell::kI64 || (kind == Cell::kI32 && v >= INT32_MIN && v <= INT32_MAX) ||
                    (kind == Cell::kI16 && v >= INT16_MIN && v <= INT16_MAX) ||
                    (kind == Cell::kByte && v >= 0 && v <= 255);
        if (!fits) kind = v >= INT32_MIN && v <= INT32_MAX ? Cell::kI32 : Cell::kI64;
        return rs.storeInt(row, col, v, kind);
      }
      if (auto d = parseNumber(t)) return rs.storeDouble(row, col, *d);
      return rs.storeText(row, col, t);
    }
    case ReadAs::Double:
      if (auto d = parseNumber(t)) return rs.storeDouble(row, col, *d);
      return rs.storeText(row, col, t);
    case ReadAs::Decimal:
      if (auto d = parseDecimal(t)) return rs.storeDecimal(row, col, *d);
      return rs.storeText(row, col, t);
    case ReadAs::Date:
      if (auto d = parseDate(t)) return rs.storeDate(row, col, *d);
      return rs.storeText(row, col, t);
    case ReadAs::Text:
      return rs.storeText(row, col, t);
  }
}

}  // namespace

ColumnPlan planColumn(std::string name, SQLSMALLINT sqlType, SQLULEN columnSize,
                      SQLSMALLINT decimalDigits, SQLSMALLINT nullable) {
  ColumnPlan p;
  p.field.name = std::move(name);
  p.field.attributes =
      adFldUpdatable | (nullable == SQL_NO_NULLS ? 0 : (adFldIsNullable | adFldMayBeNull));
  auto set = [&](int32_t type, int32_t size, ReadAs read, Cell::Kind kind = Cell::kI32) {
    p.field.type = type;
    p.field.definedSize = size;
    p.read = read;
    p.intKind = kind;
  };
  switch (sqlType) {
    case SQL_INTEGER: set(adInteger, 4, ReadAs::Integer, Cell::kI32); break;
    case SQL_SMALLINT: set(adSmallInt, 2, ReadAs::Integer, Cell::kI16); break;
    case SQL_BIGINT: set(adBigInt, 8, ReadAs::Integer, Cell::kI64); break;
    case SQL_TINYINT: set(adUnsignedTinyInt, 1, ReadAs::Integer, Cell::kByte); break;
    case SQL_BIT: set(adBoolean, 2, ReadAs::Boolean); break;
    case SQL_FLOAT: case SQL_DOUBLE: case SQL_REAL: set(adDouble, 8, ReadAs::Double); break;
    case SQL_DECIMAL: case SQL_NUMERIC:
      // The defined size of a decimal field is 19 whatever its precision, as in the data-access
      // library; the value is read exactly.
      set(adNumeric, 19, ReadAs::Decimal);
      break;
    case SQL_TYPE_TIMESTAMP: case SQL_TYPE_DATE: case SQL_TYPE_TIME: case SQL_DATE:
    case SQL_TIMESTAMP: case SQL_TIME:
      set(adDate, 8, ReadAs::Date);
      break;
    case SQL_CHAR: case SQL_WCHAR: set(adChar, sizeOf(columnSize, 255), ReadAs::Text); break;
    case SQL_LONGVARCHAR: case SQL_WLONGVARCHAR:
      set(adLongVarChar, sizeOf(columnSize, INT32_MAX), ReadAs::Text);
      break;
    default:  // varchar, nvarchar, and what the library has no field type for, as text
      set(adVarChar, sizeOf(columnSize, 255), ReadAs::Text);
      break;
  }
  (void)decimalDigits;
  return p;
}

namespace {
struct DeclaredType {
  std::string base;  // upper case
  std::optional<int32_t> size, scale;
  bool max = false;
};

DeclaredType parseDeclared(std::string_view decl) {
  DeclaredType t;
  size_t i = 0;
  while (i < decl.size() && decl[i] == ' ') ++i;
  while (i < decl.size() && decl[i] != '(' && decl[i] != ' ')
    t.base += ascii::upper(decl[i++]);
  size_t open = decl.find('(', i);
  if (open == std::string_view::npos) return t;
  std::string_view args = decl.substr(open + 1);
  args = args.substr(0, args.find(')'));
  auto number = [](std::string_view s) -> std::optional<int32_t> {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    int32_t v = 0;
    bool any = false;
    for (char c : s) {
      if (c < '0' || c > '9') break;
      if (v > 100000000) return std::nullopt;
      v = v * 10 + (c - '0');
      any = true;
    }
    return any ? std::optional<int32_t>(v) : std::nullopt;
  };
  size_t comma = args.find(',');
  std::string_view first = args.substr(0, comma);
  std::string upper;
  for (char c : first)
    if (c != ' ') upper += ascii::upper(c);
  t.max = upper == "MAX";
  t.size = number(first);
  if (comma != std::string_view::npos) t.scale = number(args.substr(comma + 1));
  return t;
}
}  // namespace

std::optional<ColumnPlan> planDeclared(std::string name, std::string_view declaredType,
                                       SQLSMALLINT nullable) {
  DeclaredType t = parseDeclared(declaredType);
  const std::string& b = t.base;
  auto plan = [&](SQLSMALLINT sqlType, SQLULEN size) {
    return planColumn(std::move(name), sqlType, size, static_cast<SQLSMALLINT>(t.scale.value_or(0)),
                      nullable);
  };
  if (b == "INT" || b == "INTEGER") return plan(SQL_INTEGER, 10);
  if (b == "SMALLINT") return plan(SQL_SMALLINT, 5);
  if (b == "BIGINT") return plan(SQL_BIGINT, 19);
  if (b == "TINYINT") return plan(SQL_TINYINT, 3);
  if (b == "BIT") return plan(SQL_BIT, 1);
  if (b == "FLOAT" || b == "REAL" || b == "DOUBLE") return plan(SQL_DOUBLE, 15);
  if (b == "MONEY") return plan(SQL_DECIMAL, 19);
  if (b == "SMALLMONEY") return plan(SQL_DECIMAL, 10);
  if (b == "DECIMAL" || b == "NUMERIC") return plan(SQL_DECIMAL, static_cast<SQLULEN>(t.size.value_or(18)));
  if (b == "DATETIME" || b == "SMALLDATETIME" || b == "DATETIME2" || b == "DATE")
    return plan(SQL_TYPE_TIMESTAMP, 23);
  if (b == "CHAR" || b == "NCHAR") return plan(SQL_CHAR, static_cast<SQLULEN>(t.size.value_or(1)));
  if (b == "VARCHAR" || b == "NVARCHAR") {
    if (t.max) return plan(SQL_LONGVARCHAR, 0);
    return plan(SQL_VARCHAR, static_cast<SQLULEN>(t.size.value_or(1)));
  }
  if (b == "TEXT" || b == "NTEXT") return plan(SQL_LONGVARCHAR, 0);
  return std::nullopt;
}

void refineByTypeName(ColumnPlan& plan, std::string_view typeName) {
  if (plan.read != ReadAs::Text) return;
  std::string base = parseDeclared(typeName).base;
  if (base == "MONEY" || base == "SMALLMONEY" || base == "DECIMAL" || base == "NUMERIC") {
    plan.field.type = adNumeric;
    plan.field.definedSize = 19;
    plan.read = ReadAs::Decimal;
  } else if (base == "CHAR" || base == "NCHAR") {
    plan.field.type = adChar;
  }
}

std::shared_ptr<Recordset> materialise(const Handle& stmt, SQLSMALLINT columns,
                                       const std::vector<std::string>& declaredTypes,
                                       bool valuesAsText) {
  auto rs = Recordset::create();
  std::vector<ColumnPlan> plans;
  plans.reserve(static_cast<size_t>(columns));
  for (SQLSMALLINT i = 1; i <= columns; ++i) {
    SQLCHAR name[512] = {};
    SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
    SQLULEN size = 0;
    stmt.check(SQLDescribeCol(stmt.get(), static_cast<SQLUSMALLINT>(i), name, sizeof name,
                              &nameLength, &type, &size, &digits, &nullable),
               "Cannot describe column " + std::to_string(i));
    plans.push_back(planColumn(reinterpret_cast<const char*>(name), type, size, digits, nullable));
    char typeName[128] = {};
    SQLSMALLINT typeNameLength = 0;
    if (succeeded(SQLColAttribute(stmt.get(), static_cast<SQLUSMALLINT>(i), SQL_DESC_TYPE_NAME,
                                  typeName, sizeof typeName, &typeNameLength, nullptr)))
      refineByTypeName(plans.back(), typeName);
    size_t index = static_cast<size_t>(i - 1);
    if (index < declaredTypes.size() && !declaredTypes[index].empty()) {
      if (auto declared = planDeclared(plans.back().field.name, declaredTypes[index], nullable))
        plans.back() = std::move(*declared);
    }
    // Names may repeat (a join of two tables); a lookup by name finds the first.
    const FieldInfo& f = plans.back().field;
    rs->appendResultField(f.name, f.type, f.definedSize, f.attributes);
  }
  for (;;) {
    SQLRETURN rc = SQLFetch(stmt.get());
    if (rc == SQL_NO_DATA) break;
    stmt.check(rc, "Cannot read a row");
    size_t row = rs->appendRow();
    for (size_t col = 0; col < plans.size(); ++col) {
      if (valuesAsText) readCellFromText(stmt, plans[col], *rs, row, col);
      else readCell(stmt, plans[col], *rs, row, col);
    }
  }
  rs->openMaterialised();
  return rs;
}

}  // namespace korvanda::odbc
