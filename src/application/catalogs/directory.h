// The catalog directory: catalog identifier -> table name and code column.
#pragma once

#include <cstdint>
#include <string>

namespace korvanda {

// Empty text for an identifier that names no catalog.
std::string nameTablesCat(int16_t id);
std::string nameClaveTablesCat(int16_t id);

}  // namespace korvanda
