// Codes turned into keys (municipality, species-and-function pair, coverage cycle) and the
// next free keys of the registration tables.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "korvanda/clsCatValida.h"

namespace korvanda {

// Municipality key of a state code and a municipality code, 0 when there is none. With a
// connection the query runs on it; without one (nullopt or no object) it goes through
// self.seleccionar on the shared connection.
// Label "KORVANDA.clsCatValida.getPkMunicipio".
int16_t getPkMunicipio(clsCatValida& self, int16_t intIdEstado, int16_t intIdMunicipio,
                       OptConnection pConn = std::nullopt);

// Key of a livestock species-and-function pair, 0 when there is none (through
// self.seleccionar). Label "KORVANDA.clsCatValida.getPkEspecieFuncion".
int16_t getPkEspecieFuncion(clsCatValida& self, int16_t intIdEspecie, int16_t intIdFuncion);

namespace keys {

// Characters of the number at the start of a cycle text, written back in its shortest form
// (leading blanks skipped; no number reads as 0, one character). A cycle needs at least 4.
size_t cycleDigits(std::string_view cycle);

// Statement texts.
std::string pkMunicipioQuery(int16_t intIdEstado, int16_t intIdMunicipio);
std::string existePkMunicipioQuery(int16_t intIdEstado, int16_t intIdMunicipio);
std::string pkEspecieFuncionQuery(int16_t intIdEspecie, int16_t intIdFuncion);
std::string traePkEspFunQuery(int16_t intIdEspecie, int16_t intIdFuncion);
std::string traePkTCoberQuery(int16_t intIdRamo, std::string_view strCicloIni,
                              std::string_view strCicloFin);

inline constexpr const char* kMaxAgricola =
    "select max(pkagricola) as maxAgricola from SUBMAGRICOLA ";
inline constexpr const char* kMaxAgricolaFc =
    "select max(pkagricolaFc) as maxAgricola from SUBMAGRICOLAFC ";
inline constexpr const char* kMaxEnviado =
    "select max(pkenviado) as maxenviado from SUBCONSENVIADAS";
inline constexpr const char* kMaxEnviadoFc =
    "select max(pkenviadaFc) as maxenviado from SUBCONSENVIADASFc";
inline constexpr const char* kMaxGanadero =
    "select max(pkganadero) as maxGanadero from SUBMGANADERO ";

}  // namespace keys
}  // namespace korvanda
