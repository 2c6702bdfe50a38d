// Anything thrown, as the library's Error: the method frame and the C ABI report every failure
// through it.
#pragma once

#include <exception>

#include "korvanda/error.h"

namespace korvanda {

// An Error comes back unchanged; bad_alloc is 7 "Out of memory"; any other exception is 5 with
// its text; anything else is 5 "unknown failure".
Error asError(std::exception_ptr e);

}  // namespace korvanda
