// Export layouts as data: each line is a list of record-set fields, each with its rule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "korvanda/error.h"
#include "korvanda/recordset.h"

namespace korvanda {

enum class FieldRule : uint8_t {
  Plain,              // Null empty, anything else its text form
  Trimmed,            // as Plain, without leading and trailing blanks (U+0020)
  NineAsThree,        // a value equal to 9 is written "3"
  CropTypeIndicator,  // Null empty, a value equal to 5 "1", anything else "2"
  EmptyOn1900,        // Null, or a date whose day/month/year is 01/01/1900, empty
  ZeroAsZero,         // a value equal to 0 is written "0"
  DefaultOrPlain,     // Null or the empty text gives the default text, else Plain
  DefaultOrTrimmed,   // Null or the empty text gives the default text, else Trimmed
};

struct ExportField {
  std::string_view name;
  FieldRule rule = FieldRule::Plain;
  std::string_view fallback = {};  // the default text of the Default rules
};

struct ExportLayout {
  std::span<const ExportField> fields;  // empty: every line is empty
  bool replaceEnie = false;             // "Ñ" -> "N", "ñ" -> "n" on the finished line
  bool passNoCurrentRecord = false;     // a 3021 while reading a field drops that field
};

// The layouts of the export files.
namespace exportLayouts {
extern const ExportLayout kDatAgricola;     // subscription data file, branch 1: 63 fields
extern const ExportLayout kDatGanadero;     // subscription data file, branch 2: 28 fields
extern const ExportLayout kFormatoB1;       // Format B policy file: 30 fields
extern const ExportLayout kFormatoB2;       // Format B persons file: 40 fields
extern const ExportLayout kFormatoC;        // Format C claims file, branch 1: 17 fields
extern const ExportLayout kNoFieldsEnie;    // other branches: empty lines
}  // namespace exportLayouts

// Appends the text of one field by its rule (UTF-8; the file converts the finished line).
void appendFieldText(std::string& out, const Recordset& rs, const Cell& cell,
                     const ExportField& field);

// Writes every "|", CR and LF of out from position `from` on as a blank, so that a value never
// breaks its record; returns how many it changed.
size_t blankSeparators(std::string& out, size_t from);
// The bytes of s that are '|', CR or LF.
size_t separatorBytes(std::string_view s);

// Column of each layout field in the record set (3265 for a missing one), by name with letter
// case ignored.
std::vector<size_t> resolveColumns(const Recordset& rs, const ExportLayout& layout);

// Builds one line: the fields' texts joined by "|". readCell(column) gives the current
// record's cell. With passNoCurrentRecord, a field whose read fails with 3021 is left out
// together with the "|" before it. Returns the separators blanked inside values.
template <class ReadCell>
size_t buildLine(std::string& line, const Recordset& rs, const ExportLayout& layout,
               std::span<const size_t> columns, ReadCell&& readCell) {
  // Most lines hold no separator inside a field: one pass over the line tells, by counting
  // the separator bytes against the delimiters put in; only the other lines are built again
  // with each field blanked.
  for (bool eachField : {false, true}) {
    line.clear();
    size_t blanked = 0, delimiters = 0;
    for (size_t i = 0; i < layout.fields.size(); ++i) {
      const Cell* cell;
      try {
        cell = &readCell(columns[i]);
      } catch (const Error& e) {
        if (layout.passNoCurrentRecord && e.number() == 3021) continue;
        throw;
      }
      if (i > 0) {
        line.push_back('|');
        ++delimiters;
      }
      const size_t start = line.size();
      appendFieldText(line, rs, *cell, layout.fields[i]);
      if (eachField) blanked += blankSeparators(line, start);
    }
    if (eachField || separatorBytes(line) == delimiters) return blanked;
  }
  return 0;
}

}  // namespace korvanda
