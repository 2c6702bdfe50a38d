// The method frame every routine follows: run the body; on failure log one line under the
// routine's label and raise the same error again (number, source and description unchanged).
#pragma once

#include <new>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "component/modErrores.h"
#include "core/as_error.h"
#include "korvanda/error.h"
#include "core/statement_rule.h"

namespace korvanda {

// rule: how many statements one text may hold while the member runs (statement_rule.h); only
// the generic statement members take Statements::batch.
template <class F>
decltype(auto) frame(std::string_view label, Statements rule, F&& body) {
  MemberStatements statements(label, rule);
  try {
    return body();
  } catch (...) {
    ManejaError(asError(std::current_exception()), label);
  }
}

template <class F>
decltype(auto) frame(std::string_view label, F&& body) {
  return frame(label, Statements::one, std::forward<F>(body));
}

}  // namespace korvanda
