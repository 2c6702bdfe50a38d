#include "core/layout.h"

#include <string>

namespace korvanda {

RecordsetRef openEmptyLayout(std::span<const LayoutField> fields) {
  auto rs = Recordset::create();
  for (const LayoutField& f : fields)
    rs->appendField(std::string(f.name), f.type, f.definedSize, f.attributes);
  rs->setCursorType(adOpenDynamic);
  rs->setLockType(adLockOptimistic);
  rs->open();
  return rs;
}

}  // namespace korvanda
