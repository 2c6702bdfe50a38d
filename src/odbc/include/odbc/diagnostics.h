// ODBC handles owned by RAII, and the diagnostic records of a failure turned into an Error.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>
#include <vector>

#include "korvanda/error.h"

namespace korvanda::odbc {

// The source of every error that a driver reports.
inline constexpr const char* kOdbcSource = "ODBC";
// What data-access callers receive for a failure that carries no native number.
inline constexpr int32_t kUnspecifiedError = -2147467259;  // 0x80004005
inline constexpr int32_t kProviderNotFound = 3706;

struct Diagnostic {
  std::string sqlstate;  // five characters
  int32_t native = 0;
  std::string message;
};

// Every diagnostic record of a handle, in the driver's order.
std::vector<Diagnostic> diagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// A driver's failure; linkLost when a record says the connection is gone.
class DriverError : public Error {
 public:
  DriverError(Error e, bool linkLost) : Error(std::move(e)), linkLost_(linkLost) {}
  bool linkLost() const { return linkLost_; }

 private:
  bool linkLost_;
};

// The error for a failed call: number from the first record with a native error (negated), else
// 3706 for a driver or data source that cannot be found or loaded, else 0x80004005; the description lists every record
// as "SQLSTATE xxxxx, native error n: message", joined by "; ". `what` leads the description.
DriverError toError(const std::vector<Diagnostic>& records, std::string_view what);

// SQLSTATEs after which the connection is gone: link failure, not open, failure in transaction.
bool isLinkFailure(std::string_view sqlstate);
bool anyLinkFailure(const std::vector<Diagnostic>& records);

// One ODBC handle, freed when it goes.
class Handle {
 public:
  Handle() = default;
  Handle(SQLSMALLINT type, SQLHANDLE parent);  // throws on failure
  ~Handle() { reset(); }
  Handle(Handle&& o) noexcept : type_(o.type_), h_(o.h_) { o.h_ = SQL_NULL_HANDLE; }
  Handle& operator=(Handle&& o) noexcept;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  SQLHANDLE get() const { return h_; }
  SQLSMALLINT type() const { return type_; }
  explicit operator bool() const { return h_ != SQL_NULL_HANDLE; }
  void reset();

  std::vector<Diagnostic> diagnostics() const { return odbc::diagnostics(type_, h_); }
  // Throws the error built from this handle's records when rc is a failure.
  void check(SQLRETURN rc, std::string_view what) const;

 private:
  SQLSMALLINT type_ = 0;
  SQLHANDLE h_ = SQL_NULL_HANDLE;
};

inline bool succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

}  // namespace korvanda::odbc
