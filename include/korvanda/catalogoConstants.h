// Catalog identifiers: the pidCatalogo of clsCatValida's catalog members. A number without a
// catalog fails there with -2147220503 ("El catalogo solicitado no existe"); one beyond 16 bits
// with 6 (overflow).
#pragma once

#include <cstdint>

#include "korvanda/export.h"

KORVANDA_API_BEGIN
namespace korvanda {

enum catalogoConstants : int32_t {
  Clientes = 1, Cultivos = 2, EstadoRegion = 3, Especies = 4, Estados = 5, Funciones = 6,
  GrupoCultivo = 7, Municipios = 8, Ramos = 9, Riesgos = 10, TipoCambio = 11,
  RelEspecieFuncion = 12, TipoCultivo = 13, TipoEndoso = 14, DiaInHabil = 15, subsidio = 16,
  monedas = 17, ConsecutivoFc = 20, Status = 21
};

}  // namespace korvanda
KORVANDA_API_END
