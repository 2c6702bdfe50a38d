#include "sqlite/functions.h"
#include "portfolio_support.h"

#include <fmt/format.h>

#include <stdexcept>

namespace korvanda::testing {

std::string isoDate(int y, int m, int d) { return fmt::format("'{:04}-{:02}-{:02} 00:00:00'", y, m, d); }

Portfolio::Portfolio(const std::string& file) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  db_.reset(db);
  if (rc == SQLITE_OK) rc = korvanda::sqlite::registerTsqlFunctions(db);
  if (rc != SQLITE_OK) throw std::runtime_error("cannot open " + file);
  sqlite3_busy_timeout(db, 5000);
}

void Portfolio::exec(const std::string& sql) {
  char* msg = nullptr;
  if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
    std::string text = msg ? msg : "?";
    sqlite3_free(msg);
    throw std::runtime_error(text + " in: " + sql);
  }
}

void Portfolio::references(const std::string& liberacionFund7) {
  exec("INSERT INTO CATCESTADO (PKEstado, CveEstado, NomEstado, Abreviatura) "
       "VALUES (14, 14, 'Jalisco', 'JAL');"
       "INSERT INTO CATCMUNICIPIO (PkMunicipio, PkEstado, cveEstado, CveMunicipio, NomMunicipio) "
       "VALUES (1, 14, 14, 39, 'Guadalajara');"
       "INSERT INTO CATCPRODUCTOS (PkProducto, PkSubramo, NomProducto) VALUES (1, 4, 'Inversion');"
       "INSERT INTO COTCCOTIZAGRL (PkCotizacion, PaqueteRiesgos, cicloini, ciclofin, pksubramo, "
       "pkvariante) VALUES (1, 'PAQ1', 2025, 2026, 4, 1);"
       "INSERT INTO CATCTIPOVIAL (CveTipoVial, NomTipoVial) VALUES ('CALL', 'CALLE'), "
       "('AV', 'AVENIDA'), ('CAM', 'CAMINO');"
       "INSERT INTO FONMPROGRAMAS (PkPrograma, PkCedente, CicloIni, CicloFin, PkCultivo, "
       "PkTipoCultivo, PkProducto) VALUES (1, 7, 2025, 2026, 10, 20, 1), "
       "(2, 8, 2025, 2026, 10, 20, 1), (3, 7, 2024, 2025, 10, 20, 1);");
  exec("INSERT INTO SICICSOCIOS (PkCedente, PkSocio, PkTipoSocio, Paterno, Materno, Nombre, CURP, "
       "RFC, TipoVialidad, Calle, NoExt, NoExtAlf, NumExterior2, NoInt, NoIntAlf, "
       "TipoAsentamiento, Poblacion, CodPostal, Localidad, PKMunicipioDom, PKEstadoDom, "
       "TipoVialidad1, NomVialidad1, TipoVialidad2, NomVialidad2, TipoVialidadPosterior, "
       "NomVialidadPosterior, Ubicacion, TipoLocalizacion, Carretera, Camino) VALUES "
       "(7, 1, 3, 'PEREZ', 'LOPEZ', 'JUAN', 'PELJ800101HJCRPN01', 'PELJ800101AB1', 'CALL', "
       "'Hidalgo', '12', 'A', '', '3', 'B', 'COL', 'Centro', '44100', '0001', 39, 14, 'CALL', "
       "'Norte', 'AV', 'Sur', 'CAM', 'Viejo', 'Junto al rio', 'U', 'Carr 1', 'Cam 2'),"
       "(7, 2, 1, 'GARCIA', 'RUIZ', 'ANA', 'GARA900202MJCRZN02', 'GARA900202CD2', 'AV', "
       "'Juarez', '5', '', '', '', '', 'COL', 'Norte', '44200', '0002', 39, 14, '', '', '', '', "
       "'', '', '', 'U', '', ''),"
       "(8, 3, 1, 'OTRO', 'FONDO', 'LUIS', 'X', 'Y', '', '', '', '', '', '', '', '', '', '', '', "
       "39, 14, '', '', '', '', '', '', '', 'U', '', '');");
  exec("INSERT INTO CATCPARAMGENERALES (PkCedente, NomParam, ValorParam) VALUES "
       "(7, 'FechaLiberacionReglasSubsidio2019', " + liberacionFund7 + ");");
}

void Portfolio::certificate(int number, int programme, int socio, int cedente) {
  exec(fmt::format(
      "INSERT INTO SOLMCONSTANCIA (PkConstancia, CveConstancia, PkPrograma, pkcotizacion) "
      "VALUES ({0}, {0}, {1}, 1);"
      "INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, inciso, pktipoendoso, "
      "PkCedente, PkSocio, PkEstado, PkMunicipio, paterno, materno, nombre, identificacion) "
      "VALUES ({0}, {0}, 1, 1, 0, {2}, {3}, 14, 1, 'P', 'M', 'N', 'ID');",
      number, programme, cedente, socio));
}

void Portfolio::movement(const Movement& m) {
  exec(fmt::format(
      "INSERT INTO SOLDENDOSO (PkEndoso, pkconstancia, PkInciso, CveEndoso, PkTipoEndoso, "
      "PkCedente, PkEstado, PkMunicipio, PkCotizacion, PkSocioSubsidio, VigenciaIni, VigenciaFin, "
      "SuperficieAseg, SumaAsegTotal, PrimaAseg, PrimaGobFed, PrimaTotal, FechaModif, cobroAseg, "
      "tipoCambio, fechaCobro) VALUES ({0}, {1}, {1}, {2}, {3}, {4}, 14, 1, 1, {5}, {6}, {6}, "
      "10.5, 50000, 300, {7}, {8}, {9}, 0, 1, NULL);",
      m.pk, m.certificate, m.cveEndoso, m.tipo, m.cedente, m.socioSubsidio, m.vigenciaIni,
      m.primaGobFed, 300 + m.primaGobFed, m.fechaModif));
}

void Portfolio::payment(int pk, int certificate, int pkEndoso, const std::string& fechaPago,
                        int enviado) {
  exec(fmt::format(
      "INSERT INTO SICIMCOBRANZA (PkCobranza, PKInciso, PkEndoso, NumPago, ImportePagado, "
      "fechaPago, TipoCambio, EnviadoSubsidio) VALUES ({}, {}, {}, 1, 300, {}, 19.5, {});",
      pk, certificate, pkEndoso, fechaPago, enviado));
}

}  // namespace korvanda::testing
