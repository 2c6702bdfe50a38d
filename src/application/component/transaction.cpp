#include "component/transaction.h"

#include "korvanda/error.h"

namespace korvanda {
namespace {
// "Only one transaction can be active on this session", from either engine.
constexpr int32_t kNestedTransaction = -2147168237;
}  // namespace

Transaction::Transaction(ConnectionRef conn, Mode mode) : conn_(std::move(conn)) {
  try {
    conn_->beginTrans();
    owned_ = true;
  } catch (const Error& e) {
    if (mode != Mode::joinOrBegin || e.number() != kNestedTransaction) throw;
  }
}

Transaction::~Transaction() {
  if (!owned_) return;
  try {
    conn_->rollbackTrans();
  } catch (...) {
    // A connection that failed has rolled back already, or will when it closes.
  }
}

void Transaction::commit() {
  if (!owned_) return;
  conn_->commitTrans();
  owned_ = false;
}

}  // namespace korvanda
