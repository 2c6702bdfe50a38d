// Connection strings made from the four fields of the registry value.
#include <gtest/gtest.h>

#include "korvanda/error.h"
#include "odbc/connection_string.h"

namespace korvanda::odbc {
namespace {

const OdbcCatalog kFreeTdsOnly{{"SQLite3", "FreeTDS"}, {"Produccion"}, {}};
const OdbcCatalog kBothDrivers{{"FreeTDS", "ODBC Driver 18 for SQL Server"}, {}, {}};

TEST(ConnectionString, PlainHostUsesFreeTdsWithTdsVersionAndUtf8) {
  EXPECT_EQ(buildConnectionString("sqlsrv01,1433", "capturista", "s3creto", "Subsidios",
                                  kFreeTdsOnly),
            "DRIVER={FreeTDS};SERVER=sqlsrv01,1433;UID=capturista;PWD=s3creto;"
            "DATABASE=Subsidios;TDS_Version=7.4;ClientCharset=UTF-8");
}

TEST(ConnectionString, MicrosoftDriverIsPreferredAndGetsNoFreeTdsKeywords) {
  EXPECT_EQ(buildConnectionString("sqlsrv01\\AGRO", "u", "p", "db", kBothDrivers),
            "DRIVER={ODBC Driver 18 for SQL Server};SERVER=sqlsrv01\\AGRO;UID=u;PWD=p;DATABASE=db");
}

TEST(ConnectionString, DataSourceNameIgnoresLetterCase) {
  EXPECT_EQ(buildConnectionString("PRODUCCION", "u", "p", "db", kFreeTdsOnly),
            "DSN=Produccion;UID=u;PWD=p;DATABASE=db");
}

TEST(ConnectionString, DataSourceOfSqlitesDriverNeverCreatesTheFile) {
  const OdbcCatalog catalog{{"SQLite3", "FreeTDS"},
                            {"Local", "Ruta", "Servidor"},
                            {"SQLite3", "/usr/lib/odbc/libsqlite3odbc.so", "FreeTDS"}};
  EXPECT_EQ(buildConnectionString("local", "", "", "/d/a.db", catalog), "DSN=Local;DATABASE=/d/a.db;NoCreat=1");
  EXPECT_EQ(buildConnectionString("Ruta", "", "", "", catalog), "DSN=Ruta;NoCreat=1");
  EXPECT_EQ(buildConnectionString("DSN=Ruta;Timeout=9", "", "", "", catalog), "DSN=Ruta;Timeout=9;NoCreat=1");
  EXPECT_EQ(buildConnectionString("DSN=Local;NoCreat=0", "", "", "", catalog), "DSN=Local;NoCreat=0");
  EXPECT_EQ(buildConnectionString("Servidor", "u", "", "db", catalog), "DSN=Servidor;UID=u;DATABASE=db");
  EXPECT_EQ(buildConnectionString("DSN=Otra", "", "", "db", catalog), "DSN=Otra;DATABASE=db");
  // The driver named by its name or its library's path; a database merely called so is not.
  EXPECT_EQ(buildConnectionString("Driver={SQLite3}", "", "", "/d/a.db", catalog),
            "Driver={SQLite3};DATABASE=/d/a.db;NoCreat=1");
  EXPECT_EQ(buildConnectionString("DRIVER=/usr/lib/odbc/libsqlite3odbc.so", "", "", "a.db", catalog),
            "DRIVER=/usr/lib/odbc/libsqlite3odbc.so;DATABASE=a.db;NoCreat=1");
  EXPECT_EQ(buildConnectionString("DRIVER={FreeTDS};Database=sqlite", "", "", "", catalog),
            "DRIVER={FreeTDS};Database=sqlite;ClientCharset=UTF-8");
}

TEST(ConnectionString, FullStringKeepsWhatItNamesAndGetsTheOtherFields) {
  EXPECT_EQ(buildConnectionString("DRIVER={FreeTDS};SERVER=h;UID=fixed", "u", "p", "db", {}),
            "DRIVER={FreeTDS};SERVER=h;UID=fixed;PWD=p;DATABASE=db;ClientCharset=UTF-8");
  EXPECT_EQ(buildConnectionString("Driver=FreeTDS;Server=h;ClientCharset=ISO-8859-1", "", "", "",
                                  {}),
            "Driver=FreeTDS;Server=h;ClientCharset=ISO-8859-1");
  // A SQLite file must exist: the driver is told not to create one.
  EXPECT_EQ(buildConnectionString("DRIVER=SQLite3;LoadExt=/x/ext.so", "", "", "/data/a.db", {}),
            "DRIVER=SQLite3;LoadExt=/x/ext.so;DATABASE=/data/a.db;NoCreat=1");
}

TEST(ConnectionString, ValuesWithSeparatorsAreBraced) {
  EXPECT_EQ(buildConnectionString("h", "u", "a;b}c", "db", kFreeTdsOnly),
            "DRIVER={FreeTDS};SERVER=h;UID=u;PWD={a;b}}c};DATABASE=db;TDS_Version=7.4;"
            "ClientCharset=UTF-8");
  EXPECT_EQ(keywordValue("DRIVER={FreeTDS};PWD={a;b}}c};X=1", "pwd"), "a;b}c");
  EXPECT_EQ(keywordValue("DRIVER={FreeTDS};PWD={a;b}}c};X=1", "x"), "1");
}

TEST(ConnectionString, NoSqlServerDriverIsAClearError) {
  try {
    buildConnectionString("sqlsrv01", "u", "p", "db", OdbcCatalog{{"SQLite3"}, {}, {}});
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3706);
    EXPECT_NE(e.description().find("No SQL Server ODBC driver is installed"), std::string::npos);
    EXPECT_NE(e.description().find("sqlsrv01"), std::string::npos);
  }
}

TEST(ConnectionString, RedactedHidesPasswords) {
  EXPECT_EQ(redacted("DRIVER={FreeTDS};UID=u;PWD={x;y};Password=z"),
            "DRIVER=FreeTDS;UID=u;PWD=***;Password=***");
}

}  // namespace
}  // namespace korvanda::odbc
