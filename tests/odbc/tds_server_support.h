// Kept as the only cover of the FreeTDS path: a SQL Server stand-in for FreeTDS's ODBC driver.
// It speaks enough TDS 7.4 on a local port for a login (any user), batches answered
// from a script with result sets of SQL Server's column types, errors, and a link that drops.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "korvanda/connection.h"
#include "support/fixture.h"

namespace korvanda::testing {

class FakeTdsServer {
 public:
  enum class Type { TinyInt, SmallInt, Int, BigInt, Bit, Float, Money, Decimal, DateTime, VarChar,
                    Char, NVarChar };
  struct Column {
    std::string name;
    Type type;
    uint16_t length = 0;  // characters of VarChar, Char, NVarChar; Decimal's precision
    uint8_t scale = 0;    // Decimal
  };
  // Values as text: numbers in decimal digits, Bit "0" or "1", DateTime "yyyy-mm-dd HH:MM:SS",
  // texts as UTF-8. nullopt is NULL.
  using Row = std::vector<std::optional<std::string>>;
  struct ResultSet {
    std::vector<Column> columns;
    std::vector<Row> rows;
  };
  struct RowCount { int64_t count; };
  struct ServerError { int32_t number; std::string message; };  // severity 16
  // The pieces of the answer to a batch, in order.
  struct Answer {
    std::vector<std::variant<ResultSet, RowCount, ServerError>> parts;
    bool dropLink = false;  // close the socket instead of answering
    bool hang = false;      // never answer (until the client cancels)
  };

  // silent: accept connections and never answer.
  explicit FakeTdsServer(bool silent = false);
  ~FakeTdsServer();

  int port() const { return port_; }
  // Batches whose text equals `sql` get this answer; others a bare DONE.
  void answer(const std::string& sql, Answer a);
  // Batch texts and transaction requests received, in order, over all connections.
  std::vector<std::string> batches() const;
  int logins() const { return logins_; }

 private:
  void serve(int fd);

  bool silent_;
  int listener_ = -1, port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> logins_{0};
  mutable std::mutex mutex_;
  std::map<std::string, Answer> answers_;
  std::vector<std::string> batches_;
  std::vector<int> clients_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
};

}  // namespace korvanda::testing
