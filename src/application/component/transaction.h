// One transaction on a connection, rolled back unless committed.
#pragma once

#include "korvanda/connection.h"

namespace korvanda {

class Transaction {
 public:
  enum class Mode {
    begin,        // begins one; a transaction already open on the connection is an error
    joinOrBegin,  // begins one unless the caller holds one, which then covers the work
  };
  explicit Transaction(ConnectionRef conn, Mode mode = Mode::begin);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // Commits what this object began; nothing when it joined the caller's transaction.
  void commit();

 private:
  ConnectionRef conn_;
  bool owned_ = false;
};

}  // namespace korvanda
