// The export layouts by name, for callers outside the library that build their record sets.
#include <utility>

#include "export/layouts.h"
#include "korvanda/administration.h"

namespace korvanda {

std::vector<std::string> exportLayoutFields(std::string_view layout) {
  static const std::pair<std::string_view, const ExportLayout*> kByName[] = {
      {"DatAgricola", &exportLayouts::kDatAgricola}, {"DatGanadero", &exportLayouts::kDatGanadero},
      {"FormatoB1", &exportLayouts::kFormatoB1},     {"FormatoB2", &exportLayouts::kFormatoB2},
      {"FormatoC", &exportLayouts::kFormatoC}};
  for (const auto& [name, found] : kByName) {
    if (name != layout) continue;
    std::vector<std::string> fields;
    for (const ExportField& f : found->fields) fields.emplace_back(f.name);
    return fields;
  }
  throw errors::invalidArgument("no export layout is named \"" + std::string(layout) + "\"");
}

}  // namespace korvanda
