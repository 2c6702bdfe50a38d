// Result columns of a statement: their record-set fields, and reading their rows.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <string_view>

#include "core/recordset_store.h"
#include "odbc/diagnostics.h"

namespace korvanda::odbc {

// How a column's values are read and stored.
enum class ReadAs { Integer, Boolean, Double, Decimal, Date, Text };

struct ColumnPlan {
  FieldInfo field;
  ReadAs read = ReadAs::Text;
  Cell::Kind intKind = Cell::kI32;  // ReadAs::Integer
};

// The field of a column from what the driver describes: the SQL type, the column size
// (precision for decimals, characters for text), the decimal digits and the nullability.
ColumnPlan planColumn(std::string name, SQLSMALLINT sqlType, SQLULEN columnSize,
                      SQLSMALLINT decimalDigits, SQLSMALLINT nullable);

// A driver that reports a column of a declared SQL Server type as text (SQLite's driver does so
// for MONEY, DECIMAL and CHAR) gets the field of the declared type instead.
void refineByTypeName(ColumnPlan& plan, std::string_view typeName);

// The field of a declared SQL Server column type ("DECIMAL(12,2)", "varchar(30)", "DATETIME"...);
// nullopt for a type the library has no field for.
std::optional<ColumnPlan> planDeclared(std::string name, std::string_view declaredType,
                                       SQLSMALLINT nullable);

// Reads every row of the current result of `stmt` (which has `columns` columns) into an open,
// disconnected record set positioned on its first row. declaredTypes, when given, holds a
// declared type for columns the driver cannot type (computed ones); "" leaves a column alone.
// valuesAsText reads every value as text and stores it as the field's type when it fits that
// type, else as the text it is (for a database whose columns hold any value: dialect.h).
std::shared_ptr<Recordset> materialise(const Handle& stmt, SQLSMALLINT columns,
                                       const std::vector<std::string>& declaredTypes = {},
                                       bool valuesAsText = false);

}  // namespace korvanda::odbc
