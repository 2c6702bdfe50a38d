#include "export/procedure.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "korvanda/textform.h"
#include "core/recordset_store.h"

namespace korvanda {

void ExportProgress::start(int32_t total) {
  total_ = total;
  count_ = 0;
  sink_(1);
}

void ExportProgress::startBytes(int64_t total) {
  shift_ = 0;
  while ((total >> shift_) > INT32_MAX) ++shift_;
  start(static_cast<int32_t>(total >> shift_));
}

void ExportProgress::step() {
  if (count_ == INT32_MAX) throw errors::overflow();
  ++count_;
  sink_(rule_(total_, count_));
}

void ExportProgress::stepToBytes(int64_t bytes) {
  count_ = static_cast<int32_t>(std::min<int64_t>(bytes >> shift_, INT32_MAX));
  sink_(rule_(total_, count_));
}

ProgressBasis progressBasis(Recordset& rs) {
  int32_t count = rs.recordCount();
  if (count >= 0 || !rs.forwardOnly() || !rs.source()) return {false, count};
  auto hint = rs.source()->sizeHint();
  if (!hint) return {false, -1};
  return {hint->unit == SizeHint::kBytes, hint->total};
}

Recordset& requireRecordset(const RecordsetRef& records, const std::string& source) {
  if (!records) throw Error(kAppError1001, source, std::string(kNoRecordsetDescription));
  return *records;
}

void moveFirstOrRefuse(Recordset& rs, const std::string& source) {
  rs.moveFirst();
  if (rs.eof()) throw Error(kAppError1001, source, std::string(kNoRecordsDescription));
}

void writeRecords(ExportFile& file, Recordset& rs, const ExportLayout& layout,
                  ExportProgress& progress, bool byBytes) {
  const int64_t bytesBefore = static_cast<int64_t>(progress.count()) << progress.shift();
  std::string line;
  line.reserve(2048);
  std::vector<size_t> columns;
  bool resolved = false;
  std::optional<size_t> row;  // the current record's, the same for every field of a line
  auto readCell = [&rs, &row](size_t col) -> const Cell& {
    if (!row) throw errors::noCurrentRecord();
    return rs.cell(*row, col);
  };
  while (!rs.eof()) {
    row = rs.currentRow();
    if (!resolved) {
      columns = resolveColumns(rs, layout);
      resolved = true;
    }
    file.countBlanked(buildLine(line, rs, layout, columns, readCell));
    file.writeLine(line, layout.replaceEnie);
    rs.moveNext();
    if (byBytes) progress.stepToBytes(bytesBefore + rs.source()->bytesRead());
    else progress.step();
  }
}

void exportRecordset(const std::string& path, const RecordsetRef& records,
                     const ExportLayout& layout, ExportProgress& progress,
                     const std::string& source) {
  Recordset& rs = requireRecordset(records, source);
  moveFirstOrRefuse(rs, source);
  ExportFile file = ExportFile::create(path, source);
  rs.moveFirst();
  ProgressBasis basis = progressBasis(rs);
  if (basis.bytes) progress.startBytes(basis.total);
  else progress.start(static_cast<int32_t>(std::min<int64_t>(basis.total, INT32_MAX)));
  writeRecords(file, rs, layout, progress, basis.bytes);
  file.close();
}

std::string placeholderLine(int16_t ramo, int16_t status, std::string_view cveFondo,
                            std::string_view ciclo, size_t& blanked) {
  std::string line;
  if (ramo == 1) {
    // Shaped as a claims line: the cycle in field 8, zeros for keys and amounts.
    line = "0|0||||||";
    const size_t start = line.size();
    line.append(ciclo);
    blanked += blankSeparators(line, start);
    line += "|0|0|0|0|0|0|0|0|";
  } else if (ramo == 2) {
    line.append(cveFondo);
    blanked += blankSeparators(line, 0);
    line += "|0|0||||0|0|0|0|0|0|0|0|0|0|0|0|0|";
    appendInt(line, status);
  }
  return line;
}

}  // namespace korvanda
