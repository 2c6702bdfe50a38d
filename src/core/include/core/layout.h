// Empty record-set layouts: a table of fields turned into an open, empty, updatable record set
// that holds no connection, for the application to fill.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "korvanda/connection.h"
#include "korvanda/recordset.h"

namespace korvanda {

struct LayoutField {
  std::string_view name;
  int32_t type;         // FieldType code
  int32_t definedSize;  // characters for text, the declared size otherwise
  int32_t attributes;   // FieldAttribute flags; 0 appends the field without any
};

// Appends the fields in table order, sets a dynamic cursor and optimistic locking, and opens
// the record set without a source.
RecordsetRef openEmptyLayout(std::span<const LayoutField> fields);

}  // namespace korvanda
