#include "core/statement_rule.h"

#include <string>

#include "korvanda/error.h"

namespace korvanda {
namespace {

struct Running {
  bool active = false;
  std::string_view label;  // the outermost member's, alive while it runs
  Statements rule = Statements::batch;
};
thread_local Running running;

}  // namespace

MemberStatements::MemberStatements(std::string_view label, Statements rule) : outermost_(!running.active) {
  if (outermost_) running = Running{true, label, rule};
}

MemberStatements::~MemberStatements() {
  if (outermost_) running = Running{};
}

void requireStatementCount(size_t count, int32_t errorNumber, std::string_view source) {
  if (count <= 1 || !running.active || running.rule == Statements::batch) return;
  throw Error(errorNumber, std::string(source),
              "The statement text holds " + std::to_string(count) + " statements and " +
                  std::string(running.label) + " runs only one; nothing was run.");
}

}  // namespace korvanda
