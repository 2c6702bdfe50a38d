#include "sqlite/translate.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/fixture.h"

namespace korvanda::sqlite {
namespace {

SchemaSnapshot sampleSchema() {
  SchemaSnapshot s;
  s.add({"Pagos",
         {{"id", "INTEGER"},
          {"nombre", "VARCHAR(20)"},
          {"fecha", "DATETIME"},
          {"monto", "MONEY"},
          {"activo", "BIT"},
          {"cuenta", "INT"},
          {"clave", "SMALLINT GENERATED", true}},
         false});
  s.add({"Socios",
         {{"id", "INT"},
          {"pago", "INT"},
          {"calle", "VARCHAR(30)"},
          {"numero", "VARCHAR(10)"},
          {"alta", "DATETIME"}},
         false});
  s.add({"Tipos",
         {{"f", "FLOAT"},
          {"r", "REAL"},
          {"dp", "DOUBLE PRECISION"},
          {"n", "NUMERIC"},
          {"d", "DECIMAL(10,2)"},
          {"b", "BIGINT"},
          {"s", "SMALLINT"},
          {"t", "TIME"},
          {"nt", "NTEXT"},
          {"cl", "CLOB"},
          {"v", "VARCHAR(3)"},
          {"e", ""},
          {"bl", "BLOB"},
          {"l", "VARCHAR(9000)"}},
         false});
  s.add({"VistaPagos", {{"id", "INTEGER"}, {"fecha", "DATETIME"}}, true});
  return s;
}

std::string failure(std::string_view tsql) {
  try {
    translate(tsql, sampleSchema());
  } catch (const TranslationError& e) {
    return e.what();
  }
  ADD_FAILURE() << "translated: " << tsql;
  return "";
}

// One step as the golden file writes it.
std::string render(const Step& step) {
  if (auto* sql = std::get_if<SqlStep>(&step)) return sql->sql;
  if (auto* copy = std::get_if<CopyTableStep>(&step))
    return "COPY " + copy->source + " FROM '" + copy->file + "' INTO " + copy->target;
  const auto& exec = std::get<ProcedureStep>(step);
  std::string out = "EXEC " + exec.name;
  for (size_t i = 0; i < exec.args.size(); ++i)
    out += (i ? ", " : " ") + (exec.args[i] ? "'" + *exec.args[i] + "'" : std::string("NULL"));
  return out;
}

// Every T-SQL text of tests/golden/translate/cases.txt becomes the statements written under it,
// or is refused with the message written there.
TEST(Translate, EveryCaseOfTheGoldenFile) {
  struct Case {
    int line;
    std::string tsql, refusal;
    std::vector<std::string> steps;
    std::optional<std::string> types;
  };
  std::vector<Case> cases;
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/translate/cases.txt");
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    for (size_t at; (at = line.find("\\n")) != std::string::npos;) line.replace(at, 2, "\n");
    if (line.empty() || line[0] == '#') continue;
    if (line.starts_with("= ")) cases.back().steps.push_back(line.substr(2));
    else if (line.starts_with("! ")) cases.back().refusal = line.substr(2);
    else if (line.starts_with(":")) cases.back().types = line.size() > 2 ? line.substr(2) : "";
    else cases.push_back({n, line, "", {}, {}});
  }
  EXPECT_GE(cases.size(), 100u);
  for (const Case& c : cases) {
    SCOPED_TRACE("cases.txt line " + std::to_string(c.line) + ": " + c.tsql);
    if (!c.refusal.empty()) {
      EXPECT_EQ(failure(c.tsql), c.refusal);
      continue;
    }
    Translation t = translate(c.tsql, sampleSchema());
    std::vector<std::string> steps;
    for (const Step& step : t.steps) steps.push_back(render(step));
    if (!c.steps.empty()) EXPECT_EQ(steps, c.steps);
    if (c.types) {
      std::string types;
      for (const std::string& type : std::get<SqlStep>(t.steps.back()).resultTypes)
        types += (types.empty() ? "" : ", ") + type;
      EXPECT_EQ(types, *c.types);
    }
  }
}

std::string repeat(std::string_view s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

// A statement whose core is wrapped in n levels, taken in turn from levels (open, close).
struct Nesting {
  std::string construct, head, core, tail;
  std::vector<std::pair<std::string, std::string>> levels;

  std::string text(int n) const {
    std::string open, close;
    for (int i = 0; i < n; ++i) {
      const auto& [o, c] = levels[static_cast<size_t>(i) % levels.size()];
      open += o;
      close.insert(0, c);
    }
    return head + open + core + close + tail;
  }
  // Where (from 1) level n opens: its "(" or CASE.
  size_t opening(int n) const {
    std::string before = head;
    for (int i = 0; i + 1 < n; ++i) before += levels[static_cast<size_t>(i) % levels.size()].first;
    const std::string& o = levels[static_cast<size_t>(n - 1) % levels.size()].first;
    return before.size() + std::min(o.find('('), o.find("CASE")) + 1;
  }
};

// The constructs of tests/golden/translate/nesting.txt.
std::vector<Nesting> nestings() {
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/translate/nesting.txt");
  std::vector<Nesting> out;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    for (size_t at = 0, bar; at <= line.size(); at = bar + 1) {
      bar = std::min(line.find('|', at), line.size());
      f.push_back(line.substr(at, bar - at));
    }
    out.push_back({f[0], f[1], f[2], f[3], {}});
    for (size_t i = 4; i < f.size(); ++i)
      out.back().levels.emplace_back(f[i].substr(0, f[i].find('@')),
                                     f[i].substr(f[i].find('@') + 1));
  }
  return out;
}

TEST(Nesting, EveryRecursiveConstructStopsAtTheLimitOnASmallStack) {
  const std::vector<Nesting> table = nestings();
  ASSERT_EQ(table.size(), 14u);
  const std::string refusal =
      "the text nests parentheses, subqueries, calls and CASE deeper than " +
      std::to_string(kMaxNesting) + " levels, at character ";
  for (const Nesting& row : table) {
    SCOPED_TRACE(row.construct);
    testing::runOnSmallStack([&] {
      EXPECT_NO_THROW(translate(row.text(kMaxNesting), sampleSchema())) << row.text(kMaxNesting);
      EXPECT_EQ(failure(row.text(kMaxNesting + 1)),
                refusal + std::to_string(row.opening(kMaxNesting + 1)));
      EXPECT_EQ(failure(row.text(5000)), refusal + std::to_string(row.opening(kMaxNesting + 1)));
    });
  }
  // Chains that the translation walks without recursion have no such limit here.
  testing::runOnSmallStack([&] {
    for (const std::string& text : {"SELECT " + repeat("- ", 5000) + "1 FROM Pagos",
                                    "SELECT " + repeat("~ ", 5000) + "1 FROM Pagos",
                                    "SELECT id FROM Pagos WHERE " + repeat("NOT ", 5000) + "1 = 1",
                                    "SELECT " + repeat("id + ", 5000) + "1 AS s FROM Pagos",
                                    "SELECT 1 AS x" + repeat(" UNION SELECT 1", 5000)})
      EXPECT_NO_THROW(translate(text, sampleSchema())) << text.substr(0, 40);
  });
}

TEST(Nesting, SumsDecidedOnTheValuesCountTheirNesting) {
  // Each '+' between terms of unknown type nests one more call: a+b+c is TSQL_ADD(TSQL_ADD(a, b),
  // c).
  auto sum = [](int terms) { return "SELECT " + repeat("x + ", terms - 1) + "x AS s FROM Pagos"; };
  testing::runOnSmallStack([&] {
    EXPECT_NO_THROW(translate(sum(kMaxNesting), sampleSchema()));
    EXPECT_EQ(failure(sum(kMaxNesting + 1)),
              "a sum of 33 terms whose types are known only from their values nests "
              "deeper than 32 levels once translated, at character 8");
    EXPECT_EQ(failure("SELECT (" + sum(kMaxNesting).substr(7, 4 * kMaxNesting - 3) +
                      ") + x AS s FROM Pagos"),
              "a sum of 2 terms whose types are known only from their values nests deeper than 32 "
              "levels once "
              "translated, at character 8");
    EXPECT_EQ(failure(sum(5000)).substr(0, 18), "a sum of 5000 term");
  });
}

}  // namespace
}  // namespace korvanda::sqlite
