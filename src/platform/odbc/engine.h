// SQL Server (or any ODBC data source) through unixODBC.
#pragma once

#include <string>

#include "korvanda/connection.h"

namespace korvanda::odbc {

// Connects with the four fields of the registry value: server, user, plain password, database.
ConnectionRef openOdbc(const std::string& server, const std::string& user,
                       const std::string& password, const std::string& database);

}  // namespace korvanda::odbc
