#include "fixture.h"
#include "korvanda/textform.h"

namespace korvanda::sqlite::test {
TEST_F(DemoDatabaseTest, Smoke) {
  auto rs = rows("SELECT * FROM CATCESTADO");
  EXPECT_EQ(rs->recordCount(), 32);
  EXPECT_EQ(toText(scalar("SELECT NomEstado FROM CATCESTADO WHERE CveEstado = 14")), "Jalisco");
}
}
