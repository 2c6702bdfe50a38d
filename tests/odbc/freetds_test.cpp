// SQL Server through FreeTDS's ODBC driver, against a local TDS stand-in: login, the session's
// date order, SQL Server's column types, several results, server errors, a dropped link, hangs.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>

#include "component/ModGlobal.h"
#include "korvanda/textform.h"
#include "support/odbc.h"
#include "odbc/tds_server_support.h"
#include "odbc/engine.h"
#include "support/fixture.h"

namespace korvanda::odbc {
namespace {

using testing::FakeTdsServer;
using T = FakeTdsServer::Type;

using korvanda::testing::errorOf;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class FreeTds : public ::testing::Test {
 protected:
  void SetUp() override { KORVANDA_REQUIRE_ODBC(); }

  std::string server(int port) {
    return "DRIVER=FreeTDS;SERVER=127.0.0.1;PORT=" + std::to_string(port) + ";TDS_Version=7.4";
  }
  ConnectionRef connect(FakeTdsServer& s, const std::string& password = "s3creto",
                        int loginTimeout = 5) {
    OdbcOptions options;
    options.loginTimeoutSeconds = loginTimeout;
    options.connectionTimeoutSeconds = 5;
    return openOdbc(server(s.port()), "capturista", password, "Subsidios", options);
  }
};

TEST_F(FreeTds, LoginSetsDayFirstDatesAndNoTranslation) {
  FakeTdsServer s("capturista", "s3creto");
  auto c = connect(s);
  auto* odbc = dynamic_cast<OdbcConnection*>(c.get());
  ASSERT_NE(odbc, nullptr);
  EXPECT_EQ(odbc->dbmsName(), "Microsoft SQL Server");
  EXPECT_EQ(odbc->dialect(), nullptr);
  EXPECT_EQ(c->state(), 1);
  ASSERT_FALSE(s.batches().empty());
  EXPECT_EQ(s.batches().front(), "SET DATEFORMAT DMY");

  // Statements reach the server unchanged.
  const std::string insert =
      "SET DATEFORMAT DMY INSERT INTO SUBMAGRICOLA (Poliza, FechaAlta) VALUES ('P-1', "
      "'31/12/2026')";
  EXPECT_EQ(c->execute(insert), nullptr);
  EXPECT_EQ(s.batches().back(), insert);
}

TEST_F(FreeTds, SqlServerColumnTypesBecomeTheirFields) {
  FakeTdsServer s("capturista", "s3creto");
  FakeTdsServer::ResultSet rs{
      {{"Entero", T::Int}, {"Chico", T::SmallInt}, {"Grande", T::BigInt}, {"Byte", T::TinyInt},
       {"Bandera", T::Bit}, {"Real", T::Float}, {"Importe", T::Money},
       {"Tasa", T::Decimal, 0, 12, 2}, {"Fecha", T::DateTime}, {"Nombre", T::VarChar, 40},
       {"Clave", T::Char, 4}, {"NombreN", T::NVarChar, 30}},
      {{"123456", "-32768", "9007199254740993", "255", "1", "0.1", "-12345.6789", "-123.45",
        "2026-12-31 13:05:00", "Ñandú Peñasco", "MX", "acción ñ €"},
       {std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
        std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt}}};
  s.answer("SELECT * FROM TIPOS", {{rs}});
  auto c = connect(s);
  auto r = c->execute("SELECT * FROM TIPOS");
  ASSERT_TRUE(r);
  const std::pair<int32_t, int32_t> expected[] = {{3, 4},   {2, 2},   {20, 8},  {17, 1},
                                                  {11, 2},  {5, 8},   {131, 19}, {131, 19},
                                                  {7, 8},   {200, 40}, {129, 4}, {200, 30}};
  ASSERT_EQ(r->fieldCount(), std::size(expected));
  for (size_t i = 0; i < r->fieldCount(); ++i) {
    EXPECT_EQ(r->field(i).type, expected[i].first) << r->field(i).name;
    EXPECT_EQ(r->field(i).definedSize, expected[i].second) << r->field(i).name;
  }
  EXPECT_EQ(r->value("Entero"), Variant(int32_t{123456}));
  EXPECT_EQ(r->value("Chico"), Variant(int16_t{-32768}));
  EXPECT_EQ(r->value("Grande"), Variant(int64_t{9007199254740993}));
  EXPECT_EQ(r->value("Byte"), Variant(uint8_t{255}));
  EXPECT_EQ(r->value("Bandera"), Variant(true));
  EXPECT_EQ(r->value("Real"), Variant(0.1));
  EXPECT_EQ(r->value("Importe"), Variant(Decimal{-123456789, 4}));
  EXPECT_EQ(r->value("Tasa"), Variant(Decimal{-12345, 2}));
  EXPECT_EQ(r->value("Fecha"), Variant(dateFromParts(2026, 12, 31, 13, 5, 0)));
  EXPECT_EQ(r->value("Nombre"), Variant("Ñandú Peñasco"));
  EXPECT_EQ(r->value("Clave"), Variant("MX  "));  // char(n) keeps its padding
  EXPECT_EQ(r->value("NombreN"), Variant("acción ñ €"));
  r->moveNext();
  for (size_t i = 0; i < r->fieldCount(); ++i) EXPECT_TRUE(r->value(i).isNull()) << i;
}

TEST_F(FreeTds, SeveralResultsGiveTheLastRowsAndSkipCounts) {
  FakeTdsServer s("capturista", "s3creto");
  FakeTdsServer::ResultSet first{{{"A", T::Int}}, {{"1"}}};
  FakeTdsServer::ResultSet second{{{"B", T::VarChar, 10}}, {{"dos"}, {"tres"}}};
  s.answer("lote", {{FakeTdsServer::RowCount{3}, first, FakeTdsServer::RowCount{1}, second,
                     FakeTdsServer::RowCount{2}}});
  auto c = connect(s);
  auto r = c->execute("lote");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->field(0).name, "B");
  EXPECT_EQ(r->recordCount(), 2);
  EXPECT_EQ(r->value(size_t{0}), Variant("dos"));
  s.answer("solo cuentas", {{FakeTdsServer::RowCount{3}, FakeTdsServer::RowCount{0}}});
  EXPECT_EQ(c->execute("solo cuentas"), nullptr);
}

TEST_F(FreeTds, ServerErrorsCarryNumberStateAndEveryMessage) {
  FakeTdsServer s("capturista", "s3creto");
  s.answer("SELECT * FROM NOEXISTE",
           {{FakeTdsServer::ServerError{208, "Invalid object name 'NOEXISTE'."}}});
  FakeTdsServer::ResultSet ok{{{"A", T::Int}}, {{"1"}}};
  // The failure comes after a first result: it is still the statement's failure.
  s.answer("SELECT 1 SELECT * FROM NOEXISTE",
           {{ok, FakeTdsServer::ServerError{208, "Invalid object name 'NOEXISTE'."}}});
  auto c = connect(s);
  for (const char* sql : {"SELECT * FROM NOEXISTE", "SELECT 1 SELECT * FROM NOEXISTE"}) {
    Error e = errorOf([&] { c->execute(sql); });
    EXPECT_EQ(e.number(), -208) << sql;
    EXPECT_EQ(e.source(), "ODBC");
    EXPECT_TRUE(contains(e.description(), "SQLSTATE 42S02, native error 208: ")) << e.description();
    EXPECT_TRUE(contains(e.description(), "Invalid object name 'NOEXISTE'.")) << e.description();
  }
  EXPECT_EQ(c->state(), 1);
}

TEST_F(FreeTds, WrongPasswordIsTheServersLoginError) {
  FakeTdsServer s("capturista", "s3creto");
  Error e = errorOf([&] { connect(s, "otra"); });
  EXPECT_EQ(e.number(), -18456);
  EXPECT_TRUE(contains(e.description(), "Login failed for user 'capturista'.")) << e.description();
  EXPECT_TRUE(contains(e.description(), "SQLSTATE ")) << e.description();
  EXPECT_FALSE(contains(e.description(), "otra")) << "password in the message";
  EXPECT_TRUE(contains(e.description(), "PWD=***")) << e.description();
}

TEST_F(FreeTds, DroppedLinkClosesTheConnectionAndTheSlotReopensIt) {
  FakeTdsServer s("capturista", "s3creto");
  s.answer("corta", {{}, true});
  FakeTdsServer::ResultSet one{{{"N", T::Int}}, {{"1"}}};
  s.answer("SELECT 1", {{one}});
  auto c = connect(s);
  Error e = errorOf([&] { c->execute("corta"); });
  EXPECT_TRUE(contains(e.description(), "Unexpected EOF from the server")) << e.description();
  EXPECT_EQ(c->state(), 0);
  EXPECT_EQ(errorOf([&] { c->execute("SELECT 1"); }).number(), 3704);

  // The shared connection: the next getOpenConnection opens it again, with its settings.
  slot::current() = c;
  ConnectionRef again = getOpenConnection();
  EXPECT_EQ(again, c);
  EXPECT_EQ(c->state(), 1);
  EXPECT_EQ(s.logins(), 2);
  EXPECT_EQ(c->execute("SELECT 1")->value(size_t{0}), Variant(int32_t{1}));
  slot::current().reset();
}

TEST_F(FreeTds, TransactionsUseTheServersTransactionRequests) {
  FakeTdsServer s("capturista", "s3creto");
  auto c = connect(s);
  c->beginTrans();
  c->execute("UPDATE T SET A = 1");
  c->commitTrans();
  c->beginTrans();
  c->rollbackTrans();
  // FreeTDS begins a new transaction after each commit or rollback while autocommit is off, and
  // rolls that empty one back when autocommit comes back on.
  auto b = s.batches();
  EXPECT_EQ(std::vector<std::string>(b.begin() + 1, b.end()),
            (std::vector<std::string>{"<begin>", "UPDATE T SET A = 1", "<commit>", "<rollback>",
                                      "<begin>", "<rollback>", "<rollback>"}));
  c->close();
  EXPECT_EQ(c->state(), 0);
}

// A connection attempt runs on its own thread so that a hang fails the test instead of stopping
// the run.
Error connectionFailure(const std::function<void()>& attempt) {
  auto result = std::make_shared<std::promise<Error>>();
  auto future = result->get_future();
  std::thread([attempt, result] {
    try {
      attempt();
      result->set_value(Error(0, "", "connected"));
    } catch (const Error& e) {
      result->set_value(e);
    }
  }).detach();
  if (future.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
    ADD_FAILURE() << "the connection attempt hung";
    return Error(0, "", "hung");
  }
  return future.get();
}

TEST_F(FreeTds, ServerThatNeverAnswersFailsAtTheLoginTimeout) {
  auto s = std::make_shared<FakeTdsServer>("capturista", "s3creto", true);
  Error e = connectionFailure([this, s] { connect(*s, "s3creto", 1); });
  EXPECT_NE(e.number(), 0) << e.description();
  EXPECT_TRUE(contains(e.description(), "Cannot connect with DRIVER=FreeTDS;SERVER=127.0.0.1"))
      << e.description();
  EXPECT_TRUE(contains(e.description(), "SQLSTATE ")) << e.description();
}

TEST_F(FreeTds, StatementThatNeverEndsFailsAtTheQueryTimeout) {
  FakeTdsServer s("capturista", "s3creto");
  s.answer("WAITFOR DELAY '01:00:00'", {{}, false, true});
  FakeTdsServer::ResultSet one{{{"N", T::Int}}, {{"1"}}};
  s.answer("SELECT 1", {{one}});
  OdbcOptions o;
  o.queryTimeoutSeconds = 1;
  ConnectionRef c = openOdbc(server(s.port()), "capturista", "s3creto", "Subsidios", o);
  Error e = connectionFailure([c] { c->execute("WAITFOR DELAY '01:00:00'"); });
  EXPECT_TRUE(contains(e.description(), "SQLSTATE HYT00")) << e.description();
  // Cancelled, not broken: the connection goes on.
  EXPECT_EQ(c->state(), 1);
  EXPECT_EQ(c->execute("SELECT 1")->value(size_t{0}), Variant(int32_t{1}));
}

TEST_F(FreeTds, NoServerListeningIsAConnectionFailure) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  int port = ntohs(addr.sin_port);
  ::close(fd);  // nothing listens there now
  Error e = connectionFailure([&] {
    OdbcOptions o;
    o.loginTimeoutSeconds = 2;
    openOdbc(server(port), "u", "p", "db", o);
  });
  EXPECT_LT(e.number(), 0);
  EXPECT_TRUE(contains(e.description(), "SQLSTATE 08001")) << e.description();
}

TEST_F(FreeTds, PlainHostNameGoesThroughAnInstalledDriver) {
  Error e = connectionFailure([] {
    OdbcOptions o;
    o.loginTimeoutSeconds = 2;
    openOdbc("korvanda-no-such-host.invalid", "u", "p", "db", o);
  });
  EXPECT_TRUE(contains(e.description(), "SERVER=korvanda-no-such-host.invalid")) << e.description();
  EXPECT_TRUE(contains(e.description(), "SQLSTATE 08001")) << e.description();
}

}  // namespace
}  // namespace korvanda::odbc
