// clsControlFiles: the four export files.
#include <climits>

#include "component/frame.h"
#include "export/procedure.h"
#include "korvanda/clsControlFiles.h"
#include "components/digest.h"

namespace korvanda {
namespace {

// Progress that stores into the object's fileAdvance and tells its observer.
ExportProgress progressOf(clsControlFiles& self, int16_t& fileAdvance,
                          const std::function<void(int16_t)>& observer) {
  return ExportProgress(
      [&self](int32_t total, int32_t count) { return self.setPercentAdvanceExport(total, count); },
      [&fileAdvance, &observer](int16_t value) {
        fileAdvance = value;
        if (observer) observer(value);
      });
}

const ExportLayout& datLayout(int16_t ramo) {
  if (ramo == 1) return exportLayouts::kDatAgricola;
  if (ramo == 2) return exportLayouts::kDatGanadero;
  return exportLayouts::kNoFieldsEnie;
}

}  // namespace

bool clsControlFiles::ExportFileDat(const std::string& pstrRutaFile, RecordsetRef pObjRsDatos,
                                    int16_t pintRamo) {
  static const std::string kLabel = "KORVANDA.clsControlFiles.ExportFileDat";
  return frame(kLabel, [&] {
    components::CSHA256 digest;
    correctFile_ = true;
    ExportProgress progress = progressOf(*this, fileAdvance_, progressObserver_);
    exportRecordset(pstrRutaFile, pObjRsDatos, datLayout(pintRamo), progress, kLabel);
    return true;
  });
}

bool clsControlFiles::ExportFilesFormatoB(const std::string& pstrRutaFileFB1,
                                          const std::string& pstrRutaFileFB2,
                                          RecordsetRef pobjRsFormatoB1,
                                          RecordsetRef pobjRsFormatoB2) {
  static const std::string kLabel = "KORVANDA.clsControlFiles.ExportFilesFormatoB";
  return frame(kLabel, [&] {
    components::CSHA256 digest;
    correctFile_ = true;
    ExportProgress progress = progressOf(*this, fileAdvance_, progressObserver_);

    // Policy file. One count covers both files: twice the policy records (by bytes of input:
    // both inputs' sizes, when the persons' is known already).
    Recordset& policies = requireRecordset(pobjRsFormatoB1, kLabel);
    moveFirstOrRefuse(policies, kLabel);
    const ProgressBasis basis = progressBasis(policies);
    if (!basis.bytes && (basis.total > INT32_MAX / 2 || basis.total < INT32_MIN / 2))
      throw errors::overflow();
    {
      ExportFile file = ExportFile::create(pstrRutaFileFB1, kLabel);
      policies.moveFirst();
      if (basis.bytes) {
        ProgressBasis other = pobjRsFormatoB2 ? progressBasis(*pobjRsFormatoB2) : ProgressBasis{};
        progress.startBytes(basis.total + (other.bytes ? other.total : basis.total));
      } else {
        progress.start(static_cast<int32_t>(basis.total * 2));
      }
      writeRecords(file, policies, exportLayouts::kFormatoB1, progress, basis.bytes);
      file.close();
    }

    // Persons file: the counter goes on.
    Recordset& persons = requireRecordset(pobjRsFormatoB2, kLabel);
    moveFirstOrRefuse(persons, kLabel);
    ExportFile file = ExportFile::create(pstrRutaFileFB2, kLabel);
    persons.moveFirst();
    writeRecords(file, persons, exportLayouts::kFormatoB2, progress,
                 basis.bytes && progressBasis(persons).bytes);
    file.close();
    return true;
  });
}

bool clsControlFiles::ExportFileDatForCSta(const std::string& pstrRutaFile, int16_t pintRamo,
                                           int16_t pintStatus, const std::string& pstrCveFondo,
                                           int16_t pintSemestre, int16_t pintAnio,
                                           const std::string& pstrCiclo) {
  static const std::string kLabel = "KORVANDA.clsControlFiles.ExportFileDatforCst";
  return frame(kLabel, [&] {
    components::CSHA256 digest;
    correctFile_ = true;
    ExportProgress progress = progressOf(*this, fileAdvance_, progressObserver_);
    ExportFile file = ExportFile::create(pstrRutaFile, kLabel);
    progress.start(0);
    // The argument texts go out as given (but for separators): no "Ñ" replacement here.
    size_t blanked = 0;
    file.writeLine(placeholderLine(pintRamo, pintStatus, pstrCveFondo, pstrCiclo, blanked), false);
    file.countBlanked(blanked);
    progress.step();
    file.close();
    return true;
  });
}

bool clsControlFiles::ExportFileDatFormatoC(const std::string& pstrRutaFile,
                                            RecordsetRef pObjRsDatos, int16_t pintRamo,
                                            const std::string& pstrCveFondo,
                                            int16_t pintSemestre, int16_t pintAnio,
                                            int16_t pintStatus) {
  static const std::string kLabel = "KORVANDA.clsControlFiles.ExportFileDatFormatoC";
  return frame(kLabel, [&] {
    components::CSHA256 digest;
    correctFile_ = true;
    ExportProgress progress = progressOf(*this, fileAdvance_, progressObserver_);
    const ExportLayout& layout =
        pintRamo == 1 ? exportLayouts::kFormatoC : exportLayouts::kNoFieldsEnie;
    exportRecordset(pstrRutaFile, pObjRsDatos, layout, progress, kLabel);
    return true;
  });
}

}  // namespace korvanda
