#include "component/rows.h"

#include <string>

namespace korvanda::rows {
namespace {

bool readsAsZero(const Variant& value) {
  if (value.isNull() || value.isEmpty()) return true;
  if (const auto* s = value.get_if<std::string>())
    return s->find_first_not_of(" \t") == std::string::npos;
  return false;
}

}  // namespace

bool hasRow(const RecordsetRef& rs) {
  return rs && rs->state() == 1 && rs->currentRow().has_value();
}

int16_t keyInt16(const Variant& value) { return readsAsZero(value) ? int16_t{0} : toInt16(value); }

int32_t keyInt32(const Variant& value) { return readsAsZero(value) ? 0 : toInt32(value); }

std::optional<int16_t> firstKeyInt16(const RecordsetRef& rs, std::string_view field) {
  if (!hasRow(rs)) return std::nullopt;
  return keyInt16(rs->value(field));
}

std::optional<int32_t> firstKeyInt32(const RecordsetRef& rs, std::string_view field) {
  if (!hasRow(rs)) return std::nullopt;
  return keyInt32(rs->value(field));
}

}  // namespace korvanda::rows
