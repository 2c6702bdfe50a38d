// clsControlFiles: export state (fileAdvance, correctFile), the progress rule, member table.
#include "korvanda/clsControlFiles.h"

#include <cmath>

#include "component/frame.h"
#include "core/binder.h"

namespace korvanda {

clsControlFiles::clsControlFiles() {
  frame("KORVANDA.clsControlFiles.Class_Initialize", [this] {
    fileAdvance_ = 1;
    correctFile_ = true;
  });
}

int16_t clsControlFiles::getFileAdvance() const {
  return frame("KORVANDA.clsControlFiles.fileAdvance", [this] { return fileAdvance_; });
}
void clsControlFiles::setFileAdvance(int16_t value) {
  frame("KORVANDA.clsControlFiles.fileAdvance", [&] { fileAdvance_ = value; });
}
bool clsControlFiles::getCorrectFile() const {
  return frame("KORVANDA.clsControlFiles.correctFile", [this] { return correctFile_; });
}
void clsControlFiles::setCorrectFile(bool value) {
  frame("KORVANDA.clsControlFiles.correctFile", [&] { correctFile_ = value; });
}

namespace {
int16_t progress(int32_t total, int32_t count) {
  if (total <= 0) return 1;
  // nearbyint rounds halves to the even neighbour.
  double pct = std::nearbyint(static_cast<double>(count) / static_cast<double>(total) * 100.0);
  if (pct < 1) return 1;
  if (pct > 100) return 100;
  return static_cast<int16_t>(pct);
}
}  // namespace

int16_t clsControlFiles::setPercentAdvanceExport(int32_t total, int32_t count) {
  return frame("KORVANDA.clsControlFiles.setPercentAdvanceExport",
               [&] { return progress(total, count); });
}
int16_t clsControlFiles::setPercentAdvanceImport(int32_t total, int32_t count) {
  return frame("KORVANDA.clsControlFiles.setPercentAdvanceImport",
               [&] { return progress(total, count); });
}

void clsControlFiles::onProgress(std::function<void(int16_t)> observer) {
  progressObserver_ = std::move(observer);
}

const DispatchTable& clsControlFiles::dispatchTable() const {
  using namespace binder;
  using C = clsControlFiles;
  static const DispatchTable table(
      "KORVANDA.clsControlFiles",
      {
          get("fileAdvance", &C::getFileAdvance),
          put("fileAdvance", &C::setFileAdvance),
          get("correctFile", &C::getCorrectFile),
          put("correctFile", &C::setCorrectFile),
          method("getEmptyRecordsetAgr", &C::getEmptyRecordsetAgr),
          method("getEmptyRecordsetFcAgr", &C::getEmptyRecordsetFcAgr),
          method("ExportFileDat", &C::ExportFileDat),
          method("ExportFilesFormatoB", &C::ExportFilesFormatoB),
          method("ExportFileDatForCSta", &C::ExportFileDatForCSta),
          method("ExportFileDatFormatoC", &C::ExportFileDatFormatoC),
      });
  return table;
}

}  // namespace korvanda
