// "Columns, then values": the INSERT statements of the registration tables, written from a
// declarative list of columns, each with its rendering and its value.
//
//   head + "(" + " c1" + " ,c2" ... + " )" + " values(" + v1 + " ,v2" ... + " )"
//
// Renderings: text as '...' (single quotes doubled), integer as plain decimal text, decimal
// as at most 15 significant digits, date as 'dd/mm/yyyy[ HH:MM:SS]'.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "korvanda/variant.h"

namespace korvanda::registration {

enum class Rendering : uint8_t { text, integer, decimal, date };

struct Column {
  std::string_view name;
  Rendering rendering;
  // text: string_view; integer: int64_t; decimal: double; date: Date.
  std::variant<std::string_view, int64_t, double, Date> value;
};

inline Column text(std::string_view name, std::string_view v) {
  return {name, Rendering::text, v};
}
inline Column integer(std::string_view name, int64_t v) {
  return {name, Rendering::integer, v};
}
inline Column decimal(std::string_view name, double v) {
  return {name, Rendering::decimal, v};
}
inline Column date(std::string_view name, Date v) {
  return {name, Rendering::date, v};
}

struct InsertLayout {
  std::string_view head;            // "INSERT INTO T " with any prefix and its trailing blank
  bool blankBeforeFirstValue;       // " values( 'x'" rather than " values(1"
  std::string_view source;          // the member that stores the record, as its errors name it
};

// The statement text. A decimal that is not a finite number is refused (error 5). A text
// holding "|", CR or LF, which would split a record of the pipe-delimited export files, is
// refused (-2147220503, naming the column, with the layout's source).
std::string buildInsert(const InsertLayout& layout, std::span<const Column> columns);
// The same, appended to out (no allocation beyond out's growth).
void appendInsert(std::string& out, const InsertLayout& layout, std::span<const Column> columns);

}  // namespace korvanda::registration
