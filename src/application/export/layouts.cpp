#include "export/layouts.h"

#include <array>
#include <cmath>
#include <optional>

#include "korvanda/textform.h"
#include "core/recordset_store.h"

namespace korvanda {
namespace {
using R = FieldRule;

constexpr std::array<ExportField, 63> kDatAgricolaFields{{
    {"Poliza"}, {"Endoso"}, {"CveTipoEndoso"}, {"Inciso"}, {"ApPaterno"}, {"ApMaterno"},
    {"Nombres"}, {"ApPaternoBenefic"}, {"ApMaternoBenefic"}, {"NombresBenefic"}, {"CURP"},
    {"RFC"}, {"SI_CURP"}, {"SI_RFC"}, {"SI_32DSAT"}, {"Ciclo"}, {"CveCultivo"},
    {"cvetipocultivo"}, {"CveEstado"}, {"CveMunicipio"}, {"TipoSeguro", R::NineAsThree},
    {"Riesgos"}, {"VigenciaAsegIni"}, {"VigenciaAsegFin"}, {"SuperficieAseg"},
    {"SumaAsegurada"}, {"PrimaCaseg"}, {"PrimaCGobFed"}, {"totalcobrado"}, {"NumPagoIni"},
    {"NumPagoFin"}, {"FechaPago"}, {"TipoCambio"}, {"IdProAgrProd"},
    {"CoordenadasGeograficas"}, {"TipoVialidad"}, {"NomVialidad"}, {"Carretera"}, {"Camino"},
    {"NoExtNum"}, {"NoExtAnt"}, {"NoExtAlf"}, {"NoIntNum"}, {"NoIntAlf"},
    {"TipoAsentamiento"}, {"NomAsentamiento"}, {"CodPostal"}, {"NomLocalidad"},
    {"CveLocalidad"}, {"NomMunicipioDom"}, {"CveMunicipioDom"}, {"NomEstadoDom"},
    {"CveEstadoDom"}, {"TipoVialidad1"}, {"NomVialidad1"}, {"TipoVialidad2"},
    {"NomVialidad2"}, {"TipoVialidadPosterior"}, {"NomVialidadPosterior"}, {"DescUbicacion"},
    {"Discapacidad"}, {"Indigena"}, {"Edo_Civil"},
}};

constexpr std::array<ExportField, 28> kDatGanaderoFields{{
    {"Poliza"}, {"Endoso"}, {"CveTipoEndoso"}, {"Inciso"}, {"ApPaterno"}, {"ApMaterno"},
    {"Nombres"}, {"Identificacion"}, {"CveEstado"}, {"CveMunicipio"}, {"cveespecie"},
    {"cvefuncion"}, {"Aniocontrata"}, {"VigenciaAsegIni"}, {"VigenciaAsegFin"},
    {"CabezasAseg"}, {"UnidadesAseg"}, {"SumaAsegurada"}, {"PrimaEaseg"}, {"PrimaEgobFed"},
    {"totalemitido"}, {"PrimaCaseg"}, {"PrimaCGobFed"}, {"totalcobrado"}, {"NumPagoIni"},
    {"NumPagoFin"}, {"FecPago"}, {"TipoCambio"},
}};

constexpr std::array<ExportField, 30> kFormatoB1Fields{{
    {"Poliza"}, {"Endoso"}, {"CveTipoEndoso"}, {"Inciso"}, {"ApPaterno"}, {"ApMaterno"},
    {"Nombres"}, {"CURP"}, {"RFC"}, {"Ciclo"}, {"CveCultivo"}, {"cvetipocultivo"},
    {"CveEstado"}, {"CveMunicipio"}, {"TipoSeguro", R::NineAsThree}, {"Riesgos"},
    {"VigenciaAsegIni"}, {"VigenciaAsegFin"}, {"SuperficieAseg"}, {"SumaAsegurada"},
    {"PrimaEaseg"}, {"PrimaEgobFed"}, {"totalemitido"}, {"PrimaCaseg"}, {"PrimaCGobFed"},
    {"totalcobrado"}, {"NumPagoIni"}, {"NumPagoFin"}, {"FecPago"}, {"TipoCambio"},
}};

constexpr std::array<ExportField, 40> kFormatoB2Fields{{
    {"ApPaterno"},
    {"ApMaterno"},
    {"Nombre_PF"},
    {"FechaNacimiento", R::EmptyOn1900},
    {"PKEstado", R::ZeroAsZero},
    {"Sexo"},
    {"EstadoCivil"},
    {"CURP"},
    {"RFC_PF"},
    {"Nombre_PM"},
    {"FechaConstitucion", R::EmptyOn1900},
    {"RFC_PM"},
    {"CveActividad", R::DefaultOrPlain, "0"},
    {"NoPersFisicas", R::DefaultOrPlain, "0"},
    {"EstadoDom", R::Trimmed},
    {"CveEstadoDom", R::Trimmed},
    {"MunicipioDom", R::Trimmed},
    {"CveMunicipioDom", R::Trimmed},
    {"Localidad", R::Trimmed},
    {"CveLocalidad", R::Trimmed},
    {"TipoAsentamiento", R::DefaultOrTrimmed, "NINGUNO"},
    {"NomAsentamiento", R::DefaultOrPlain, "NINGUNO"},
    {"TipoLocalizacion", R::Trimmed},
    {"TipoVialidad", R::DefaultOrTrimmed, "NINGUNO"},
    {"NomVialidad", R::DefaultOrPlain, "NINGUNO"},
    {"Carretera"},
    {"Camino"},
    {"NoExtNum"},
    {"NoExtAlf", R::DefaultOrPlain, "SN"},
    {"NoExtAnt"},
    {"NoIntNum"},
    {"NoIntAlf"},
    {"CodPostal", R::DefaultOrPlain, "00000"},
    {"TipoVialidad1"},
    {"NomVialidad1"},
    {"TipoVialidad2"},
    {"NomVialidad2"},
    {"TipoVialidadPosterior"},
    {"NomVialidadPosterior"},
    {"DescUbicacion"},
}};

constexpr std::array<ExportField, 17> kFormatoCFields{{
    {"Poliza"}, {"Inciso"}, {"ApPaterno"}, {"ApMaterno"}, {"Nombres"}, {"CURP"}, {"RFC"},
    {"Ciclo"}, {"CveCultivo"}, {"cvetipocultivo", R::CropTypeIndicator}, {"CveEstado"},
    {"CveMunicipio"}, {"TipoSeguro"}, {"pkRiesgo"}, {"SuperfSinies"}, {"Indemnizacion"},
    {"Coordenadas"},
}};

// An unset value (Empty) is written like Null.
bool isNull(const Cell& c) { return c.kind == Cell::kNull || c.kind == Cell::kEmpty; }

// The value as a number, for "equal to n" tests: numbers, dates (their serial), booleans
// (True is -1) and texts that read as a number; nullopt for anything else.
std::optional<double> numericValue(const Recordset& rs, const Cell& c) {
  switch (c.kind) {
    case Cell::kBool: return c.integer() != 0 ? -1.0 : 0.0;
    case Cell::kByte: case Cell::kI16: case Cell::kI32: case Cell::kI64:
      return static_cast<double>(c.integer());
    case Cell::kDouble: case Cell::kDate: return c.real();
    case Cell::kDecimal: return decimalToDouble(c.decimal());
    case Cell::kText: return parseNumber(rs.text(c));
    default: return std::nullopt;
  }
}

bool equalsNumber(const Recordset& rs, const Cell& c, double n) {
  auto v = numericValue(rs, c);
  return v && *v == n;
}

// Whether the value's day/month/year text is "01/01/1900": dates, numbers read as date
// serials, and texts that read as a date (a text that does not is compared as it is).
bool isFirstOf1900(const Recordset& rs, const Cell& c) {
  std::optional<Date> d;
  if (c.kind == Cell::kText) {
    std::string_view t = rs.text(c);
    d = parseDate(t);
    if (!d) return t == "01/01/1900";
  } else if (c.kind == Cell::kDate) {
    d = c.date();
  } else if (c.kind != Cell::kBool) {
    auto v = numericValue(rs, c);
    if (v && std::fabs(*v) < 3e6) d = Date{*v};
  }
  if (!d) return false;
  DateParts p = splitDate(*d);
  return p.year == 1900 && p.month == 1 && p.day == 1;
}

void appendPlain(std::string& out, const Recordset& rs, const Cell& c) {
  switch (c.kind) {
    case Cell::kEmpty: case Cell::kNull: return;
    case Cell::kText: out.append(rs.text(c)); return;
    case Cell::kBool: out.append(formatBool(c.integer() != 0)); return;
    case Cell::kByte: case Cell::kI16: case Cell::kI32: case Cell::kI64: appendInt(out, c.integer()); return;
    case Cell::kDouble: appendDouble(out, c.real()); return;
    case Cell::kDate: appendDate(out, c.date()); return;
    case Cell::kDecimal: out.append(formatDecimal(c.decimal())); return;
  }
}

void appendTrimmed(std::string& out, const Recordset& rs, const Cell& c) {
  if (c.kind != Cell::kText) return appendPlain(out, rs, c);
  std::string_view t = rs.text(c);
  size_t b = t.find_first_not_of(' ');
  if (b == std::string_view::npos) return;
  size_t e = t.find_last_not_of(' ');
  out.append(t.substr(b, e - b + 1));
}

bool isNullOrEmptyText(const Cell& c) {
  return isNull(c) || c.emptyText();
}
}  // namespace

namespace exportLayouts {
const ExportLayout kDatAgricola{kDatAgricolaFields, true, false};
const ExportLayout kDatGanadero{kDatGanaderoFields, true, false};
const ExportLayout kFormatoB1{kFormatoB1Fields, false, false};
const ExportLayout kFormatoB2{kFormatoB2Fields, true, false};
const ExportLayout kFormatoC{kFormatoCFields, true, true};
const ExportLayout kNoFieldsEnie{{}, true, false};
}  // namespace exportLayouts

void appendFieldText(std::string& out, const Recordset& rs, const Cell& c, const ExportField& f) {
  switch (f.rule) {
    case R::Plain:
      return appendPlain(out, rs, c);
    case R::Trimmed:
      return appendTrimmed(out, rs, c);
    case R::NineAsThree:
      if (!isNull(c) && equalsNumber(rs, c, 9)) return out.push_back('3');
      return appendPlain(out, rs, c);
    case R::CropTypeIndicator:
      if (isNull(c)) return;
      return out.push_back(equalsNumber(rs, c, 5) ? '1' : '2');
    case R::EmptyOn1900:
      if (isNull(c) || isFirstOf1900(rs, c)) return;
      return appendPlain(out, rs, c);
    case R::ZeroAsZero:
      if (!isNull(c) && equalsNumber(rs, c, 0)) return out.push_back('0');
      return appendPlain(out, rs, c);
    case R::DefaultOrPlain:
      if (!isNullOrEmptyText(c)) return appendPlain(out, rs, c);
      out.append(f.fallback);
      return;
    case R::DefaultOrTrimmed:
      if (!isNullOrEmptyText(c)) return appendTrimmed(out, rs, c);
      out.append(f.fallback);
      return;
  }
}

size_t blankSeparators(std::string& out, size_t from) {
  // Most texts hold no separator: a test the compiler vectorises finds that, and only the rest
  // are walked. (find_first_of looks each character up in the set with a call of its own.)
  const auto* begin = reinterpret_cast<const unsigned char*>(out.data()) + from;
  const auto* end = reinterpret_cast<const unsigned char*>(out.data()) + out.size();
  unsigned any = 0;
  for (const auto* p = begin; p != end; ++p) any |= (*p == '|') | (*p == '\r') | (*p == '\n');
  if (!any) return 0;
  size_t n = 0;
  for (size_t i = from; i < out.size(); ++i) {
    if (out[i] == '|' || out[i] == '\r' || out[i] == '\n') {
      out[i] = ' ';
      ++n;
    }
  }
  return n;
}

size_t separatorBytes(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c == '|') | (c == '\r') | (c == '\n');  // vectorised
  return n;
}

std::vector<size_t> resolveColumns(const Recordset& rs, const ExportLayout& layout) {
  std::vector<size_t> columns;
  columns.reserve(layout.fields.size());
  for (const ExportField& f : layout.fields) columns.push_back(rs.fieldIndex(f.name));
  return columns;
}

}  // namespace korvanda
