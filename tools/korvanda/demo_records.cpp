#include "demo_records.h"

#include <algorithm>
#include <cmath>

#include "korvanda/textform.h"

namespace korvanda::cli::demo {
namespace {

double cents(double v) { return std::round(v * 100) / 100; }

// Issued and collected premiums from the insured sum, the rate and the federal share.
template <class R>
R withPremiums(R r, double rate, double federalShare) {
  const double total = cents(r.sumaAseg * rate);
  r.primaEgobFed = r.primaCgobFed = cents(total * federalShare);
  r.primaEaseg = r.primaCaseg = cents(total - r.primaEgobFed);
  r.totalEmitido = r.totalCobrado = total;
  return r;
}

Date day(int y, int m, int d) { return dateFromParts(y, m, d); }
Date paymentDay(const Period& p, int d) { return dateFromParts(p.year, p.month, std::min(d, p.day)); }

}  // namespace

std::vector<AgricolaRecord> agricolaRecords(const Period& p) {
  const std::string ciclo = "PV" + std::to_string(p.year);
  const std::string y = std::to_string(p.year);
  auto base = [&](std::string poliza) {
    AgricolaRecord r;
    r.poliza = std::move(poliza);
    r.endoso = "0";
    r.ciclo = ciclo;
    r.vigenciaIni = day(p.year, 4, 1);
    r.vigenciaFin = day(p.year, 11, 30);
    r.fecPago = paymentDay(p, 2);
    r.anioVigenciaMovInicial = static_cast<int16_t>(p.year);
    r.mesSolic = static_cast<int16_t>(p.month);
    r.anioSolic = static_cast<int16_t>(p.year);
    return r;
  };
  std::vector<AgricolaRecord> out;

  AgricolaRecord r = base("AG-" + y + "-0101");
  r.apPaterno = "Hernández", r.apMaterno = "Ñúñez", r.nombres = "María Guadalupe";
  r.identifica = "HENG780412MJCRXD05", r.rfc = "HENG780412QX3";
  r.idEstado = 14, r.idMunicipio = 120, r.cveCultivo = 1, r.cveTipoCult = 1;
  r.superficie = 12.5, r.sumaAseg = 187500, r.riesgos = "1,2,3,4", r.tipoSeguro = "1";
  r.tipoVialidad = "CALL", r.nomVialidad = "Independencia", r.numExterior1 = "214";
  r.tipoAsentamiento = "COL", r.nomAsentamiento = "Santa Ana Tepetitlán", r.codPostal = "45230";
  r.localidad = "0001", r.municipioDom = "56", r.estadoDom = "14";
  r.entreVialidades = "Calle Morelos Y Avenida Juárez", r.descUbicacion = "Frente a la parroquia";
  r.tipoLocalizacion = "U", r.pkSocio = 1, r.pkEndoso = 1;
  out.push_back(withPremiums(r, 0.036, 0.45));

  r = base("AG-" + y + "-0102");
  r.apPaterno = "O'Farrill", r.apMaterno = "Peña", r.nombres = "José Ángel";
  r.identifica = "OAPJ850923HSLFXN08", r.rfc = "OAPJ850923LM1";
  r.idEstado = 25, r.idMunicipio = 6, r.cveCultivo = 1, r.cveTipoCult = 2;
  r.superficie = 40, r.sumaAseg = 600000, r.riesgos = "1,2,3,4,5,6,7,8", r.tipoSeguro = "3";
  r.tipoVialidad = "CAM", r.nomVialidad = "A El Dorado", r.numExterior1 = "12";
  r.tipoAsentamiento = "EJ", r.nomAsentamiento = "Ejido El Diez", r.codPostal = "80396";
  r.localidad = "0123", r.municipioDom = "92", r.estadoDom = "25";
  r.vialidadPosterior = "Carretera Culiacán-Eldorado";
  r.descUbicacion = "Parcela 47, junto al canal lateral", r.tipoLocalizacion = "R";
  r.carretera = "Culiacán-Eldorado", r.camino = "A El Diez", r.pkSocio = 2, r.pkEndoso = 2;
  out.push_back(withPremiums(r, 0.04, 0.40));

  // An increase of the insured sum of the same item: another endorsement, not a duplicate.
  r.endoso = "1", r.cveTipoEndoso = 1, r.superficie = 0, r.sumaAseg = 90000, r.pkEndoso = 3;
  r.vigenciaIni = day(p.year, 6, 1), r.fecPago = paymentDay(p, 3);
  out.push_back(withPremiums(r, 0.04, 0.40));

  r = base("AG-" + y + "-0103");
  r.apPaterno = "Muñoz", r.apMaterno = "Ibáñez", r.nombres = "Sofía";
  r.identifica = "MUIS900305MSRXBF02", r.rfc = "MUIS900305T45";
  r.idEstado = 26, r.idMunicipio = 18, r.cveCultivo = 4, r.cveTipoCult = 1;
  r.superficie = 25, r.sumaAseg = 250000, r.riesgos = "1,2,3,4", r.tipoSeguro = "1";
  r.tipoVialidad = "CALL", r.nomVialidad = "Sufragio Efectivo", r.numExterior1 = "1020 B";
  r.tipoAsentamiento = "COL", r.nomAsentamiento = "Centro", r.codPostal = "85000";
  r.localidad = "0001", r.municipioDom = "95", r.estadoDom = "26", r.tipoLocalizacion = "U";
  r.pkSocio = 3, r.pkEndoso = 4;
  out.push_back(withPremiums(r, 0.05, 0.35));

  r = base("AG-" + y + "-0104");
  r.apPaterno = "Castañeda", r.apMaterno = "Orduña", r.nombres = "Jesús";
  r.identifica = "CAOJ720118HMNSRS01", r.rfc = "CAOJ720118AB2";
  r.idEstado = 11, r.idMunicipio = 17, r.cveCultivo = 3, r.cveTipoCult = 2;
  r.superficie = 18, r.sumaAseg = 144000, r.riesgos = "1,5,6", r.tipoSeguro = "1";
  r.tipoVialidad = "AV", r.nomVialidad = "Lázaro Cárdenas", r.numExterior1 = "55";
  r.numInterior = "3 A", r.tipoAsentamiento = "COL", r.nomAsentamiento = "La Magdalena";
  r.codPostal = "36500", r.localidad = "0001", r.municipioDom = "45", r.estadoDom = "11";
  r.tipoLocalizacion = "U", r.pkSocio = 5, r.pkEndoso = 7;
  out.push_back(withPremiums(r, 0.045, 0.40));

  r = base("AG-" + y + "-0105");
  r.apPaterno = "Gómez", r.apMaterno = "Saldaña", r.nombres = "Ana Lucía";
  r.identifica = "GOSA830927MMNMLN06", r.rfc = "GOSA830927KT8";
  r.idEstado = 16, r.idMunicipio = 102, r.cveCultivo = 11, r.cveTipoCult = 1;
  r.superficie = 6, r.sumaAseg = 540000, r.riesgos = "1,3,4,7", r.tipoSeguro = "1";
  r.tipoVialidad = "CAM", r.nomVialidad = "A San Lorenzo", r.numExterior1 = "";
  r.tipoAsentamiento = "RAN", r.nomAsentamiento = "Huerta La Cañada", r.codPostal = "60190";
  r.localidad = "0087", r.municipioDom = "62", r.estadoDom = "16";
  r.descUbicacion = "Huerta al pie del cerro de la Cruz", r.tipoLocalizacion = "R";
  r.camino = "A San Lorenzo", r.pkSocio = 6, r.pkEndoso = 10;
  out.push_back(withPremiums(r, 0.028, 0.30));
  return out;
}

std::vector<AgricolaFcRecord> agricolaFcRecords(const Period& p) {
  const std::string y = std::to_string(p.year);
  auto base = [&](std::string poliza) {
    AgricolaFcRecord r;
    r.semestre = p.semester();
    r.anio = static_cast<int16_t>(p.year);
    r.poliza = std::move(poliza);
    r.ciclo = "PV" + y;
    r.fechaPago = paymentDay(p, 1);
    r.mesSolic = static_cast<int16_t>(p.month);
    r.anioSolic = static_cast<int16_t>(p.year);
    return r;
  };
  std::vector<AgricolaFcRecord> out;

  AgricolaFcRecord r = base("AG-" + y + "-0101");
  r.apPaterno = "Hernández", r.apMaterno = "Ñúñez", r.nombres = "María Guadalupe";
  r.idEstado = 14, r.idMunicipio = 120, r.cveCultivo = 1, r.cveTipoCult = 1;
  r.indemnizacion = 42187.5, r.pkRiesgo = 1, r.superficieSiniestrada = 5.25;
  r.curp = "HENG780412MJCRXD05", r.rfc = "HENG780412QX3", r.coordenadas = "20.7214,-103.3918";
  out.push_back(r);

  r = base("AG-" + y + "-0103");
  r.apPaterno = "Muñoz", r.apMaterno = "Ibáñez", r.nombres = "Sofía";
  r.idEstado = 26, r.idMunicipio = 18, r.cveCultivo = 4, r.cveTipoCult = 1;
  r.indemnizacion = 61250, r.pkRiesgo = 4, r.superficieSiniestrada = 8.75;
  r.curp = "MUIS900305MSRXBF02", r.rfc = "MUIS900305T45", r.coordenadas = "27.4828,-109.9304";
  out.push_back(r);

  r = base("AG-" + y + "-0104");
  r.apPaterno = "Castañeda", r.apMaterno = "Orduña", r.nombres = "Jesús";
  r.idEstado = 11, r.idMunicipio = 17, r.cveCultivo = 3, r.cveTipoCult = 5;
  r.indemnizacion = 28800, r.pkRiesgo = 5, r.superficieSiniestrada = 6;
  r.curp = "CAOJ720118HMNSRS01", r.rfc = "CAOJ720118AB2", r.coordenadas = "20.6767,-101.3563";
  out.push_back(r);
  return out;
}

std::vector<GanaderoRecord> ganaderoRecords(const Period& p) {
  const std::string y = std::to_string(p.year);
  auto base = [&](std::string poliza) {
    GanaderoRecord r;
    r.poliza = std::move(poliza);
    r.endoso = "0";
    r.anioContrata = static_cast<int16_t>(p.year);
    r.vigenciaIni = day(p.year, 2, 1);
    r.vigenciaFin = day(p.year + 1, 1, 31);
    r.fecPago = paymentDay(p, 2);
    r.mesSolic = static_cast<int16_t>(p.month);
    r.anioSolic = static_cast<int16_t>(p.year);
    return r;
  };
  std::vector<GanaderoRecord> out;

  GanaderoRecord r = base("GA-" + y + "-0201");
  r.apPaterno = "Treviño", r.apMaterno = "Garza", r.nombres = "Juan Pablo";
  r.identifica = "TEGJ810722HCHRRN04", r.idEstado = 8, r.idMunicipio = 17;
  r.idEspecie = 1, r.idFuncion = 1, r.cabezas = 120, r.unidades = 120, r.sumaAseg = 1800000;
  r.observaciones = "Hato de engorda, corrales en el ejido Anáhuac";
  out.push_back(withPremiums(r, 0.025, 0.40));

  r = base("GA-" + y + "-0202");
  r.apPaterno = "Peñaloza", r.apMaterno = "Ávila", r.nombres = "Rocío";
  r.identifica = "PEAR880214MJCXVC09", r.idEstado = 14, r.idMunicipio = 97;
  r.idEspecie = 1, r.idFuncion = 2, r.cabezas = 45, r.unidades = 45, r.sumaAseg = 1125000;
  r.observaciones = "Establo lechero";
  out.push_back(withPremiums(r, 0.022, 0.40));

  r = base("GA-" + y + "-0203");
  r.apPaterno = "Zúñiga", r.apMaterno = "Beltrán", r.nombres = "Ramón";
  r.identifica = "ZUBR750630HSRXLM03", r.idEstado = 26, r.idMunicipio = 30;
  r.idEspecie = 2, r.idFuncion = 1, r.cabezas = 800, r.unidades = 800, r.sumaAseg = 2400000;
  r.observaciones = "Granja porcícola tecnificada";
  out.push_back(withPremiums(r, 0.015, 0.40));
  return out;
}

}  // namespace korvanda::cli::demo
