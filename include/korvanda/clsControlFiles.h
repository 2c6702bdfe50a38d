// KORVANDA.clsControlFiles: the export files and the capture record-set layouts.
//
// State: fileAdvance (1 when created) and correctFile (true when created), per object. An
// object is used by one thread at a time; exports never touch the database. Record sets passed
// in are only read, moved from their first record to EOF (they are left there). Each export
// sets correctFile to true, writes the whole file under a temporary name beside the path and
// renames it into place only when complete (an old regular file at the path is replaced); on
// failure nothing is left at the path. A failure is logged (logFile.log) and thrown as
// korvanda::Error: -2147220503 a missing record set or one without records, file errors in
// the automation numbers (76 path not found, 70 permission denied, 61 disk full, 75 other).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "korvanda/connection.h"
#include "korvanda/dispatch.h"
#include "korvanda/recordset.h"
#include "korvanda/export.h"

KORVANDA_API_BEGIN
namespace korvanda {

class clsControlFiles : public Dispatchable {
 public:
  clsControlFiles();
  static std::shared_ptr<clsControlFiles> create() { return std::make_shared<clsControlFiles>(); }
  const DispatchTable& dispatchTable() const override;

  int16_t getFileAdvance() const;
  void setFileAdvance(int16_t value);
  bool getCorrectFile() const;
  void setCorrectFile(bool value);

  // New, open, empty capture record sets for the caller to fill (each call a new one).
  RecordsetRef getEmptyRecordsetAgr();
  RecordsetRef getEmptyRecordsetFcAgr();
  // Each returns true once its file is in place. pintRamo 1 agricultural, 2 livestock.
  bool ExportFileDat(const std::string& pstrRutaFile, RecordsetRef pObjRsDatos, int16_t pintRamo);
  bool ExportFilesFormatoB(const std::string& pstrRutaFileFB1, const std::string& pstrRutaFileFB2,
                           RecordsetRef pobjRsFormatoB1, RecordsetRef pobjRsFormatoB2);
  bool ExportFileDatForCSta(const std::string& pstrRutaFile, int16_t pintRamo, int16_t pintStatus,
                            const std::string& pstrCveFondo, int16_t pintSemestre,
                            int16_t pintAnio, const std::string& pstrCiclo);
  bool ExportFileDatFormatoC(const std::string& pstrRutaFile, RecordsetRef pObjRsDatos,
                             int16_t pintRamo, const std::string& pstrCveFondo,
                             int16_t pintSemestre, int16_t pintAnio, int16_t pintStatus);

  // The progress rule: count/total in whole percent, halves to even, kept within 1..100.
  int16_t setPercentAdvanceExport(int32_t total, int32_t count);
  int16_t setPercentAdvanceImport(int32_t total, int32_t count);

  // C++ only: called with every value an export gives fileAdvance (progress bars), on the
  // exporting thread, during the export; what it throws fails the export. Replaces the last.
  void onProgress(std::function<void(int16_t)> observer);

 private:
  int16_t fileAdvance_ = 1;
  bool correctFile_ = true;
  std::function<void(int16_t)> progressObserver_;
};

}  // namespace korvanda
KORVANDA_API_END
