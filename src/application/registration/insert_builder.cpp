#include "registration/insert_builder.h"

#include <cmath>

#include "korvanda/error.h"
#include "korvanda/textform.h"

namespace korvanda::registration {
namespace {

void appendQuotedText(std::string& out, std::string_view s) {
  out.push_back('\'');
  for (char c : s) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  out.push_back('\'');
}

void appendValue(std::string& out, const InsertLayout& layout, const Column& c) {
  switch (c.rendering) {
    case Rendering::text: {
      const std::string_view text = std::get<std::string_view>(c.value);
      if (text.find_first_of("|\r\n") != std::string_view::npos)
        throw Error(kAppError1001, std::string(layout.source),
                    "El campo " + std::string(c.name) +
                        " contiene un separador de registro (barra vertical, retorno de carro o"
                        " salto de linea) y no se puede guardar");
      appendQuotedText(out, text);
      return;
    }
    case Rendering::integer:
      appendInt(out, std::get<int64_t>(c.value));
      return;
    case Rendering::decimal: {
      double v = std::get<double>(c.value);
      if (!std::isfinite(v))
        throw errors::invalidArgument(std::string(c.name) + " is not a finite number");
      appendDouble(out, v);
      return;
    }
    case Rendering::date:
      out.push_back('\'');
      appendDate(out, std::get<Date>(c.value));
      out.push_back('\'');
      return;
  }
}

}  // namespace

void appendInsert(std::string& out, const InsertLayout& layout, std::span<const Column> columns) {
  out += layout.head;
  out += '(';
  bool first = true;
  for (const Column& c : columns) {
    out += first ? " " : " ,";
    out += c.name;
    first = false;
  }
  out += " ) values(";
  first = true;
  for (const Column& c : columns) {
    if (!first) out += " ,";
    else if (layout.blankBeforeFirstValue) out += ' ';
    appendValue(out, layout, c);
    first = false;
  }
  out += " )";
}

std::string buildInsert(const InsertLayout& layout, std::span<const Column> columns) {
  std::string out;
  size_t estimate = layout.head.size() + 16;
  for (const Column& c : columns) {
    estimate += c.name.size() + 4;
    if (const auto* s = std::get_if<std::string_view>(&c.value)) estimate += s->size() + 2;
    else estimate += 24;
  }
  out.reserve(estimate);
  appendInsert(out, layout, columns);
  return out;
}

}  // namespace korvanda::registration
