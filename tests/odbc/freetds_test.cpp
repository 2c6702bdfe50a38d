// SQL Server through FreeTDS's ODBC driver, against the local TDS stand-in: login, the session's
// date order, SQL Server's column types, several results, server errors, a dropped link, hangs.
#include <gtest/gtest.h>

#include <future>

#include "component/ModGlobal.h"
#include "odbc/engine.h"
#include "odbc/tds_server_support.h"
#include "support/fixture.h"
#include "support/odbc.h"

namespace korvanda::odbc {
namespace {

using testing::errorOf;
using testing::FakeTdsServer;
using T = FakeTdsServer::Type;

ConnectionRef connect(int port, OdbcOptions options = {}) {
  const std::string server = "DRIVER=FreeTDS;SERVER=127.0.0.1;PORT=" + std::to_string(port) + ";TDS_Version=7.4";
  return openOdbc(server, "capturista", "s3creto", "Subsidios", options);
}

// The attempt runs on its own thread so that a hang fails the test instead of stopping the run.
Error failureOf(const std::function<void()>& attempt) {
  auto result = std::make_shared<std::promise<Error>>();
  auto future = result->get_future();
  std::thread([attempt, result] { result->set_value(errorOf(attempt)); }).detach();
  if (future.wait_for(std::chrono::seconds(60)) == std::future_status::ready) return future.get();
  ADD_FAILURE() << "the attempt hung";
  return Error(0, "", "hung");
}

class FreeTds : public ::testing::Test {
 protected:
  void SetUp() override { KORVANDA_REQUIRE_ODBC(); }
  FakeTdsServer server_;
};

// Column types, values, several results and server errors: tests/golden/odbc/freetds.txt.
TEST_F(FreeTds, AnswersBecomeRecordsetsAndErrors) {
  const std::optional<std::string> n;
  FakeTdsServer::ResultSet types{
      {{"Entero", T::Int}, {"Chico", T::SmallInt}, {"Grande", T::BigInt}, {"Byte", T::TinyInt},
       {"Bandera", T::Bit}, {"Real", T::Float}, {"Importe", T::Money}, {"Tasa", T::Decimal, 0, 2},
       {"Fecha", T::DateTime}, {"Nombre", T::VarChar, 8000}, {"Clave", T::Char, 4},
       {"NombreN", T::NVarChar, 30}},
      {{"123456", "-32768", "9007199254740993", "255", "1", "0.1", "-12345.6789", "-123.45",
        "2026-12-31 13:05:00", "Ñandú Peñasco", "MX", "acción ñ €"},
       {n, n, n, n, n, n, n, n, n, n, n, n},
       {"0", "0", "0", "0", "0", "-2.5e-300", "0.0001", "99999999999.99", "1899-12-30 00:00:00",
        std::string(5000, 'x') + "ñ", "", "ü"}}};
  FakeTdsServer::ResultSet first{{{"A", T::Int}}, {{"1"}}};
  FakeTdsServer::ResultSet second{{{"B", T::VarChar, 10}}, {{"dos"}, {"tres"}}};
  const FakeTdsServer::ServerError missing{208, "Invalid object name 'NOEXISTE'."};
  server_.answer("SELECT * FROM TIPOS", {{types}});
  server_.answer("lote", {{FakeTdsServer::RowCount{3}, first, FakeTdsServer::RowCount{1}, second,
                           FakeTdsServer::RowCount{2}}});
  server_.answer("solo cuentas", {{FakeTdsServer::RowCount{3}, FakeTdsServer::RowCount{0}}});
  server_.answer("SELECT * FROM NOEXISTE", {{missing}});
  server_.answer("SELECT 1 SELECT * FROM NOEXISTE", {{first, missing}});
  auto c = connect(server_.port());
  auto* odbc = dynamic_cast<OdbcConnection*>(c.get());
  ASSERT_NE(odbc, nullptr);
  EXPECT_EQ(odbc->dbmsName(), "Microsoft SQL Server");
  EXPECT_EQ(odbc->dialect(), nullptr);  // statements reach the server unchanged
  testing::expectTranscript(*c, "odbc/freetds.txt");
  auto b = server_.batches();
  // FreeTDS begins a new transaction after each commit or rollback while autocommit is off, and
  // rolls that empty one back when autocommit comes back on.
  EXPECT_EQ(std::vector<std::string>(std::find(b.begin(), b.end(), "<begin>"), b.end()),
            (std::vector<std::string>{"<begin>", "UPDATE T SET A = 1", "<commit>", "<rollback>",
                                      "<begin>", "<rollback>", "<rollback>"}));
  EXPECT_EQ(b.front(), "SET DATEFORMAT DMY");
  EXPECT_EQ(b.at(1), "SET DATEFORMAT DMY INSERT INTO T (F) VALUES ('31/12/2026')");
}

TEST_F(FreeTds, DroppedLinkClosesTheConnectionAndTheSlotReopensIt) {
  server_.answer("corta", {{}, true});
  server_.answer("SELECT 1", {{FakeTdsServer::ResultSet{{{"N", T::Int}}, {{"1"}}}}});
  auto c = connect(server_.port());
  Error e = errorOf([&] { c->execute("corta"); });
  EXPECT_NE(e.description().find("Unexpected EOF from the server"), std::string::npos) << e.description();
  EXPECT_EQ(c->state(), 0);
  EXPECT_EQ(errorOf([&] { c->execute("SELECT 1"); }).number(), 3704);
  // The shared connection: the next getOpenConnection opens it again, with its settings.
  slot::current() = c;
  EXPECT_EQ(getOpenConnection(), c);
  slot::current().reset();
  EXPECT_EQ(c->state(), 1);
  EXPECT_EQ(server_.logins(), 2);
  EXPECT_EQ(c->execute("SELECT 1")->value(size_t{0}), Variant(int32_t{1}));
}

// Timeouts and unreachable servers: each attempt fails with the driver's SQLSTATE.
TEST_F(FreeTds, HangsAndUnreachableServersFailInTime) {
  auto silent = std::make_shared<FakeTdsServer>(true);
  server_.answer("WAITFOR DELAY '01:00:00'", {{}, false, true});
  server_.answer("SELECT 1", {{FakeTdsServer::ResultSet{{{"N", T::Int}}, {{"1"}}}}});
  OdbcOptions quick;
  quick.loginTimeoutSeconds = 1;
  quick.queryTimeoutSeconds = 1;
  ConnectionRef c = connect(server_.port(), quick);
  const std::pair<std::function<void()>, std::string> attempts[] = {
      {[=] { connect(silent->port(), quick); }, "SQLSTATE HYT00"},
      {[=] { c->execute("WAITFOR DELAY '01:00:00'"); }, "SQLSTATE HYT00"},
      {[=] { openOdbc("korvanda-no-such-host.invalid", "u", "p", "db", quick); },
       "DRIVER=FreeTDS;SERVER=korvanda-no-such-host.invalid;UID=u;PWD=***;DATABASE=db;TDS_Version=7.4;"
       "ClientCharset=UTF-8: SQLSTATE 08001"},
  };
  for (const auto& [attempt, sqlstate] : attempts) {
    Error e = failureOf(attempt);
    EXPECT_NE(e.description().find(sqlstate), std::string::npos) << e.description();
  }
  // Cancelled, not broken: the connection goes on.
  EXPECT_EQ(c->state(), 1);
  EXPECT_EQ(c->execute("SELECT 1")->value(size_t{0}), Variant(int32_t{1}));
}

}  // namespace
}  // namespace korvanda::odbc
