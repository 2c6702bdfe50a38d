// Reading values out of query results: the first row of a record set and key fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "korvanda/connection.h"
#include "korvanda/recordset.h"
#include "korvanda/variant.h"

namespace korvanda::rows {

// Whether a result is an open record set with a current row (a statement without rows, a
// closed record set or one at its end has none).
bool hasRow(const RecordsetRef& rs);

// A key read from a field value: Null, Empty and blank text read as 0; anything else is
// converted to the key's width (6 when it does not fit, 13 when it is not a number).
int16_t keyInt16(const Variant& value);
int32_t keyInt32(const Variant& value);

// The field of the current row read as a key, or nullopt when there is no row.
std::optional<int16_t> firstKeyInt16(const RecordsetRef& rs, std::string_view field);
std::optional<int32_t> firstKeyInt32(const RecordsetRef& rs, std::string_view field);

}  // namespace korvanda::rows
