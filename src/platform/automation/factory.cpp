#include "platform/automation/factory.h"

#include <algorithm>
#include <string>

#include "korvanda/clsCatValida.h"
#include "korvanda/clsCatalogos.h"
#include "korvanda/clsControlFiles.h"
#include "korvanda/error.h"
#include "korvanda/recordset.h"

namespace korvanda {

ObjectRef createObject(std::string_view progid) {
  std::string id(progid);
  std::transform(id.begin(), id.end(), id.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (id == "korvanda.clscatvalida") return clsCatValida::create();
  if (id == "korvanda.clscatalogos") return clsCatalogos::create();
  if (id == "korvanda.clscontrolfiles") return clsControlFiles::create();
  if (id == "adodb.recordset") return Recordset::create();
  throw errors::cannotCreateObject(std::string(progid));
}

}  // namespace korvanda
