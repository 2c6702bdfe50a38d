// The method frame every routine follows: run the body; on failure log one line under the
// routine's label and raise the same error again (number, source and description unchanged).
#pragma once

#include <new>
#include <stdexcept>
#include <string_view>

#include "component/modErrores.h"
#include "korvanda/error.h"

namespace korvanda {

// Turns anything thrown into the library's Error.
Error asError(std::exception_ptr e);

template <class F>
decltype(auto) frame(std::string_view label, F&& body) {
  try {
    return body();
  } catch (...) {
    ManejaError(asError(std::current_exception()), label);
  }
}

}  // namespace korvanda
