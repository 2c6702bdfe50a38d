// The class factory: class identifier -> new object.
#pragma once

#include <string_view>

#include "korvanda/variant.h"

namespace korvanda {

// Letter case of the identifier is ignored. Unknown identifiers fail with 429.
ObjectRef createObject(std::string_view progid);

}  // namespace korvanda
