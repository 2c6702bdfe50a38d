// Helpers of the export tests: temporary directories, record sets built from rows, files read
// back as bytes, the log, open descriptors.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "korvanda/error.h"
#include "korvanda/recordset.h"
#include "korvanda/variant.h"

namespace exporttest {

using korvanda::Variant;

// A fresh directory per test, with KORVANDA_LOG_DIR pointing into it.
class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  std::string logText() const;

  std::string dir_;
};

// The two kinds of record set an export reads: rows in memory, or a forward-only record set
// whose source gives the rows one at a time and counts them beforehand (as a count query does).
enum class RecordsetKind { InMemory, ForwardOnly };

// A record set with the named fields (text fields that take Null) and the rows given, each
// value stored as it is (no coercion), positioned at its first record.
std::shared_ptr<korvanda::Recordset> makeRecordset(const std::vector<std::string>& names,
                                                   const std::vector<std::vector<Variant>>& rows,
                                                   RecordsetKind kind = RecordsetKind::InMemory);

// The whole-file comparisons run once per kind: in their tests makeRecordset builds the kind
// of the test's parameter.
class BothKinds : public ExportTest, public ::testing::WithParamInterface<RecordsetKind> {
 protected:
  std::shared_ptr<korvanda::Recordset> makeRecordset(
      const std::vector<std::string>& names, const std::vector<std::vector<Variant>>& rows) const {
    return exporttest::makeRecordset(names, rows, GetParam());
  }
};
std::string kindName(const ::testing::TestParamInfo<RecordsetKind>& info);
#define KORVANDA_BOTH_KINDS(Suite)                                                        \
  INSTANTIATE_TEST_SUITE_P(Kinds, Suite,                                                  \
                           ::testing::Values(::exporttest::RecordsetKind::InMemory,       \
                                             ::exporttest::RecordsetKind::ForwardOnly),   \
                           ::exporttest::kindName)
// One row for the named fields: Null except the values given by name.
std::vector<Variant> rowOf(const std::vector<std::string>& names,
                           std::initializer_list<std::pair<std::string, Variant>> values);

// The field names of the livestock subscription layout, in the order the file writes them.
inline const std::vector<std::string> kGan = {
    "Poliza", "Endoso", "CveTipoEndoso", "Inciso", "ApPaterno", "ApMaterno", "Nombres",
    "Identificacion", "CveEstado", "CveMunicipio", "cveespecie", "cvefuncion", "Aniocontrata",
    "VigenciaAsegIni", "VigenciaAsegFin", "CabezasAseg", "UnidadesAseg", "SumaAsegurada",
    "PrimaEaseg", "PrimaEgobFed", "totalemitido", "PrimaCaseg", "PrimaCGobFed", "totalcobrado",
    "NumPagoIni", "NumPagoFin", "FecPago", "TipoCambio"};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
int openDescriptors();

// Runs f and returns the error it raised (number 0 when it raised none).
template <class F>
korvanda::Error errorOf(F&& f) {
  try {
    f();
  } catch (const korvanda::Error& e) {
    return e;
  }
  return korvanda::Error(0, "", "");
}

korvanda::Date day(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0);

}  // namespace exporttest
