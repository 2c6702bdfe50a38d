// Every statement text the library sends, built as its routines build them, with sample values.
#pragma once

#include <string>
#include <vector>

namespace korvanda::sqlite::test {

struct SentStatement {
  std::string routine;
  std::string sql;
  bool rejected = false;  // the database is meant to refuse it
};

std::vector<SentStatement> allStatements(const std::string& captureFile);

// The certificate query of a month, as the monthly selection builds it.
std::string constanciasSubD(int mes, int pkCedente, int cicloIni, int cicloFin, int year);
// The claims certificate query of a semester.
std::string constanciasSinD(int semestre, int anio, int pkCedente);
// The unmarking update of one sent-register row.
std::string desmarcaUpdate(int cicloIni, int cicloFin, const std::string& poliza, const std::string& inciso,
                           const std::string& tipoEndoso, const std::string& endoso, int pkCedente);

}  // namespace korvanda::sqlite::test
