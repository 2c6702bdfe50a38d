// Private routines of the record registration: the INSERT statement builders of the
// registration tables and the sent register, and the duplicate reporting they share.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "korvanda/clsCatValida.h"
#include "korvanda/error.h"
#include "korvanda/records.h"
#include "korvanda/variant.h"

namespace korvanda {

// ---- statement builders: resolve the keys, then write the statement.
// Labels "KORVANDA.clsCatValida." + the routine's name.

// Municipality key on pConn. tipoSeguro: r.pintTipoSeguro already read as a number.
std::string setSqlInsertAgricola(clsCatValida& self, const RegistroAgricola& r,
                                 int16_t tipoSeguro, const ConnectionRef& pConn);
// Municipality key on the shared connection.
std::string setSqlInsertAgricolaFc(clsCatValida& self, const RegistroAgricolaFc& r);
// Municipality key, species-and-function key and next row key on the shared connection.
std::string setSqlInsertGanadero(clsCatValida& self, const RegistroGanadero& r);
std::string setSqlInsertEnviado(std::string_view strPoliza, std::string_view strEndoso,
                                int16_t intCveTipoEndoso, int16_t intInciso,
                                int16_t pintMesSolic, int16_t pintAnnioSolic,
                                int16_t pintPkCedente, int16_t pintCicloIni,
                                int16_t pintCicloFin);
std::string setSqlInsertEnviadofc(int16_t intSemestre, int16_t intAnio,
                                  std::string_view strPoliza, int16_t intInciso,
                                  int16_t pintPkCedente);

// The statement texts once the keys are known.
namespace registration {
std::string insertAgricolaText(const RegistroAgricola& r, int16_t tipoSeguro,
                               int16_t pkmunicipio);
std::string insertAgricolaFcText(const RegistroAgricolaFc& r, int16_t pkmunicipio);
std::string insertGanaderoText(const RegistroGanadero& r, int32_t pkGanadero,
                               int16_t pkmunicipio, int16_t pkespfun);
// The same, appended to out (the benchmark writes many into one buffer).
void appendInsertAgricolaText(std::string& out, const RegistroAgricola& r, int16_t tipoSeguro,
                              int16_t pkmunicipio);

// Duplicate tests.
std::string duplicadoAgricolaQuery(std::string_view strPoliza, std::string_view strEndoso,
                                   int16_t intCveTipoEndoso, int16_t intInciso,
                                   int16_t intcveCultivo, int16_t pintPkCedente,
                                   std::string_view pstrCiclo);

// ---- duplicate reporting

// "Window" (letter case counts) raises the duplicate error with the given source; anything
// else writes "El registro de constancia=<poliza> esta duplicado" to the duplicates log
// under the code and answers false.
bool reportDuplicate(const std::optional<std::string>& sendTo, const char* source,
                     int16_t code, std::string_view strPoliza);
Error duplicateError(const char* source);

// Whether a failed statement was refused for a key that already exists (a unique index or a
// primary key), on either engine.
bool isDuplicateKeyViolation(const Error& e);

// The error of a method that needs a connection and was given none (91).
Error connectionNotSet();
}  // namespace registration

}  // namespace korvanda
