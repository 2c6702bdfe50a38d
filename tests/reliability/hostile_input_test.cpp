// Hostile texts through the registration members: quotes, comment
// markers, semicolons and whole statements. Each is stored as given, or refused with a clear
// error; no other row of any table changes. Registration refuses texts that would split a
// record of the export files ("|", CR, LF). (Lookup keys, the sent register, the payment
// record, claims export staging and the unmarking of stored texts: their statements with
// quotes, in the lookup, registration and certificate tests.)
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "component/ModGlobal.h"
#include "korvanda/catalogoConstants.h"
#include "korvanda/clsCatValida.h"
#include "reliability_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using reliability::AgricolaTexts;
using reliability::RawDatabase;
using testing::Environment;
using testing::errorOf;

// tests/golden/reliability/payloads.tsv; core only: the texts marked "core".
const std::vector<std::string>& payloads(bool coreOnly = false) {
  static const auto read = [](bool core) {
    std::vector<std::string> out;
    for (const auto& row : testing::goldenTable("reliability/payloads.tsv")) {
      if (!core || row[0] == "core") out.push_back(testing::unescaped(row.at(1)));
    }
    return out;
  };
  static const std::vector<std::string> all = read(false), core = read(true);
  return coreOnly ? core : all;
}

class HostileInput : public ::testing::Test {
 public:
  void SetUp() override {
    cv = clsCatValida::create();
    conn = cv->getConexion();
    db = std::make_unique<RawDatabase>(env.databasePath());
  }
  std::string unique() { return "HX-" + std::to_string(++counter); }

  // What a column keeps of a text: a text column the text itself; a number or date column
  // converts it as SQL Server does ('' is 0 or 1 January 1900), and refuses what does not
  // convert (nullopt).
  std::optional<std::string> storedForm(const std::string& table, const std::string& column,
                                        const std::string& text) {
    const std::string type =
        db->text("SELECT upper(type) FROM pragma_table_info(?) WHERE name = ? COLLATE NOCASE",
                 {table, column})
            .value_or("");
    if (type.find("INT") != std::string::npos) {
      if (text.empty()) return "0";
      return std::nullopt;  // none of the texts is a number
    }
    if (type == "DATETIME") {
      if (text.empty()) return "1900-01-01 00:00:00";
      if (auto d = parseDate(text)) return formatIsoDate(*d);
      return std::nullopt;
    }
    return text;
  }

  // A text with a separator of the export files is refused, naming its column; a text the
  // column cannot keep is refused by the database. Otherwise the insert stores one row whose
  // column holds what the column keeps of the text, and then is the duplicate. Nothing else
  // changes.
  void expectRegistered(const std::string& column, const std::string& text,
                        const std::function<bool()>& insert) {
    const std::string table = "SUBMAGRICOLA";
    const std::optional<std::string> kept = storedForm(table, column, text);
    const auto before = db->digests();
    const size_t logged = env.logEntries().size();
    if (text.find_first_of("|\r\n") != std::string::npos || !kept) {
      Error e = errorOf([&] { insert(); });
      const bool separator = text.find_first_of("|\r\n") != std::string::npos;
      EXPECT_EQ(e.number(), separator ? kAppError1001 : -2147217900);
      EXPECT_TRUE(e.description().starts_with(
          separator ? "El campo " + column + " contiene un separador de registro"
                    : "The statement cannot run on the embedded database: Conversion failed when converting"))
          << e.description();
      EXPECT_EQ(db->digests(), before);
      EXPECT_GT(env.logEntries().size(), logged);
      return;
    }
    const int64_t maxRowid = db->integer("SELECT coalesce(max(rowid), 0) FROM " + table);
    const std::string earlierRows = db->digest(table, maxRowid);
    for (bool first : {true, false}) {
      try {
        EXPECT_EQ(insert(), first) << (first ? "not stored" : "not the duplicate");
      } catch (const Error& e) {
        ADD_FAILURE() << "failed: " << e.number() << " " << e.description();
      }
    }
    auto after = db->digests();
    EXPECT_EQ(db->integer("SELECT count(*) FROM " + table + " WHERE rowid > " + std::to_string(maxRowid)), 1);
    EXPECT_EQ(db->digest(table, maxRowid), earlierRows);
    EXPECT_EQ(db->text("SELECT " + column + " FROM " + table + " WHERE rowid > ?",
                       {std::to_string(maxRowid)}),
              kept);
    after.erase(table);
    auto others = before;
    others.erase(table);
    EXPECT_EQ(after, others);
  }

  // The call is refused with this error, and nothing changes.
  void expectRefused(int32_t number, const std::function<void()>& call) {
    const auto before = db->digests();
    Error e = errorOf(call);
    EXPECT_EQ(e.number(), number);
    EXPECT_FALSE(e.description().empty());
    EXPECT_EQ(db->digests(), before);
  }

  // Statement texts are what is tested here, not durability: the database lives in memory
  // when it can, so that a thousand commits do not wait for the disk.
  testing::ScopedEnv tmp{"TMPDIR", std::filesystem::is_directory("/dev/shm")
                                       ? std::optional<std::string>("/dev/shm")
                                       : std::nullopt};
  Environment env;
  std::shared_ptr<clsCatValida> cv;
  ConnectionRef conn;
  std::unique_ptr<RawDatabase> db;
  int counter = 0;
};

// ---- registration

// Each text of the agricultural record replaced by each payload, the rest as in a good record:
// every payload for the texts of the duplicate tests and the number columns; the core ones for
// the other texts. (The claim and livestock records: their texts go through the INSERT builder
// the registration tests check with quotes, the claim's duplicate test too.)
TEST_F(HostileInput, RegistrationTexts) {
  const std::set<std::string_view> everyPayload = {"strPoliza", "strEndoso", "strCiclo",
                                                   "strMunicipioDom", "pintTipoSeguro"};
  for (size_t i = 0; i < AgricolaTexts::kCount; ++i) {
    const std::string_view argument = AgricolaTexts::kArgument[i];
    for (const std::string& p : payloads(!everyPayload.contains(argument))) {
      SCOPED_TRACE(std::string(argument) + " = " + ::testing::PrintToString(p));
      AgricolaTexts r(unique());
      r.text[i] = p;
      auto insert = [&] { return reliability::insertAgricola(*cv, r, conn); };
      if (argument == "pintTipoSeguro") {
        expectRefused(13, insert);  // read as a number: anything else is a type mismatch
        continue;
      }
      expectRegistered(AgricolaTexts::kColumn[i], p, insert);
    }
  }
}

// Arguments that sit bare in the statements: an integer (a list of them for the risks), or
// refused before any statement runs.
TEST_F(HostileInput, IntegerOnlyArguments) {
  using Call = std::function<void(const std::string&)>;
  const std::vector<std::pair<int32_t, Call>> members = {
      {13, [&](const std::string& p) { cv->findPagoEndoso(p, 1, 1, 1); }},
      {13, [&](const std::string& p) { cv->ActualizaStatusSubsidio(p, "1", 0, 12, 2025, 2026, conn); }},
      {13, [&](const std::string& p) { cv->ActualizaStatusSubsidio("1", p, 0, 12, 2025, 2026, conn); }},
      {13, [&](const std::string& p) { cv->TraeCatalogo(2, p); }},
      {13, [&](const std::string& p) { cv->TraeCatalogo(5, p); }},
      {13, [&](const std::string& p) { cv->TraeCatalogo(13, p); }},
      {13, [&](const std::string& p) { cv->TraeCatalogo(15, p); }},
      {13, [&](const std::string& p) { cv->TraeCatExt(8, p, "1"); }},
      {13, [&](const std::string& p) { cv->TraeCatExt(8, "1", p); }},
      {kAppError1002, [&](const std::string& p) { cv->getListaRiesgosIN(p); }},
      {kAppError1002, [&](const std::string& p) { cv->getListaRiesgosIN("1, 2) OR (1=1" + p); }},
  };
  std::vector<std::string> texts = payloads();
  texts.insert(texts.end(), {"1; DELETE FROM CATCESTADO", "0 UNION SELECT 424242", "1 OR 1=1",
                             "1.5", "1e3", "99999999999999999999", "- 1", "(1)"});
  for (const std::string& p : texts) {
    if (p.empty()) continue;  // TraeCatalogo answers "0" without a statement
    SCOPED_TRACE(::testing::PrintToString(p));
    env.clearTrace();
    for (size_t m = 0; m < members.size(); ++m) {
      if (m == 9 && p == "99999999999999999999") continue;  // a list of one key, and so run
      SCOPED_TRACE(m);
      expectRefused(members[m].first, [&] { members[m].second(p); });
    }
    EXPECT_TRUE(env.statements().empty());
  }
  const Error e = errorOf([&] {
    cv->ActualizaStatusSubsidio("1; DELETE FROM SICIMCOBRANZA", "1", 0, 12, 2025, 2026, conn);
  });
  EXPECT_EQ(e.description(),
            "Type mismatch: intCveConst must be an integer, not \"1; DELETE FROM SICIMCOBRANZA\"");
  EXPECT_EQ(errorOf([&] { cv->getListaRiesgosIN(""); }).description(), "La lista de riesgos esta vacia");
  EXPECT_NE(cv->getListaRiesgosIN(" 1 , -2,3 "), nullptr);
  EXPECT_EQ(cv->TraeCatalogo(5, " 14 "), db->text("SELECT PKEstado FROM CATCESTADO WHERE CveEstado = 14"));
}

}  // namespace
}  // namespace korvanda
