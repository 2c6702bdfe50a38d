// Key resolution and key generation of clsCatValida.
#include "registration/keys.h"

#include <limits>

#include "component/ModGlobal.h"
#include "component/frame.h"
#include "component/rows.h"
#include "component/sql.h"
#include "korvanda/textform.h"

namespace korvanda {
namespace keys {
namespace {

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The longest prefix that reads as a decimal number: sign, digits, fraction, exponent.
double leadingNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
  const size_t start = i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t mantissaDigits = 0;
  while (i < s.size() && isDigit(s[i])) ++i, ++mantissaDigits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && isDigit(s[i])) ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return 0;
  size_t end = i;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && isDigit(s[j])) {
      while (j < s.size() && isDigit(s[j])) ++j;
      end = j;
    }
  }
  std::string_view number = s.substr(start, end - start);
  if (!number.empty() && number.front() == '+') number.remove_prefix(1);
  auto v = parseNumber(number);
  return v.value_or(0);
}

std::string codePair(std::string_view first, int16_t a, std::string_view second, int16_t b) {
  return std::string(first) + sql::integer(a) + std::string(second) + sql::integer(b);
}

}  // namespace

size_t cycleDigits(std::string_view cycle) { return formatDouble(leadingNumber(cycle)).size(); }

std::string pkMunicipioQuery(int16_t intIdEstado, int16_t intIdMunicipio) {
  return std::string("select pkmunicipio from CATCMUNICIPIO ") +
         codePair(" where cveEstado=", intIdEstado, " and cvemunicipio=", intIdMunicipio);
}

std::string existePkMunicipioQuery(int16_t intIdEstado, int16_t intIdMunicipio) {
  return std::string("select pkmunicipio from SUBCMUNICIPIO ") +
         codePair(" where cveEstado=", intIdEstado, " and cvemunicipio=", intIdMunicipio);
}

std::string pkEspecieFuncionQuery(int16_t intIdEspecie, int16_t intIdFuncion) {
  return std::string("select pkespfun from SUBRESPFUN ") +
         codePair(" where cveEspecie=", intIdEspecie, " and cveFuncion=", intIdFuncion);
}

std::string traePkEspFunQuery(int16_t intIdEspecie, int16_t intIdFuncion) {
  return std::string("select pkEspFun from SUBRESPFUN ") +
         codePair(" where cveEspecie=", intIdEspecie, " and cveFuncion=", intIdFuncion);
}

std::string traePkTCoberQuery(int16_t intIdRamo, std::string_view strCicloIni,
                              std::string_view strCicloFin) {
  return std::string("select cveciclo from SUBCTCOBER ") + " where cveRamo=" +
         sql::integer(intIdRamo) + " and cicloInicio='" + sql::escaped(trimBlanks(strCicloIni)) +
         "'" + " and cicloFin='" + sql::escaped(trimBlanks(strCicloFin)) + "'";
}

}  // namespace keys

namespace {

// A disconnected, read-only record set with a static client-side cursor on the shared
// connection.
RecordsetRef openDetached(const std::string& statement) {
  RecordsetRef rs = getOpenConnection()->query(statement, adLockReadOnly);
  rs->setCursorType(adOpenStatic);
  return rs;
}

// First field of the first row as a 16-bit integer (Null fails with 94), 0 without a row.
int16_t firstInt16(const RecordsetRef& rs) {
  return rows::hasRow(rs) ? toInt16(rs->value(size_t{0})) : int16_t{0};
}

bool given(const OptConnection& c) { return c.has_value() && *c != nullptr; }

// Maximum plus one. The generators that release the shared connection do so when no row came
// back or the maximum is below 2, so that the next call makes a new one.
int32_t nextKey(const RecordsetRef& rs, std::string_view field, bool releasesShared) {
  const std::optional<int32_t> max = rows::firstKeyInt32(rs, field);
  if (releasesShared && (!max || *max < 2)) slot::current().reset();
  const int32_t m = max.value_or(0);
  if (m == std::numeric_limits<int32_t>::max()) throw errors::overflow();
  return m + 1;
}

int32_t maxPlusOne(const OptConnection& pConn, const char* statement, std::string_view field) {
  ConnectionRef conn = given(pConn) ? *pConn : getOpenConnection();
  return nextKey(conn->execute(statement), field, true);
}

}  // namespace

int16_t getPkMunicipio(clsCatValida& self, int16_t intIdEstado, int16_t intIdMunicipio,
                       OptConnection pConn) {
  return frame("KORVANDA.clsCatValida.getPkMunicipio", [&] {
    const std::string statement = keys::pkMunicipioQuery(intIdEstado, intIdMunicipio);
    RecordsetRef rs = given(pConn) ? (*pConn)->execute(statement) : self.seleccionar(statement);
    return rows::firstKeyInt16(rs, "PkMunicipio").value_or(0);
  });
}

int16_t getPkEspecieFuncion(clsCatValida& self, int16_t intIdEspecie, int16_t intIdFuncion) {
  return frame("KORVANDA.clsCatValida.getPkEspecieFuncion", [&] {
    RecordsetRef rs = self.seleccionar(keys::pkEspecieFuncionQuery(intIdEspecie, intIdFuncion));
    return rows::firstKeyInt16(rs, "PKEspFun").value_or(0);
  });
}

bool clsCatValida::ExistePkMunicipio(int16_t intIdEstado, int16_t intIdMunicipio) {
  return frame("KORVANDA.clsCatValida.ExistePkMunicipio", [&] {
    return firstInt16(openDetached(keys::existePkMunicipioQuery(intIdEstado, intIdMunicipio))) != 0;
  });
}

int16_t clsCatValida::TraePkEspFun(int16_t intIdEspecie, int16_t intIdFuncion) {
  return frame("KORVANDA.clsCatValida.TraePkEspFun", [&] {
    return firstInt16(openDetached(keys::traePkEspFunQuery(intIdEspecie, intIdFuncion)));
  });
}

int16_t clsCatValida::TraePkTCober(int16_t intIdRamo, const std::string& strCicloIni,
                                   const std::string& strCicloFin) {
  return frame("KORVANDA.clsCatValida.TraePkTCober", [&]() -> int16_t {
    // A cycle is a year of at least four digits; anything shorter is no cycle at all.
    if (keys::cycleDigits(strCicloIni) < 4 || keys::cycleDigits(strCicloFin) < 4) return 0;
    return firstInt16(openDetached(keys::traePkTCoberQuery(intIdRamo, strCicloIni, strCicloFin)));
  });
}

int32_t clsCatValida::getPkAgricola(OptConnection pConn) {
  return frame("KORVANDA.clsCatValida.getPkAgricola",
               [&] { return maxPlusOne(pConn, keys::kMaxAgricola, "maxAgricola"); });
}

int32_t clsCatValida::getPkAgricolaFc() {
  return frame("KORVANDA.clsCatValida.getPkAgricolaFc",
               [&] { return maxPlusOne(std::nullopt, keys::kMaxAgricolaFc, "maxAgricola"); });
}

int32_t clsCatValida::getPkEnviado(OptConnection pConn) {
  return frame("KORVANDA.clsCatValida.getPkEnviado",
               [&] { return maxPlusOne(pConn, keys::kMaxEnviado, "maxenviado"); });
}

int32_t clsCatValida::getPkEnviadoFc(OptConnection pConn) {
  return frame("KORVANDA.clsCatValida.getPkEnviadofc",
               [&] { return maxPlusOne(pConn, keys::kMaxEnviadoFc, "maxenviado"); });
}

int32_t clsCatValida::getPkGanadero() {
  return frame("KORVANDA.clsCatValida.getPkGanadero", [&] {
    return nextKey(seleccionar(keys::kMaxGanadero), "maxGanadero", false);
  });
}

}  // namespace korvanda
