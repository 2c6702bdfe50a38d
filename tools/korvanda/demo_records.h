// The records the demo registers, as a capture station hands them to clsCatValida: agricultural
// subscription items, agricultural claims and livestock items of the demo funds, with the
// duplicates a second station sends again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "demo_portfolio.h"
#include "korvanda/variant.h"

namespace korvanda::cli::demo {

// Every argument of clsCatValida::insertAgricola but the connection and the reporting choice.
struct AgricolaRecord {
  std::string poliza, endoso;
  int16_t cveTipoEndoso = 0, inciso = 1;
  std::string apPaterno, apMaterno, nombres, identifica;
  int16_t idEstado = 0, idMunicipio = 0;  // INEGI codes
  std::string ciclo;
  int16_t cveCultivo = 0, cveTipoCult = 0;
  Date vigenciaIni, vigenciaFin;
  double superficie = 0, sumaAseg = 0, primaEaseg = 0, primaEgobFed = 0, primaCaseg = 0,
         primaCgobFed = 0, totalEmitido = 0, totalCobrado = 0;
  int16_t numPagoIni = 1, numPagoFin = 1;
  Date fecPago;
  double tipoCambio = 1;
  std::string riesgos, observaciones, tipoSeguro, rfc, tipoVialidad, nomVialidad, numExterior1,
      numExterior2, numInterior, tipoAsentamiento, nomAsentamiento, codPostal, localidad,
      municipioDom, estadoDom, entreVialidades, vialidadPosterior, descUbicacion,
      tipoLocalizacion, carretera, camino;
  int16_t pkSocio = 0;
  int32_t pkEndoso = 0;
  int16_t anioVigenciaMovInicial = 0, mesSolic = 0, anioSolic = 0, pkCedente = kCedente;
};

// Every argument of clsCatValida::insertAgricolaFc but the connection and the reporting choice.
struct AgricolaFcRecord {
  int16_t semestre = 1, anio = 0;
  std::string poliza;
  int16_t inciso = 1;
  std::string apPaterno, apMaterno, nombres;
  int16_t idEstado = 0, idMunicipio = 0, cveCultivo = 0, cveTipoCult = 0;
  std::string ciclo;
  Date fechaPago;
  double indemnizacion = 0;
  int16_t pkRiesgo = 0;
  double superficieSiniestrada = 0;
  int16_t mesSolic = 0, anioSolic = 0, pkCedente = kCedente, tipoSeguro = 1;
  std::string curp, rfc, coordenadas;
};

// Every argument of clsCatValida::insertGanadero but the reporting choice.
struct GanaderoRecord {
  std::string poliza, endoso;
  int16_t cveTipoEndoso = 0, inciso = 1;
  std::string apPaterno, apMaterno, nombres, identifica;
  int16_t idEstado = 0, idMunicipio = 0, idEspecie = 0, idFuncion = 0, anioContrata = 0;
  Date vigenciaIni, vigenciaFin;
  int32_t cabezas = 0;
  double unidades = 0, sumaAseg = 0, primaEaseg = 0, primaEgobFed = 0, primaCaseg = 0,
         primaCgobFed = 0, totalEmitido = 0, totalCobrado = 0;
  int16_t numPagoIni = 1, numPagoFin = 1;
  Date fecPago;
  double tipoCambio = 1;
  std::string observaciones;
  int16_t mesSolic = 0, anioSolic = 0;
  std::string idFondo = kFondoGanadero;
};

std::vector<AgricolaRecord> agricolaRecords(const Period& period);
std::vector<AgricolaFcRecord> agricolaFcRecords(const Period& period);
std::vector<GanaderoRecord> ganaderoRecords(const Period& period);

// The records sent a second time: the position of each in its list above.
inline constexpr size_t kAgricolaDuplicate = 1;  // reported to "Window": raised
inline constexpr size_t kAgricolaFcDuplicate = 0;  // reported to the duplicates log
inline constexpr size_t kGanaderoDuplicate = 0;    // reported to the duplicates log

}  // namespace korvanda::cli::demo
