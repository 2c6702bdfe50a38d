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
  const double total = cents(r.dblSumaAseg * rate);
  r.dblPrimaEgobFed = r.dblPrimaCgobFed = cents(total * federalShare);
  r.dblPrimaEaseg = r.dblPrimaCaseg = cents(total - r.dblPrimaEgobFed);
  r.dblTotalEmitido = r.dblTotalCobrado = total;
  return r;
}

Date day(int y, int m, int d) { return dateFromParts(y, m, d); }
Date paymentDay(const Period& p, int d) { return dateFromParts(p.year, p.month, std::min(d, p.day)); }

}  // namespace

std::vector<RegistroAgricola> agricolaRecords(const Period& p) {
  const std::string ciclo = "PV" + std::to_string(p.year);
  const std::string y = std::to_string(p.year);
  auto base = [&](std::string poliza) {
    RegistroAgricola r;
    r.strPoliza = std::move(poliza);
    r.strEndoso = "0";
    r.intInciso = 1;
    r.strCiclo = ciclo;
    r.dteVigenciaAsegIni = day(p.year, 4, 1);
    r.dteVigenciaAsegFin = day(p.year, 11, 30);
    r.intNumPagoIni = r.intNumPagoFin = 1;
    r.dteFecPago = paymentDay(p, 2);
    r.dblTipoCambio = 1;
    r.pintAnioVigenciaMovInicial = static_cast<int16_t>(p.year);
    r.pintMesSolic = static_cast<int16_t>(p.month);
    r.pintAnioSolic = static_cast<int16_t>(p.year);
    r.pintPkCedente = kCedente;
    return r;
  };
  std::vector<RegistroAgricola> out;

  RegistroAgricola r = base("AG-" + y + "-0101");
  r.strapPaterno = "Hernández", r.strapMaterno = "Ñúñez", r.strNombres = "María Guadalupe";
  r.strIdentifica = "HENG780412MJCRXD05", r.strRFC = "HENG780412QX3";
  r.intIdEstado = 14, r.intIdMunicipio = 120, r.intcveCultivo = 1, r.intCveTipoCult = 1;
  r.dblSuperfAseg = 12.5, r.dblSumaAseg = 187500, r.strRiesgos = "1,2,3,4", r.pintTipoSeguro = "1";
  r.strTipoVialidad = "CALL", r.strNomVialidad = "Independencia", r.strNumExterior1 = "214";
  r.strTipoAsentamiento = "COL", r.strNomAsentamiento = "Santa Ana Tepetitlán", r.strCodPostal = "45230";
  r.strLocalidad = "0001", r.strMunicipioDom = "56", r.strEstadoDom = "14";
  r.strEntreVialidades = "Calle Morelos Y Avenida Juárez", r.strDescUbicacion = "Frente a la parroquia";
  r.pstrTipoLocalizacion = "U", r.pintPkSocio = 1, r.pintPkEndoso = 1;
  out.push_back(withPremiums(r, 0.036, 0.45));

  r = base("AG-" + y + "-0102");
  r.strapPaterno = "O'Farrill", r.strapMaterno = "Peña", r.strNombres = "José Ángel";
  r.strIdentifica = "OAPJ850923HSLFXN08", r.strRFC = "OAPJ850923LM1";
  r.intIdEstado = 25, r.intIdMunicipio = 6, r.intcveCultivo = 1, r.intCveTipoCult = 2;
  r.dblSuperfAseg = 40, r.dblSumaAseg = 600000, r.strRiesgos = "1,2,3,4,5,6,7,8", r.pintTipoSeguro = "3";
  r.strTipoVialidad = "CAM", r.strNomVialidad = "A El Dorado", r.strNumExterior1 = "12";
  r.strTipoAsentamiento = "EJ", r.strNomAsentamiento = "Ejido El Diez", r.strCodPostal = "80396";
  r.strLocalidad = "0123", r.strMunicipioDom = "92", r.strEstadoDom = "25";
  r.strVialidadPosterior = "Carretera Culiacán-Eldorado";
  r.strDescUbicacion = "Parcela 47, junto al canal lateral", r.pstrTipoLocalizacion = "R";
  r.pstrCarretera = "Culiacán-Eldorado", r.pstrCamino = "A El Diez", r.pintPkSocio = 2, r.pintPkEndoso = 2;
  out.push_back(withPremiums(r, 0.04, 0.40));

  // An increase of the insured sum of the same item: another endorsement, not a duplicate.
  r.strEndoso = "1", r.intCveTipoEndoso = 1, r.dblSuperfAseg = 0, r.dblSumaAseg = 90000, r.pintPkEndoso = 3;
  r.dteVigenciaAsegIni = day(p.year, 6, 1), r.dteFecPago = paymentDay(p, 3);
  out.push_back(withPremiums(r, 0.04, 0.40));

  r = base("AG-" + y + "-0103");
  r.strapPaterno = "Muñoz", r.strapMaterno = "Ibáñez", r.strNombres = "Sofía";
  r.strIdentifica = "MUIS900305MSRXBF02", r.strRFC = "MUIS900305T45";
  r.intIdEstado = 26, r.intIdMunicipio = 18, r.intcveCultivo = 4, r.intCveTipoCult = 1;
  r.dblSuperfAseg = 25, r.dblSumaAseg = 250000, r.strRiesgos = "1,2,3,4", r.pintTipoSeguro = "1";
  r.strTipoVialidad = "CALL", r.strNomVialidad = "Sufragio Efectivo", r.strNumExterior1 = "1020 B";
  r.strTipoAsentamiento = "COL", r.strNomAsentamiento = "Centro", r.strCodPostal = "85000";
  r.strLocalidad = "0001", r.strMunicipioDom = "95", r.strEstadoDom = "26", r.pstrTipoLocalizacion = "U";
  r.pintPkSocio = 3, r.pintPkEndoso = 4;
  out.push_back(withPremiums(r, 0.05, 0.35));

  r = base("AG-" + y + "-0104");
  r.strapPaterno = "Castañeda", r.strapMaterno = "Orduña", r.strNombres = "Jesús";
  r.strIdentifica = "CAOJ720118HMNSRS01", r.strRFC = "CAOJ720118AB2";
  r.intIdEstado = 11, r.intIdMunicipio = 17, r.intcveCultivo = 3, r.intCveTipoCult = 2;
  r.dblSuperfAseg = 18, r.dblSumaAseg = 144000, r.strRiesgos = "1,5,6", r.pintTipoSeguro = "1";
  r.strTipoVialidad = "AV", r.strNomVialidad = "Lázaro Cárdenas", r.strNumExterior1 = "55";
  r.strNumInterior = "3 A", r.strTipoAsentamiento = "COL", r.strNomAsentamiento = "La Magdalena";
  r.strCodPostal = "36500", r.strLocalidad = "0001", r.strMunicipioDom = "45", r.strEstadoDom = "11";
  r.pstrTipoLocalizacion = "U", r.pintPkSocio = 5, r.pintPkEndoso = 7;
  out.push_back(withPremiums(r, 0.045, 0.40));

  r = base("AG-" + y + "-0105");
  r.strapPaterno = "Gómez", r.strapMaterno = "Saldaña", r.strNombres = "Ana Lucía";
  r.strIdentifica = "GOSA830927MMNMLN06", r.strRFC = "GOSA830927KT8";
  r.intIdEstado = 16, r.intIdMunicipio = 102, r.intcveCultivo = 11, r.intCveTipoCult = 1;
  r.dblSuperfAseg = 6, r.dblSumaAseg = 540000, r.strRiesgos = "1,3,4,7", r.pintTipoSeguro = "1";
  r.strTipoVialidad = "CAM", r.strNomVialidad = "A San Lorenzo", r.strNumExterior1 = "";
  r.strTipoAsentamiento = "RAN", r.strNomAsentamiento = "Huerta La Cañada", r.strCodPostal = "60190";
  r.strLocalidad = "0087", r.strMunicipioDom = "62", r.strEstadoDom = "16";
  r.strDescUbicacion = "Huerta al pie del cerro de la Cruz", r.pstrTipoLocalizacion = "R";
  r.pstrCamino = "A San Lorenzo", r.pintPkSocio = 6, r.pintPkEndoso = 10;
  out.push_back(withPremiums(r, 0.028, 0.30));
  return out;
}

std::vector<RegistroAgricolaFc> agricolaFcRecords(const Period& p) {
  const std::string y = std::to_string(p.year);
  auto base = [&](std::string poliza) {
    RegistroAgricolaFc r;
    r.intSemestre = p.semester();
    r.intAnnio = static_cast<int16_t>(p.year);
    r.strPoliza = std::move(poliza);
    r.intInciso = 1;
    r.strCiclo = "PV" + y;
    r.dtmFechaPago = paymentDay(p, 1);
    r.pintMesSolic = static_cast<int16_t>(p.month);
    r.pintAnioSolic = static_cast<int16_t>(p.year);
    r.pintPkCedente = kCedente;
    r.pintTipoSeguro = 1;
    return r;
  };
  std::vector<RegistroAgricolaFc> out;

  RegistroAgricolaFc r = base("AG-" + y + "-0101");
  r.strapPaterno = "Hernández", r.strapMaterno = "Ñúñez", r.strNombres = "María Guadalupe";
  r.intIdEstado = 14, r.intIdMunicipio = 120, r.intcveCultivo = 1, r.intCveTipoCult = 1;
  r.dblIndemnizacion = 42187.5, r.intPkRiesgo = 1, r.dblSuperfSinies = 5.25;
  r.pstrCURP = "HENG780412MJCRXD05", r.pstrRFC = "HENG780412QX3", r.pstrCoordenadas = "20.7214,-103.3918";
  out.push_back(r);

  r = base("AG-" + y + "-0103");
  r.strapPaterno = "Muñoz", r.strapMaterno = "Ibáñez", r.strNombres = "Sofía";
  r.intIdEstado = 26, r.intIdMunicipio = 18, r.intcveCultivo = 4, r.intCveTipoCult = 1;
  r.dblIndemnizacion = 61250, r.intPkRiesgo = 4, r.dblSuperfSinies = 8.75;
  r.pstrCURP = "MUIS900305MSRXBF02", r.pstrRFC = "MUIS900305T45", r.pstrCoordenadas = "27.4828,-109.9304";
  out.push_back(r);

  r = base("AG-" + y + "-0104");
  r.strapPaterno = "Castañeda", r.strapMaterno = "Orduña", r.strNombres = "Jesús";
  r.intIdEstado = 11, r.intIdMunicipio = 17, r.intcveCultivo = 3, r.intCveTipoCult = 5;
  r.dblIndemnizacion = 28800, r.intPkRiesgo = 5, r.dblSuperfSinies = 6;
  r.pstrCURP = "CAOJ720118HMNSRS01", r.pstrRFC = "CAOJ720118AB2", r.pstrCoordenadas = "20.6767,-101.3563";
  out.push_back(r);
  return out;
}

std::vector<RegistroGanadero> ganaderoRecords(const Period& p) {
  const std::string y = std::to_string(p.year);
  auto base = [&](std::string poliza) {
    RegistroGanadero r;
    r.strPoliza = std::move(poliza);
    r.strEndoso = "0";
    r.intInciso = 1;
    r.intAnioContrata = static_cast<int16_t>(p.year);
    r.dteVigenciaAsegIni = day(p.year, 2, 1);
    r.dteVigenciaAsegFin = day(p.year + 1, 1, 31);
    r.intNumPagoIni = r.intNumPagoFin = 1;
    r.dteFecPago = paymentDay(p, 2);
    r.dblTipoCambio = 1;
    r.pintMesSolic = static_cast<int16_t>(p.month);
    r.pintAnioSolic = static_cast<int16_t>(p.year);
    r.pstrIdFondo = kFondoGanadero;
    return r;
  };
  std::vector<RegistroGanadero> out;

  RegistroGanadero r = base("GA-" + y + "-0201");
  r.strapPaterno = "Treviño", r.strapMaterno = "Garza", r.strNombres = "Juan Pablo";
  r.strIdentifica = "TEGJ810722HCHRRN04", r.intIdEstado = 8, r.intIdMunicipio = 17;
  r.intIdEspecie = 1, r.intIdFuncion = 1, r.lngCabezasAseg = 120, r.dblUnidadesAseg = 120, r.dblSumaAseg = 1800000;
  r.strObservaciones = "Hato de engorda, corrales en el ejido Anáhuac";
  out.push_back(withPremiums(r, 0.025, 0.40));

  r = base("GA-" + y + "-0202");
  r.strapPaterno = "Peñaloza", r.strapMaterno = "Ávila", r.strNombres = "Rocío";
  r.strIdentifica = "PEAR880214MJCXVC09", r.intIdEstado = 14, r.intIdMunicipio = 97;
  r.intIdEspecie = 1, r.intIdFuncion = 2, r.lngCabezasAseg = 45, r.dblUnidadesAseg = 45, r.dblSumaAseg = 1125000;
  r.strObservaciones = "Establo lechero";
  out.push_back(withPremiums(r, 0.022, 0.40));

  r = base("GA-" + y + "-0203");
  r.strapPaterno = "Zúñiga", r.strapMaterno = "Beltrán", r.strNombres = "Ramón";
  r.strIdentifica = "ZUBR750630HSRXLM03", r.intIdEstado = 26, r.intIdMunicipio = 30;
  r.intIdEspecie = 2, r.intIdFuncion = 1, r.lngCabezasAseg = 800, r.dblUnidadesAseg = 800, r.dblSumaAseg = 2400000;
  r.strObservaciones = "Granja porcícola tecnificada";
  out.push_back(withPremiums(r, 0.015, 0.40));
  return out;
}

}  // namespace korvanda::cli::demo
