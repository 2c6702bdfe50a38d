// The empty capture and certificate record sets, field by field.
#include <gtest/gtest.h>

#include "certificates/layouts.h"
#include "export_support.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/clsControlFiles.h"
#include "support/fixture.h"
#include "core/layout.h"
#include "registration/capture_layouts.h"

using namespace korvanda;
using namespace exporttest;

namespace {
struct Expected {
  const char* name;
  int32_t type, size, attributes;
};

const std::vector<Expected> kAgr = {
    {"pkAgricola", 5, 8, 4}, {"Poliza", 200, 30, 4}, {"Endoso", 200, 30, 4},
    {"CveTipoEndoso", 3, 4, 4}, {"Inciso", 3, 4, 4}, {"appaterno", 200, 50, 4},
    {"apmaterno", 200, 50, 4}, {"nombres", 200, 255, 4}, {"Identificacion", 200, 25, 4},
    {"cveEstado", 3, 4, 4}, {"cveMunicipio", 3, 4, 4}, {"ciclo", 200, 15, 4},
    {"CveCultivo", 3, 4, 4}, {"CveTipoCultivo", 3, 4, 4}, {"VigenciaAsegIni", 7, 8, 4},
    {"VigenciaAsegFin", 7, 8, 4}, {"SuperficieAseg", 5, 8, 4}, {"SumaAsegurada", 5, 8, 4},
    {"PrimaEaseg", 5, 8, 4}, {"PrimaEgobFed", 5, 8, 4}, {"PrimaCaseg", 5, 8, 4},
    {"PrimaCGobFed", 5, 8, 4}, {"totalemitido", 5, 8, 4}, {"totalcobrado", 5, 8, 4},
    {"NumPagoIni", 2, 2, 4}, {"NumPagoFin", 2, 2, 4}, {"FecPago", 7, 8, 4},
    {"TipoCambio", 5, 8, 4}, {"Riesgos", 200, 100, 4}, {"Observaciones", 200, 255, 4},
    {"TipoSeguro", 2, 2, 4}, {"RFC", 200, 20, 4}, {"TipoVialidad", 200, 4, 36},
    {"NomVialidad", 200, 255, 36}, {"NumExterior1", 200, 40, 36},
    {"NumExterior2", 200, 40, 36}, {"NumInterior", 200, 40, 36},
    {"TipoAsentamiento", 200, 4, 36}, {"NomAsentamiento", 200, 255, 36},
    {"CodPostal", 200, 5, 36}, {"Localidad", 200, 4, 36}, {"MunicipioDom", 3, 4, 36},
    {"EstadoDom", 3, 4, 36}, {"EntreVialidades", 200, 1000, 36},
    {"VialidadPosterior", 200, 500, 36}, {"DescUbicacion", 200, 255, 36},
    {"TipoLocalizacion", 129, 1, 36}, {"Carretera", 200, 255, 36}, {"Camino", 200, 255, 36},
    {"PkSocio", 3, 4, 36}, {"PkEndoso", 3, 4, 36}, {"AnioVigenciaMovInicial", 3, 4, 36}};

const std::vector<Expected> kFcAgr = {
    {"PkAgricolaFc", 3, 8, 4}, {"Semestre", 3, 8, 4}, {"A\xC3\xB1o", 3, 8, 4},
    {"Poliza", 200, 30, 4}, {"Inciso", 3, 4, 4}, {"appaterno", 200, 50, 32},
    {"apmaterno", 200, 50, 32}, {"nombres", 200, 255, 4}, {"cveEstado", 3, 4, 4},
    {"cveMunicipio", 3, 4, 4}, {"CveCultivo", 3, 4, 4}, {"CveTipoCultivo", 3, 4, 4},
    {"ciclo", 200, 15, 4}, {"SuperficieSin", 5, 8, 4}, {"FechaPago", 7, 8, 4},
    {"Indemnizacion", 5, 8, 4}, {"Riesgo", 200, 100, 4}, {"TipoSeguro", 2, 2, 4},
    {"CURP", 200, 50, 32}, {"RFC", 200, 50, 4}, {"Coordenadas", 200, 250, 4}};

const std::vector<Expected> kSuscSubs = {
    {"pkconstancia", 3, 4, 0}, {"Endoso", 3, 4, 4}, {"pktipoendoso", 3, 4, 4},
    {"inciso", 3, 4, 4}, {"paterno", 200, 50, 4}, {"materno", 200, 50, 4},
    {"nombre", 200, 255, 4}, {"identificacion", 200, 30, 4}, {"pkestado", 3, 4, 4},
    {"cvemunicipio", 3, 4, 4}, {"ciclo", 200, 15, 4}, {"pkcultivo", 3, 4, 4},
    {"pktipocultivo", 200, 15, 4}, {"vigenciaIni", 7, 8, 4}, {"vigenciaFin", 7, 8, 4},
    {"superficieAseg", 5, 8, 4}, {"sumaAsegurada", 5, 8, 4},
    {"primaemitidoAsegurado", 5, 8, 4}, {"primaemitidoGobFederal", 5, 8, 4},
    {"primaemitidaTotal", 5, 8, 4}, {"primacobradaAsegurado", 5, 8, 4},
    {"primacobradaGobFederal", 5, 8, 4}, {"primacobradaTotal", 5, 8, 4}, {"Pago", 3, 4, 4},
    {"Pagode", 3, 4, 4}, {"fechapago", 7, 8, 4}, {"tipoCambio", 5, 8, 4},
    {"paqueteriesgos", 200, 150, 4}, {"TipoSeguro", 2, 2, 4}, {"RFC", 200, 20, 4},
    {"TipoVialidad", 200, 4, 4}, {"NomVialidad", 200, 255, 4}, {"NumExterior1", 200, 40, 4},
    {"NumExterior2", 200, 40, 4}, {"NumInterior", 200, 40, 4},
    {"TipoAsentamiento", 200, 4, 4}, {"NomAsentamiento", 200, 255, 4},
    {"CodPostal", 200, 5, 4}, {"Localidad", 200, 4, 4}, {"MunicipioDom", 3, 4, 4},
    {"EstadoDom", 3, 4, 4}, {"EntreVialidades", 200, 1000, 4},
    {"VialidadPosterior", 200, 500, 4}, {"DescUbicacion", 200, 255, 4},
    {"TipoLocalizacion", 129, 1, 4}, {"Carretera", 200, 255, 4}, {"Camino", 200, 255, 4},
    {"PkSocio", 3, 4, 4}, {"PkEndoso", 3, 4, 4}, {"AnioVigenciaMovInicial", 3, 4, 4}};

const std::vector<Expected> kSinAgr = {
    {"Constancia", 5, 8, 4}, {"Inciso", 3, 4, 4}, {"Paterno", 200, 50, 4},
    {"Materno", 200, 50, 32}, {"Nombre", 200, 255, 4}, {"PkEstado", 3, 8, 4},
    {"NomEstado", 200, 50, 4}, {"cvemunicipio", 3, 8, 4}, {"NomMunicipio", 200, 50, 4},
    {"pkcultivo", 3, 8, 4}, {"Nomcultivo", 200, 100, 4}, {"PkTipoPractica", 3, 8, 4},
    {"NomTipoPractica", 200, 100, 4}, {"ciclo", 200, 15, 4}, {"SupSiniestrada", 5, 8, 4},
    {"FechaPago", 7, 8, 4}, {"Indemnizacion", 5, 8, 4}, {"PkRiesgo", 3, 8, 4},
    {"NomRiesgo", 200, 100, 4}, {"TipoSeguro", 2, 2, 4}, {"CURP", 200, 50, 4},
    {"RFC", 200, 50, 4}, {"PkEndoso", 3, 4, 4}, {"AnioVigenciaMovInicial", 3, 4, 4}};

// Fields, order, types, sizes and attributes; empty, open, editable; Null only where allowed.
void checkLayout(const RecordsetRef& rs, const std::vector<Expected>& expected) {
  ASSERT_TRUE(rs);
  ASSERT_EQ(rs->fieldCount(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    const FieldInfo& f = rs->field(i);
    EXPECT_EQ(f.name, expected[i].name);
    EXPECT_EQ(f.type, expected[i].type);
    EXPECT_EQ(f.definedSize, expected[i].size);
    EXPECT_EQ(f.attributes, expected[i].attributes);
  }
  EXPECT_EQ(rs->state(), 1);
  EXPECT_EQ(rs->recordCount(), 0);
  EXPECT_TRUE(rs->eof());
  EXPECT_TRUE(rs->bof());
  EXPECT_EQ(rs->cursorType(), 2);
  EXPECT_EQ(rs->lockType(), 3);

  rs->addNew();
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    bool nullable = (expected[i].attributes & 32) != 0;
    int number = errorOf([&] { rs->setValue(i, Null{}); }).number();
    if (nullable) {
      EXPECT_EQ(number, 0);
      EXPECT_TRUE(rs->value(i).isNull());
    } else {
      EXPECT_NE(number, 0);
    }
  }
  rs->update();
  EXPECT_EQ(rs->recordCount(), 1);
}
}  // namespace

TEST(CaptureLayouts, Agricultural) {
  clsControlFiles files;
  checkLayout(files.getEmptyRecordsetAgr(), kAgr);
}

TEST(CaptureLayouts, AgriculturalClaims) {
  clsControlFiles files;
  checkLayout(files.getEmptyRecordsetFcAgr(), kFcAgr);
  auto rs = files.getEmptyRecordsetFcAgr();
  rs->addNew();
  rs->setValue("año", int16_t{2026});  // the field name carries U+00F1
  EXPECT_EQ(rs->value("A\xC3\xB1o"), Variant(int32_t{2026}));
}

TEST(CaptureLayouts, EachCallGivesAnIndependentRecordset) {
  clsControlFiles files;
  auto a = files.getEmptyRecordsetAgr();
  auto b = files.getEmptyRecordsetAgr();
  ASSERT_NE(a, b);
  a->addNew();
  a->setValue("Poliza", "P1");
  a->update();
  EXPECT_EQ(a->recordCount(), 1);
  EXPECT_EQ(b->recordCount(), 0);
}

TEST(CaptureLayouts, ReachableLateBound) {
  clsControlFiles files;
  Variant r = files.invoke("GETEMPTYRECORDSETFCAGR", kMethod, {});
  auto rs = toObjectOf<Recordset>(r);
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->fieldCount(), 21u);
}

TEST(CertificateLayouts, Subscription) { checkLayout(openEmptyLayout(layoutRsSuscSubs()), kSuscSubs); }

TEST(CertificateLayouts, Claims) { checkLayout(openEmptyLayout(layoutRsSinAgr()), kSinAgr); }

TEST(CertificateLayouts, MaternoTakesNullOnlyInTheClaimsLayout) {
  auto subs = openEmptyLayout(layoutRsSuscSubs());
  subs->addNew();
  EXPECT_NE(errorOf([&] { subs->setValue("materno", Null{}); }).number(), 0);
  subs->setValue("materno", "");  // an empty text is a value
  EXPECT_EQ(subs->value("materno"), Variant(""));
  auto sin = openEmptyLayout(layoutRsSinAgr());
  sin->addNew();
  sin->setValue("Materno", Null{});
  EXPECT_TRUE(sin->value("materno").isNull());
}

TEST(CertificateLayouts, ConstanciaIsADoubleAndPkconstanciaAnInteger) {
  auto sin = openEmptyLayout(layoutRsSinAgr());
  sin->addNew();
  sin->setValue("Constancia", 12345.5);
  EXPECT_EQ(sin->value("Constancia"), Variant(12345.5));
  auto subs = openEmptyLayout(layoutRsSuscSubs());
  subs->addNew();
  subs->setValue("pkconstancia", 12345.5);  // rounds half to even
  EXPECT_EQ(subs->value("pkconstancia"), Variant(int32_t{12346}));
}

TEST(CertificateLayouts, MembersOfClsCatValida) {
  korvanda::testing::Environment env(korvanda::testing::Environment::Options{true, false, true});
  auto cat = clsCatValida::create();
  checkLayout(cat->getEmptyRsSuscSubs(), kSuscSubs);
  checkLayout(cat->getEmptyRsSinAgr(), kSinAgr);
  auto rs = toObjectOf<Recordset>(cat->invoke("getemptyrssinagr", kMethod, {}));
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->fieldCount(), 24u);
  EXPECT_TRUE(env.statements().empty());  // built in memory: no statement reaches a database
}
