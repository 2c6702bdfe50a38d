// ODBC connection strings: reading their keywords, and building one from the four fields of the
// registry value.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvanda::odbc {

using Keywords = std::vector<std::pair<std::string, std::string>>;

// "KEY=value;KEY={va;lue}" into its pairs, braces removed ("}}" inside braces is one "}").
Keywords parseConnectionString(std::string_view cs);
// The value of a keyword, letter case ignored.
std::optional<std::string> keywordValue(std::string_view cs, std::string_view key);
// A value as a connection string holds it: braced when it has ";", braces or outer blanks.
std::string quoteValue(std::string_view value);
// The connection string with the values of PWD and PASSWORD replaced by "***" (for messages).
std::string redacted(std::string_view cs);

// What the machine has: driver names and data source names (user and system).
struct OdbcCatalog {
  std::vector<std::string> drivers;
  std::vector<std::string> dataSources;
  // The driver each data source names (its name or its library's path), in the same order;
  // shorter when not known.
  std::vector<std::string> dataSourceDrivers;
};

// SQL Server drivers tried for a plain server name, in this order.
inline constexpr const char* kPreferredDrivers[] = {
    "ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server", "FreeTDS"};

// The rule for field 0 (server), given user, password and database:
//  - holding "=": a connection string, used as it is. UID, PWD and DATABASE are appended from
//    the other fields when those are not empty and the string does not name them already. For a
//    driver whose name holds "sqlite", NoCreat=1 is appended (a missing file is an error, never
//    a new empty database); for a FreeTDS driver (name holding "tds"), ClientCharset=UTF-8. A
//    string naming a data source (DSN=) and no driver takes the data source's driver.
//  - the name of a data source (DSN) known to the driver manager: DSN=<name> with UID, PWD and
//    DATABASE from the other fields, and NoCreat=1 when its driver is SQLite's.
//  - anything else is a SQL Server host ("host", "host,port", "host\instance"): the first
//    installed driver of kPreferredDrivers, SERVER=<server> and the other fields; for FreeTDS
//    also TDS_Version=7.4 and ClientCharset=UTF-8.
// Fails with 3706 when a host is named and no SQL Server driver is installed.
std::string buildConnectionString(const std::string& server, const std::string& user,
                                  const std::string& password, const std::string& database,
                                  const OdbcCatalog& catalog);

}  // namespace korvanda::odbc
