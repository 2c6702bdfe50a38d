// The export procedure every export file shares: refusals, progress, one line per record.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "export/export_file.h"
#include "export/layouts.h"
#include "korvanda/connection.h"
#include "korvanda/error.h"
#include "korvanda/recordset.h"

namespace korvanda {

inline constexpr std::string_view kNoRecordsetDescription =
    "La información que desea exportar debe estar cargada en la pantalla,\r"
    "     capture la información o use Abrir en el menu";
inline constexpr std::string_view kNoRecordsDescription = "No hay información para exportar";

// Progress of one export, over one or more files.
class ExportProgress {
 public:
  using Rule = std::function<int16_t(int32_t total, int32_t count)>;
  using Sink = std::function<void(int16_t)>;
  ExportProgress(Rule rule, Sink sink) : rule_(std::move(rule)), sink_(std::move(sink)) {}

  // Counter to 0 and progress to 1.
  void start(int32_t total);
  // The same over a count in bytes, scaled down to fit the rule's int32 when it must.
  void startBytes(int64_t total);
  // One more line: the counter goes up and the progress follows the rule.
  void step();
  // One more line, the counter at this many bytes (scaled as the total).
  void stepToBytes(int64_t bytes);
  int32_t total() const { return total_; }
  int32_t count() const { return count_; }
  int shift() const { return shift_; }

 private:
  Rule rule_;
  Sink sink_;
  int32_t total_ = 0;
  int32_t count_ = 0;
  int shift_ = 0;  // bytes are counted in units of 2^shift_
};

// What an export's progress counts: lines against the record count, or, for a forward-only
// record set that cannot tell its count (-1), what its source knows: the records of a count
// query, or the bytes of input read against the input's size. total -1: unknown.
struct ProgressBasis {
  bool bytes = false;
  int64_t total = -1;
};
ProgressBasis progressBasis(Recordset& rs);

// The record set, or the refusal for no object.
Recordset& requireRecordset(const RecordsetRef& records, const std::string& source);
// Moves to the first record; a record set with none is refused.
void moveFirstOrRefuse(Recordset& rs, const std::string& source);

// Writes one line per record from the current one to the end, stepping the progress after
// each (by lines, or by bytes of input read on from where the counter stands). Layout fields
// are looked up once, at the first record; separators blanked inside values are counted on the
// file.
void writeRecords(ExportFile& file, Recordset& rs, const ExportLayout& layout,
                  ExportProgress& progress, bool byBytes = false);

// The whole procedure for one file: refusals, the file made afresh, progress from 1 over the
// record count, every record, the file closed.
void exportRecordset(const std::string& path, const RecordsetRef& records,
                     const ExportLayout& layout, ExportProgress& progress,
                     const std::string& source);

// The one line of the placeholder file for a branch (1 agricultural, 2 livestock, else empty).
// Separators inside the two texts are blanked and added to `blanked`.
std::string placeholderLine(int16_t ramo, int16_t status, std::string_view cveFondo,
                            std::string_view ciclo, size_t& blanked);

}  // namespace korvanda
