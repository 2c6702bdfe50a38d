#include "demo_portfolio.h"

#include <fmt/format.h>

#include <algorithm>
#include <ctime>

namespace korvanda::cli::demo {
namespace {

// {year}: the current year, also the programmes' cycle; {pago1}..{pago4}: days of the month
// (never after today); {despues}: a day of the next month.
constexpr const char* kPortfolio = R"sql(
-- Programmes of fund 1 for the cycle {year}/{year}: maize under irrigation (product 1) and
-- rain-fed beans (product 2). Quotations with their risk packages.
INSERT INTO FONMPROGRAMAS (PkPrograma, PkCedente, CicloIni, CicloFin, PkCultivo, PkTipoCultivo, PkProducto) VALUES
  (11, 1, {year}, {year}, 1, 1, 1),
  (12, 1, {year}, {year}, 2, 2, 2);
INSERT INTO COTCCOTIZAGRL (PkCotizacion, PaqueteRiesgos, cicloini, ciclofin, pksubramo, pkvariante) VALUES
  (31, 'BASICO', {year}, {year}, 1, 1),
  (32, 'AMPLIO', {year}, {year}, 3, 1);

-- Insured parties of fund 1 (PkTipoSocio 1 and 3 natural persons, 2 a legal person).
INSERT INTO SICICSOCIOS (PkCedente, PkSocio, PkTipoSocio, Paterno, Materno, Nombre, CURP, RFC,
  TipoVialidad, Calle, NoExt, NoExtAlf, NumExterior2, NoInt, NoIntAlf, TipoAsentamiento, Poblacion,
  CodPostal, Localidad, PKMunicipioDom, PKEstadoDom, TipoVialidad1, NomVialidad1, TipoVialidad2,
  NomVialidad2, TipoVialidadPosterior, NomVialidadPosterior, Ubicacion, TipoLocalizacion,
  Carretera, Camino) VALUES
  (1, 1, 1, 'Hernández', 'Ñúñez', 'María Guadalupe', 'HENG780412MJCRXD05', 'HENG780412QX3',
   'CALL', 'Independencia', '214', '', '', '', '', 'COL', 'Santa Ana Tepetitlán', '45230', '0001',
   56, 14, 'CALL', 'Morelos', 'AV', 'Juárez', '', '', 'Frente a la parroquia', 'U', '', ''),
  (1, 2, 1, 'O''Farrill', 'Peña', 'José Ángel', 'OAPJ850923HSLFXN08', 'OAPJ850923LM1',
   'CAM', 'A El Dorado', '12', '', '', '', '', 'EJ', 'Ejido El Diez', '80396', '0123',
   92, 25, '', '', '', '', 'CARR', 'Culiacán-Eldorado', 'Parcela 47, junto al canal lateral',
   'R', 'Culiacán-Eldorado', 'A El Diez'),
  (1, 3, 1, 'Muñoz', 'Ibáñez', 'Sofía', 'MUIS900305MSRXBF02', 'MUIS900305T45',
   'CALL', 'Sufragio Efectivo', '1020', 'B', '', '', '', 'COL', 'Centro', '85000', '0001',
   95, 26, '', '', '', '', '', '', '', 'U', '', ''),
  (1, 4, 2, '', '', 'Agrícola Los Álamos, S.P.R. de R.L.', '', 'ALA0503157K9',
   'CARR', 'Irapuato-Abasolo', '8', '', '', '', '', 'RAN', 'La Calera', '36810', '0045',
   45, 11, '', '', '', '', '', '', 'Bodega junto a la báscula', 'R', 'Irapuato-Abasolo', ''),
  (1, 5, 3, 'Castañeda', 'Orduña', 'Jesús', 'CAOJ720118HMNSRS01', 'CAOJ720118AB2',
   'AV', 'Lázaro Cárdenas', '55', '', '', '3', 'A', 'COL', 'La Magdalena', '60080', '0001',
   62, 16, '', '', '', '', '', '', '', 'U', '', '');

-- Certificates and their items (CveConstancia and CveInciso are the numbers people use).
INSERT INTO SOLMCONSTANCIA (PkConstancia, CveConstancia, PkPrograma, pkcotizacion) VALUES
  (1, 5001, 11, 31), (2, 5002, 11, 31), (3, 5003, 12, 32), (4, 5004, 12, 32),
  (5, 5005, 11, 31), (6, 5006, 11, 31);
INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, inciso, pktipoendoso, PkCedente,
  PkSocio, PkEstado, PkMunicipio, paterno, materno, nombre, identificacion) VALUES
  (1, 1, 1, 1, 0, 1, 1, 14, 56, 'Hernández', 'Ñúñez', 'María Guadalupe', 'HENG780412MJCRXD05'),
  (2, 2, 1, 1, 0, 1, 2, 25, 92, 'O''Farrill', 'Peña', 'José Ángel', 'OAPJ850923HSLFXN08'),
  (3, 3, 1, 1, 0, 1, 3, 26, 95, 'Muñoz', 'Ibáñez', 'Sofía', 'MUIS900305MSRXBF02'),
  (4, 4, 1, 1, 0, 1, 4, 11, 45, '', '', 'Agrícola Los Álamos, S.P.R. de R.L.', ''),
  (5, 4, 2, 2, 0, 1, 4, 11, 45, '', '', 'Agrícola Los Álamos, S.P.R. de R.L.', ''),
  (6, 5, 1, 1, 0, 1, 5, 16, 62, 'Castañeda', 'Orduña', 'Jesús', 'CAOJ720118HMNSRS01'),
  (7, 6, 1, 1, 0, 1, 1, 14, 56, 'Hernández', 'Ñúñez', 'María Guadalupe', 'HENG780412MJCRXD05');

-- Movements: type 0 is an item's initial movement, 1 an increase and 3 a decrease of the
-- insured sum (CveEndoso numbers the endorsements of an item). Federal premium: the subsidy.
INSERT INTO SOLDENDOSO (PkEndoso, pkconstancia, PkInciso, CveEndoso, PkTipoEndoso, PkCedente,
  PkEstado, PkMunicipio, PkCotizacion, PkSocioSubsidio, VigenciaIni, VigenciaFin, SuperficieAseg,
  SumaAsegTotal, PrimaAseg, PrimaGobFed, PrimaTotal, FechaModif, cobroAseg, tipoCambio,
  fechaCobro) VALUES
  (1, 1, 1, 0, 0, 1, 14, 56, 31, 1, '{year}-04-01 00:00:00', '{year}-11-30 00:00:00', 12.5,
   187500, 3712.5, 3037.5, 6750, NULL, 0, 1, NULL),
  (2, 2, 2, 0, 0, 1, 25, 92, 31, 2, '{year}-04-15 00:00:00', '{year}-12-15 00:00:00', 40,
   600000, 14400, 9600, 24000, NULL, 0, 1, NULL),
  (3, 2, 2, 1, 1, 1, 25, 92, 31, 2, '{year}-06-01 00:00:00', '{year}-12-15 00:00:00', 0,
   90000, 2160, 1440, 3600, NULL, 0, 1, NULL),
  (9, 2, 2, 2, 3, 1, 25, 92, 31, 2, '{year}-08-01 00:00:00', '{year}-12-15 00:00:00', 0,
   -30000, -720, -480, -1200, NULL, 0, 1, NULL),
  (4, 3, 3, 0, 0, 1, 26, 95, 32, 3, '{year}-05-02 00:00:00', '{year}-10-31 00:00:00', 25,
   250000, 8125, 4375, 12500, NULL, 0, 1, NULL),
  (5, 4, 4, 0, 0, 1, 11, 45, 32, 4, '{year}-06-10 00:00:00', '{year}-12-10 00:00:00', 32,
   320000, 8800, 7200, 16000, NULL, 0, 1, NULL),
  (6, 4, 5, 0, 0, 1, 11, 45, 32, 4, '{year}-06-10 00:00:00', '{year}-12-10 00:00:00', 16,
   160000, 4400, 3600, 8000, NULL, 0, 1, NULL),
  (7, 5, 6, 0, 0, 1, 16, 62, 31, 5, '{year}-03-20 00:00:00', '{year}-09-30 00:00:00', 9.5,
   95000, 2194.5, 1795.5, 3990, NULL, 0, 1, NULL),
  (8, 6, 7, 0, 0, 1, 14, 56, 31, 1, '{year}-07-01 00:00:00', '{year}-12-31 00:00:00', 8,
   120000, 2376, 1944, 4320, NULL, 0, 1, NULL);

-- Premium collections (PkEndoso 0 pays an item's initial movement); EnviadoSubsidio 1: sent.
INSERT INTO SICIMCOBRANZA (PkCobranza, PKInciso, PkEndoso, NumPago, ImportePagado, fechaPago,
  TipoCambio, EnviadoSubsidio) VALUES
  (1, 1, 0, 1, 3712.5, '{pago1}', 1, 0),
  (2, 2, 0, 1, 14400, '{pago2}', 1, 0),
  (3, 2, 3, 1, 2160, '{pago3}', 1, 0),
  (4, 3, 0, 1, 8125, '{pago2}', 1, 0),
  (5, 4, 0, 1, 8800, '{pago4}', 1, 0),
  (6, 5, 0, 1, 4400, '{pago4}', 1, 0),
  (7, 6, 0, 1, 2194.5, '{pago1}', 1, 1),
  (8, 7, 0, 1, 2376, '{despues}', 1, 0);
)sql";

}  // namespace

std::string Period::paymentDate(int dayOfMonth) const {
  return fmt::format("{:04}-{:02}-{:02} 00:00:00", year, month, std::min(dayOfMonth, day));
}

Period currentPeriod() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return Period{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::string portfolioSql(const Period& p) {
  const int nextYear = p.month == 12 ? p.year + 1 : p.year;
  const int nextMonth = p.month == 12 ? 1 : p.month + 1;
  return fmt::format(fmt::runtime(kPortfolio), fmt::arg("year", p.year),
                     fmt::arg("pago1", p.paymentDate(1)), fmt::arg("pago2", p.paymentDate(2)),
                     fmt::arg("pago3", p.paymentDate(3)), fmt::arg("pago4", p.paymentDate(4)),
                     fmt::arg("despues", fmt::format("{:04}-{:02}-05 00:00:00", nextYear, nextMonth)));
}

}  // namespace korvanda::cli::demo
