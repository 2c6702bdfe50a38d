// A SQL Server stand-in for the FreeTDS driver: speaks enough TDS 7.4 on a local port for a login
// (checked against one user and password), batches answered from a script with result sets of
// SQL Server's column types, errors, and a link that drops. No encryption.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace korvanda::testing {

class FakeTdsServer {
 public:
  enum class Type { TinyInt, SmallInt, Int, BigInt, Bit, Float, Money, Decimal, DateTime, VarChar,
                    Char, NVarChar };
  struct Column {
    std::string name;
    Type type;
    uint16_t length = 0;  // characters of VarChar, Char, NVarChar
    uint8_t precision = 0, scale = 0;  // Decimal
  };
  // Values as text: integers and decimals in decimal digits, Float as a double's text, Bit "0"
  // or "1", DateTime "yyyy-mm-dd HH:MM:SS", texts as UTF-8. nullopt is NULL.
  using Row = std::vector<std::optional<std::string>>;
  struct ResultSet {
    std::vector<Column> columns;
    std::vector<Row> rows;
  };
  // One piece of the answer to a batch, in order.
  struct RowCount { int64_t count; };
  struct ServerError { int32_t number; std::string message; uint8_t severity = 16; };
  struct Answer {
    std::vector<std::variant<ResultSet, RowCount, ServerError>> parts;
    bool dropLink = false;  // close the socket instead of answering
    bool hang = false;      // never answer (until the client cancels)
  };

  // silent: accept connections and never answer (a server that hangs).
  FakeTdsServer(std::string user, std::string password, bool silent = false);
  ~FakeTdsServer();
  FakeTdsServer(const FakeTdsServer&) = delete;
  FakeTdsServer& operator=(const FakeTdsServer&) = delete;

  int port() const { return port_; }
  // Batches whose text equals `sql` get this answer; others get a bare DONE.
  void answer(const std::string& sql, Answer a);
  // Batch texts received, in order, over all connections.
  std::vector<std::string> batches() const;
  int logins() const { return logins_; }

 private:
  void acceptLoop();
  void serve(int fd);
  std::optional<Answer> answerFor(const std::string& sql) const;

  std::string user_, password_;
  bool silent_;
  int listener_ = -1;
  int port_ = 0;
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
