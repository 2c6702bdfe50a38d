#include "odbc/diagnostics.h"

#include <algorithm>

namespace korvanda::odbc {

std::vector<Diagnostic> diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
  std::vector<Diagnostic> out;
  if (handle == SQL_NULL_HANDLE) return out;
  for (SQLSMALLINT i = 1;; ++i) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::string message(512, '\0');
    SQLRETURN rc = SQLGetDiagRec(handleType, handle, i, state, &native,
                                 reinterpret_cast<SQLCHAR*>(message.data()),
                                 static_cast<SQLSMALLINT>(message.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.assign(static_cast<size_t>(length) + 1, '\0');
      rc = SQLGetDiagRec(handleType, handle, i, state, &native,
                         reinterpret_cast<SQLCHAR*>(message.data()),
                         static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!succeeded(rc)) break;
    message.resize(std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)),
                                    message.size() - 1));
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
      message.pop_back();
    out.push_back({reinterpret_cast<const char*>(state), static_cast<int32_t>(native),
                   std::move(message)});
  }
  return out;
}

DriverError toError(const std::vector<Diagnostic>& records, std::string_view what) {
  int32_t number = kUnspecifiedError;
  auto withNative = std::find_if(records.begin(), records.end(),
                                 [](const Diagnostic& d) { return d.native != 0; });
  if (withNative != records.end()) {
    // A native number that is already negative stays as it is.
    number = withNative->native > 0 ? -withNative->native : withNative->native;
  } else if (std::any_of(records.begin(), records.end(),
                         [](const Diagnostic& d) {
                           // unixODBC says "Can't open lib" when a driver's file is missing.
                           return d.sqlstate == "IM002" || d.sqlstate == "IM003" ||
                                  d.message.find("Can't open lib") != std::string::npos;
                         })) {
    number = kProviderNotFound;
  }
  std::string description(what);
  if (records.empty()) {
    description += ": the driver gave no diagnostic";
  } else {
    description += ": ";
    for (size_t i = 0; i < records.size(); ++i) {
      if (i) description += "; ";
      description += "SQLSTATE " + records[i].sqlstate + ", native error " +
                     std::to_string(records[i].native) + ": " + records[i].message;
    }
  }
  return DriverError(Error(number, kOdbcSource, std::move(description)), anyLinkFailure(records));
}

bool isLinkFailure(std::string_view s) {
  return s == "08S01" || s == "08003" || s == "08007";
}

bool anyLinkFailure(const std::vector<Diagnostic>& records) {
  return std::any_of(records.begin(), records.end(),
                     [](const Diagnostic& d) { return isLinkFailure(d.sqlstate); });
}

Handle::Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
  SQLRETURN rc = SQLAllocHandle(type, parent, &h_);
  if (!succeeded(rc)) {
    h_ = SQL_NULL_HANDLE;
    SQLSMALLINT parentType = type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC;
    throw toError(parent ? odbc::diagnostics(parentType, parent) : std::vector<Diagnostic>{},
                  "Cannot allocate an ODBC handle");
  }
}

Handle& Handle::operator=(Handle&& o) noexcept {
  if (this != &o) {
    reset();
    type_ = o.type_;
    h_ = o.h_;
    o.h_ = SQL_NULL_HANDLE;
  }
  return *this;
}

void Handle::reset() {
  if (h_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, h_);
  h_ = SQL_NULL_HANDLE;
}

void Handle::check(SQLRETURN rc, std::string_view what) const {
  if (!succeeded(rc) && rc != SQL_NO_DATA) throw toError(diagnostics(), what);
}

}  // namespace korvanda::odbc
