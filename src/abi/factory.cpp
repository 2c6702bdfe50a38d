#include "korvanda/administration.h"

#include <algorithm>
#include <string>

#include "korvanda/clsCatValida.h"
#include "korvanda/clsCatalogos.h"
#include "korvanda/clsControlFiles.h"
#include "korvanda/error.h"
#include "korvanda/recordset.h"
#include "core/ascii.h"

namespace korvanda {

ObjectRef createObject(std::string_view progid) {
  const std::string id = ascii::lower(progid);
  if (id == "korvanda.clscatvalida") return clsCatValida::create();
  if (id == "korvanda.clscatalogos") return clsCatalogos::create();
  if (id == "korvanda.clscontrolfiles") return clsControlFiles::create();
  if (id == "adodb.recordset") return Recordset::create();
  throw errors::cannotCreateObject(std::string(progid));
}

}  // namespace korvanda
