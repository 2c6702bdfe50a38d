#include "korvanda/clsCatalogos.h"

#include "core/binder.h"

namespace korvanda {

const DispatchTable& clsCatalogos::dispatchTable() const {
  static const DispatchTable table("KORVANDA.clsCatalogos",
                                   {binder::method("Actualiza", &clsCatalogos::Actualiza)});
  return table;
}

}  // namespace korvanda
