// Members whose implementation has not landed yet: they fail with a clear error.
#include "korvanda/clsControlFiles.h"

namespace korvanda {

RecordsetRef clsControlFiles::getEmptyRecordsetAgr() {
  throw errors::notImplemented("clsControlFiles.getEmptyRecordsetAgr");
}
RecordsetRef clsControlFiles::getEmptyRecordsetFcAgr() {
  throw errors::notImplemented("clsControlFiles.getEmptyRecordsetFcAgr");
}
bool clsControlFiles::ExportFileDat(const std::string&, RecordsetRef, int16_t) {
  throw errors::notImplemented("clsControlFiles.ExportFileDat");
}
bool clsControlFiles::ExportFilesFormatoB(const std::string&, const std::string&, RecordsetRef,
                                          RecordsetRef) {
  throw errors::notImplemented("clsControlFiles.ExportFilesFormatoB");
}
bool clsControlFiles::ExportFileDatForCSta(const std::string&, int16_t, int16_t,
                                           const std::string&, int16_t, int16_t,
                                           const std::string&) {
  throw errors::notImplemented("clsControlFiles.ExportFileDatForCSta");
}
bool clsControlFiles::ExportFileDatFormatoC(const std::string&, RecordsetRef, int16_t,
                                            const std::string&, int16_t, int16_t, int16_t) {
  throw errors::notImplemented("clsControlFiles.ExportFileDatFormatoC");
}

}  // namespace korvanda
