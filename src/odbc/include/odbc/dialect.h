// How the library's T-SQL reaches a data source that speaks another SQL. SQL Server needs none:
// without a dialect a batch goes as it is and a transaction uses ODBC's manual-commit mode. A
// program (the tests, a tool) registers a dialect for the DBMS name a driver reports.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "korvanda/recordset.h"

namespace korvanda::odbc {

struct DialectStatement {
  std::string sql;
  // A declared type for each result column the driver cannot type (a computed one); "" none.
  std::vector<std::string> resultTypes;
  // false: the statement is run for its effect; any rows it gives are not the batch's result.
  bool givesResult = true;
};

// Runs one statement on the connection as it is; its rows, or nullptr when it gives none.
using RunAsIs = std::function<std::shared_ptr<Recordset>(const std::string& sql)>;

// A batch the dialect cannot take; the connection reports it as a rejected statement.
class DialectError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One per connection: it may keep what it learnt of the database between batches.
class StatementDialect {
 public:
  virtual ~StatementDialect() = default;
  // The statements to send for a T-SQL batch, in order, each one statement of the batch (the
  // member's statement rule counts them). run reaches the database (to read its schema).
  virtual std::vector<DialectStatement> statements(std::string_view batch, const RunAsIs& run) = 0;
  // The statement that begins a transaction, which COMMIT or ROLLBACK then end with the driver
  // left in autocommit mode; empty for ODBC's manual-commit mode.
  virtual std::string beginTransaction() const { return {}; }
  // Every value is read as text and stored as its field's type when it fits that type (for a
  // database whose columns hold any value).
  virtual bool valuesAsText() const { return false; }
};

using DialectFactory = std::function<std::unique_ptr<StatementDialect>()>;

// The dialect of the data sources whose DBMS name (SQLGetInfo SQL_DBMS_NAME) starts with
// dbmsName, letter case ignored, for connections opened from now on in this process. A second
// registration for the same name replaces the first; an empty factory removes it.
void registerDialect(std::string dbmsName, DialectFactory factory);
// A new dialect for a data source with that DBMS name; nullptr when none is registered.
std::unique_ptr<StatementDialect> dialectFor(std::string_view dbmsName);

}  // namespace korvanda::odbc
